#!/bin/sh
# Writes the manual page varnel.1 from the program's own --help texts, so
# that the page and the help cannot tell different stories.
#   make-manpage.sh VARNEL OUT
set -eu
varnel=$1
out=$2
tmp=$out.tmp
QT_QPA_PLATFORM=offscreen
export QT_QPA_PLATFORM

# Text to roff: backslashes and dashes escaped, no line read as a request.
esc='
  function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    if (s ~ /^[.'"'"']/) s = "\\&" s
    return s
  }'

version=$("$varnel" --version | sed 's/^varnel //')
usage=$("$varnel" --help)

{
  printf '.TH VARNEL 1 "" "Varnel %s" "User Commands"\n' "$version"
  printf '.SH NAME\nvarnel \\- tables, diagrams and matrix analysis of chemical analyses\n'
  printf '.SH SYNOPSIS\n.nf\n'
  # The usage block: every line up to the first empty one, less "Usage:".
  printf '%s\n' "$usage" | awk "$esc"'
    NR == 1 { next }
    /^$/ { exit }
    { print esc($0) }'
  printf '.fi\n.SH DESCRIPTION\n'
  printf 'Without a command, Varnel opens its windows: the DataSheet, a table of\n'
  printf 'chemical analyses (cases by variables), the Graphs window with triangular\n'
  printf 'and tetrahedral diagrams, the Analysis Wizard, and the TextPad, which holds\n'
  printf 'the reports as plain text.\n'
  printf 'With a command, it writes a report or a file and shows no window.\n'
  # The paragraphs after the usage block.
  printf '%s\n' "$usage" | awk "$esc"'
    /^$/ { after = 1; print ".PP"; next }
    after { print esc($0) }'
  printf '.SH COMMANDS\n'
  for command in $(printf '%s\n' "$usage" | awk '$1 == "varnel" && $2 ~ /^[a-z][a-z-]*$/ { print $2 }'); do
    "$varnel" "$command" --help | awk "$esc"'
      # "-x, --name <ARG>": the names bold, the argument in italics.
      function option(text,    n, k, words, s, comma) {
        n = split(text, words, " ")
        s = ""
        for (k = 1; k <= n; ++k) {
          comma = sub(/,$/, "", words[k])
          if (words[k] ~ /^-/) words[k] = "\\fB" esc(words[k]) "\\fR"
          else if (words[k] ~ /^</) words[k] = "\\fI" esc(words[k]) "\\fR"
          else words[k] = esc(words[k])
          s = s (k > 1 ? " " : "") words[k] (comma ? "," : "")
        }
        return s
      }
      NR == 1 { sub(/^Usage: /, ""); print ".SS " esc($0); next }
      /^Options:$/ { options = 1; next }
      /^$/ { if (!options) print ".PP"; next }
      !options { print esc($0); next }
      # An option line: "  -x, --name <ARG>   what it does"; the text may
      # go on in the lines below.
      /^  +-/ {
        line = $0
        sub(/^ +/, "", line)
        print ".TP"
        gap = match(line, /   */)
        if (!gap) { print option(line); next }
        print option(substr(line, 1, gap - 1))
        text = substr(line, gap)
        sub(/^ +/, "", text)
        print esc(text)
        next
      }
      { line = $0; sub(/^ +/, "", line); print esc(line) }'
  done
  cat <<'PAGE'
.SH FILES
.TP
.I VARNEL.INI
The settings: preferences, window positions, fonts and the recent files.
It lives beside the program when the program's folder is writable (a build
tree or a portable copy); an installed copy keeps it in
.IR $XDG_CONFIG_HOME/varnel/ ,
by default
.IR ~/.config/varnel/ .
.TP
.I varnel.log
The plot warnings log: the cases a diagram could not show. Beside the
program as the settings are, else in
.IR $XDG_STATE_HOME/varnel/ ,
by default
.IR ~/.local/state/varnel/ .
.TP
.I /usr/share/varnel/examples/
Sample data files (under the prefix Varnel was installed to).
.SH ENVIRONMENT
.TP
.B XDG_CONFIG_HOME
The user's configuration folder.
.TP
.B XDG_STATE_HOME
The user's state folder.
.TP
.B QT_QPA_PLATFORM
The commands set it to
.B offscreen
when it is unset, so that they run without a display.
.SH EXIT STATUS
0 done, 1 the command or the file was refused, 2 wrong usage.
PAGE
} > "$tmp"
mv "$tmp" "$out"
