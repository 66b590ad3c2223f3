#!/bin/bash
# The Slurm array script, run as array tasks 1..3 of 3 (and as 1..4 of an array that names only its
# highest id): the parts land in the array job's own folder, and the join script makes of them the
# batch run in one piece, byte for byte. The join refuses a missing part and a part beyond N.
set -euo pipefail
cli=$1
script=$2
model=$3
join=$(dirname "$script")/orvantis-batch-join.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
args=("$model" --seed 17 --trials 2 --periods 120 --warmup 12 --timestamp T --row BSLevel@1-2=10:40:10 --row HoldCost@3=1:2:1)
"$cli" batch "${args[@]}" --jobs 1 --out whole.txt 2>/dev/null

for count in 3 4; do
    job=70$count
    for task in $(seq 1 "$count"); do
        if [ "$count" = 3 ]; then
            SLURM_ARRAY_JOB_ID=$job SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_COUNT=$count SLURM_CPUS_PER_TASK=2 \
                ORVANTIS_CLI=$cli bash "$script" "${args[@]}" 2>/dev/null
        else
            SLURM_ARRAY_JOB_ID=$job SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_MAX=$count ORVANTIS_CLI=$cli \
                bash "$script" "${args[@]}" 2>/dev/null
        fi
    done
    [ "$(ls "orvantis-batch-$job")" = "$(seq -f 'part-%04g.txt' 1 "$count")" ] ||
        { echo "job $job: expected part-0001.txt ... part-000$count.txt in its folder"; exit 1; }
    bash "$join" "orvantis-batch-$job" "$count" > joined.txt
    cmp whole.txt joined.txt || { echo "$count slices joined differ from the whole batch"; exit 1; }
done

# The 4-slice job's folder joined as 3 slices holds a part too many; without its third part, one
# too few. Either way the join fails and writes nothing.
refused() {
    if bash "$join" orvantis-batch-704 "$1" > joined.txt 2>/dev/null || [ -s joined.txt ]; then
        echo "the join of orvantis-batch-704 as $1 slices was not refused ($2)"
        exit 1
    fi
}
refused 3 "a part beyond N"
rm orvantis-batch-704/part-0003.txt
refused 4 "a missing part"
# Outside an array the script refuses to run.
if ORVANTIS_CLI=$cli bash "$script" "${args[@]}" 2>/dev/null; then
    echo "the script ran without an array task id"
    exit 1
fi
echo "ok"
