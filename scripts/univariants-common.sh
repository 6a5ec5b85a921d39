# What the shard scripts share: checks the shard count, notes whether the
# duplicates are filtered and counts the selections to split. Sourced with
# file, shards and the wizard's options ("$@") set; sets varnel, filter,
# total and shards.
varnel=${VARNEL:-varnel}
case $shards in
  ''|*[!0-9]*|0) echo "$0: SHARDS must be a positive number" >&2; exit 2 ;;
esac
filter=no
for a in "$@"; do
  [ "$a" = "--filter-duplicates" ] && filter=yes
done

total=$("$varnel" wizard "$file" "$@" --count)
if [ "$total" -eq 0 ]; then
  echo "$0: the working set has no univariant selections" >&2
  exit 1
fi
if [ "$shards" -gt "$total" ]; then shards=$total; fi
