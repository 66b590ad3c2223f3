#!/bin/bash
# The Slurm array script, run as array tasks 1..3 of 3 (and as 1..4 of an array that names only its
# highest id): the slices joined are the batch run in one piece, byte for byte.
set -euo pipefail
cli=$1
script=$2
model=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
args=("$model" --seed 17 --trials 2 --periods 120 --warmup 12 --timestamp T --row BSLevel@1-2=10:40:10 --row HoldCost@3=1:2:1)
"$cli" batch "${args[@]}" --jobs 1 --out whole.txt 2>/dev/null

for count in 3 4; do
    rm -f part-*.txt
    for task in $(seq 1 "$count"); do
        if [ "$count" = 3 ]; then
            SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_COUNT=$count SLURM_CPUS_PER_TASK=2 ORVANTIS_CLI=$cli \
                bash "$script" "${args[@]}" 2>/dev/null
        else
            SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_MAX=$count ORVANTIS_CLI=$cli bash "$script" "${args[@]}" 2>/dev/null
        fi
    done
    [ "$(ls part-*.txt | wc -l)" = "$count" ] || { echo "expected $count part files"; exit 1; }
    cat part-*.txt > joined.txt
    cmp whole.txt joined.txt || { echo "$count slices joined differ from the whole batch"; exit 1; }
done
# Outside an array the script refuses to run.
if ORVANTIS_CLI=$cli bash "$script" "${args[@]}" 2>/dev/null; then
    echo "the script ran without an array task id"
    exit 1
fi
echo "ok"
