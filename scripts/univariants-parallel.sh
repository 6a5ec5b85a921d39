#!/usr/bin/env bash
# Enumerates the univariant relations of a wizard run in SHARDS parts with GNU
# parallel, on this machine or on the hosts of PARALLEL_HOSTS (a list for
# parallel's --sshlogin; every host needs varnel and FILE at the same paths),
# and prints the joined list: byte for byte what one run prints.
#
#   scripts/univariants-parallel.sh FILE SHARDS [wizard options]
#
# The wizard options are those of "varnel wizard" that choose the cases, the
# model and the working set (--cases, --rank, --set, --yes, ...), and
# --filter-duplicates, --no-normalize, --style. VARNEL names the program
# (default: varnel on the PATH); JOBS the parallel jobs per host (default:
# one per core); PARALLEL_SSH the command that reaches the hosts (default:
# ssh).
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 FILE SHARDS [wizard options]" >&2
  exit 2
fi
# A host runs the jobs in its own folder: the paths it is given are absolute.
file=$(realpath "$1")
shards=$2
shift 2
. "$(dirname "$0")/univariants-common.sh"
case $varnel in */*) varnel=$(realpath "$varnel") ;; esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Shard k covers ranks [k*total/SHARDS, (k+1)*total/SHARDS).
ranges=()
for ((k = 0; k < shards; k++)); do
  first=$((k * total / shards))
  last=$(((k + 1) * total / shards - 1))
  ranges+=("$first-$last")
done

# Each part comes back as its job's output, whichever host ran it (a
# redirection in the command would run there, into that host's files);
# --keep-order puts the parts in shard order, so the joined output is the
# parts one after the other.
hosts=()
if [ -n "${PARALLEL_HOSTS:-}" ]; then hosts=(--sshlogin "$PARALLEL_HOSTS"); fi
if [ -n "${PARALLEL_SSH:-}" ]; then hosts+=(--ssh "$PARALLEL_SSH"); fi
jobs=${JOBS:-100%}
# parallel starts each job with $SHELL, here and on the hosts it reaches
# without a login; where it is unset (services, CI runners, cron) the jobs
# would not start at all and parallel would still end with success.
export SHELL=${SHELL:-/bin/sh}
printf '%s\n' "${ranges[@]}" |
  parallel --will-cite --halt now,fail=1 --keep-order --jobs "$jobs" "${hosts[@]}" \
    "$(printf '%q ' "$varnel" wizard "$file" "$@") --threads 1 --univariants --range {}" >"$work/parts"

if [ "$filter" = yes ]; then
  "$varnel" merge-relations "$work/parts"
else
  cat "$work/parts"
fi
