#!/bin/sh
# Builds the Debian package from the already built tree (no compiling),
# unpacks it with dpkg-deb -x into a scratch root and checks what it holds.
#   package_test.sh CPACK BUILD SOURCE VERSION
set -u
cpack=$1
build=$2
source=$3
version=$4

if ! command -v dpkg-deb >/dev/null 2>&1; then
  echo "SKIPPED: dpkg-deb is not installed (package dpkg), so no Debian package can be made or unpacked"
  exit 77
fi
if ! command -v dpkg-shlibdeps >/dev/null 2>&1; then
  echo "SKIPPED: dpkg-shlibdeps is not installed (package dpkg-dev); CPack needs it for the dependencies"
  exit 77
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

if ! (cd "$build" && "$cpack" --config CPackConfig.cmake -B "$scratch/out") >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAILED: cpack could not make the package"
  exit 1
fi
deb=$(ls "$scratch"/out/varnel_*.deb 2>/dev/null)
[ -f "$deb" ] || { cat "$scratch/cpack.log"; echo "FAILED: no varnel_*.deb was made"; exit 1; }
case $(basename "$deb") in
  "varnel_${version}_$(dpkg --print-architecture).deb") ;;
  *) fail "the package is named $(basename "$deb")" ;;
esac

# The file list: exactly these files, nothing else.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort >"$scratch/files"
sort >"$scratch/expected" <<LIST
usr/bin/varnel
usr/share/applications/varnel.desktop
usr/share/doc/varnel/README.md
usr/share/icons/hicolor/scalable/apps/varnel.svg
usr/share/man/man1/varnel.1
usr/share/mime/packages/varnel.xml
$(cd "$source/examples" && ls *.vnp | sed 's|^|usr/share/varnel/examples/|')
$(cd "$source/examples/reference" && ls *.txt | sed 's|^|usr/share/varnel/examples/reference/|')
$(cd "$source/help" && ls *.md | sed 's|^|usr/share/doc/varnel/manual/|')
LIST
if ! diff -u "$scratch/expected" "$scratch/files"; then fail "the package's file list differs (- expected, + packed)"; fi

# Every file belongs to root, as dpkg will install it.
dpkg-deb -c "$deb" | awk '$2 != "root/root" { print }' >"$scratch/owners"
[ -s "$scratch/owners" ] && fail "files not owned by root: $(cat "$scratch/owners")"

# The control fields.
[ "$(dpkg-deb -f "$deb" Package)" = varnel ] || fail "Package is $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version is $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6svg6 qt6-qpa-plugins libc6 libstdc++6; do
  echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qx "$p" || fail "Depends lacks $p: $depends"
done

root=$scratch/root
dpkg-deb -x "$deb" "$root"

# The program runs from where it was unpacked, stripped and all.
[ -x "$root/usr/bin/varnel" ] || fail "usr/bin/varnel is not executable"
out=$("$root/usr/bin/varnel" --version 2>/dev/null)
[ "$out" = "varnel $version" ] || fail "varnel --version says '$out'"
out=$("$root/usr/bin/varnel" svd "$root/usr/share/varnel/examples/garnets.vnp" --cases 7-10 2>/dev/null |
  grep '^Absolute Matrix Rank is')
case $out in "Absolute Matrix Rank is 4 "*) ;; *) fail "the unpacked program's svd says '$out'" ;; esac

# The shipped files are the project's.
for f in "$source"/examples/*.vnp; do
  cmp -s "$f" "$root/usr/share/varnel/examples/$(basename "$f")" || fail "examples/$(basename "$f") differs"
done
for f in "$source"/examples/reference/*.txt; do
  cmp -s "$f" "$root/usr/share/varnel/examples/reference/$(basename "$f")" ||
    fail "examples/reference/$(basename "$f") differs"
done
cmp -s "$source/README.md" "$root/usr/share/doc/varnel/README.md" || fail "the README differs"
for f in "$source"/help/*.md; do
  cmp -s "$f" "$root/usr/share/doc/varnel/manual/$(basename "$f")" || fail "the manual's $(basename "$f") differs"
done
cmp -s "$build/varnel.1" "$root/usr/share/man/man1/varnel.1" || fail "the manual page differs from the built one"

# The desktop entry starts the program on the file, with its icon, for the
# data files the MIME description declares.
desktop=$root/usr/share/applications/varnel.desktop
mime=$root/usr/share/mime/packages/varnel.xml
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate refuses varnel.desktop"
else
  echo "note: desktop-file-validate is not installed (package desktop-file-utils); the entry is checked by hand only"
fi
field() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(field Type)" = Application ] || fail "Type is not Application"
[ "$(field Exec)" = "varnel %f" ] || fail "Exec is '$(field Exec)'"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$(field Icon).svg" ] || fail "no icon named '$(field Icon)'"
echo "$(field MimeType)" | tr ';' '\n' | grep -qx application/x-varnel-data || fail "MimeType lacks the data files"
echo "$(field MimeType)" | tr ";" "\n" | grep -qx application/x-varnel-graph || fail "MimeType lacks the plot settings files"
for type in $(field MimeType | tr ';' ' '); do
  grep -q "<mime-type type=\"$type\">" "$mime" || fail "$type is not declared in varnel.xml"
done
grep -A6 'type="application/x-varnel-data"' "$mime" | grep -q '<glob pattern="\*.vnp"/>' ||
  fail "varnel.xml does not give *.vnp to the data files"
grep -A6 'type="application/x-varnel-graph"' "$mime" | grep -q '<glob pattern="\*.vng"/>' ||
  fail "varnel.xml does not give *.vng to the plot settings"
if command -v update-mime-database >/dev/null 2>&1; then
  # The database the system would build from it takes the description.
  cp -r "$root/usr/share/mime" "$scratch/mime"
  update-mime-database "$scratch/mime" >/dev/null 2>&1 || fail "update-mime-database refuses varnel.xml"
  grep -q '^application/x-varnel-data:\*\.vnp$' "$scratch/mime/globs" || fail "the built database lacks *.vnp"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package $(basename "$deb"): $(wc -l <"$scratch/files") files, Depends: $depends"
