#!/usr/bin/env bash
# Submits the univariant enumeration of a wizard run as a Slurm job array of
# SHARDS tasks, each writing one part, and a job that joins the parts into
# OUT once every task has ended well.
#
#   scripts/univariants-slurm.sh FILE SHARDS OUT [wizard options]
#
# The wizard options are those of "varnel wizard" that choose the cases, the
# model and the working set, and --filter-duplicates, --no-normalize, --style.
# SBATCH_OPTIONS is passed to every sbatch (partition, time, account, ...).
# The parts go to OUT.parts/ beside OUT; VARNEL names the program.
set -euo pipefail

if [ $# -lt 3 ]; then
  echo "usage: $0 FILE SHARDS OUT [wizard options]" >&2
  exit 2
fi
file=$(realpath "$1")
shards=$2
out=$(realpath -m "$3")
shift 3
. "$(dirname "$0")/univariants-common.sh"
parts="$out.parts"
mkdir -p "$parts"
options=$(printf '%q ' "$@")

array=$(sbatch --parsable ${SBATCH_OPTIONS:-} --array=0-$((shards - 1)) --job-name=varnel-univariants \
  --output="$parts/log.%a" --wrap "
k=\$SLURM_ARRAY_TASK_ID
first=\$((k * $total / $shards))
last=\$(((k + 1) * $total / $shards - 1))
$(printf '%q' "$varnel") wizard $(printf '%q' "$file") $options --univariants --range \$first-\$last > $(printf '%q' "$parts")/part.\$k.tmp &&
  mv $(printf '%q' "$parts")/part.\$k.tmp $(printf '%q' "$parts")/part.\$k")

list=""
for ((k = 0; k < shards; k++)); do list+=" $(printf '%q' "$parts/part.$k")"; done
if [ "$filter" = yes ]; then
  join="$(printf '%q' "$varnel") merge-relations$list > $(printf '%q' "$out.tmp")"
else
  join="cat$list > $(printf '%q' "$out.tmp")"
fi
sbatch --parsable ${SBATCH_OPTIONS:-} --dependency=afterok:"$array" --job-name=varnel-join \
  --output="$parts/log.join" --wrap "$join && mv $(printf '%q' "$out.tmp") $(printf '%q' "$out")"
echo "submitted array $array; the joined list goes to $out" >&2
