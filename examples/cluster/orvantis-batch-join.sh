#!/bin/bash
# Joins the parts of a batch run in N slices, part-0001.txt ... part-N.txt of FOLDER, in order on
# standard output:
#
#   orvantis-batch-join.sh orvantis-batch-1234 8 > results.txt
#
# Refuses, joining nothing, when a part is missing (a task has not finished or failed) or when
# FOLDER holds a part beyond the N-th (those parts belong to a batch in more slices).
set -euo pipefail

me=${0##*/}
if [ $# -ne 2 ] || ! [[ $2 =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $me FOLDER N  (N the number of slices, at least 1)" >&2
    exit 2
fi
folder=$1
count=$2
if [ ! -d "$folder" ]; then
    echo "$me: $folder is no folder; nothing joined" >&2
    exit 1
fi

declare -A wanted=()
parts=()
missing=()
for k in $(seq 1 "$count"); do
    name=$(printf 'part-%04d.txt' "$k")
    wanted[$name]=1
    parts+=("$folder/$name")
    [ -f "$folder/$name" ] || missing+=("$name")
done
extra=()
for path in "$folder"/part-*.txt; do
    [ -e "$path" ] || continue
    [ -n "${wanted[${path##*/}]:-}" ] || extra+=("${path##*/}")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "$me: $folder lacks ${missing[*]} of $count parts (a task has not finished or failed); nothing joined" >&2
    exit 1
fi
if [ ${#extra[@]} -gt 0 ]; then
    echo "$me: $folder holds ${extra[*]} beyond its $count parts (a batch in more slices?); nothing joined" >&2
    exit 1
fi
cat "${parts[@]}"
