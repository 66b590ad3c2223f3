#!/bin/bash
# An Orvantis batch in slices on several hosts with GNU parallel. Each host needs orvantis-cli on
# its PATH; the model file is sent along and each slice's results come back.
#
#   orvantis-batch-parallel.sh 8 2/host1,2/host2 MODEL --seed 5 --trials 10 \
#                              --row BSLevel@1-2=10:100:10
#
# runs eight slices, at most two at a time on each host (4 threads each), writes part-0001.txt
# ... part-0008.txt here and joins them in order into results.txt: byte for byte the batch run in
# one piece. Use ":" as the host list to run every slice on this machine. The seed must not be 0.
set -euo pipefail

slices=$1
hosts=$2
model=$3
shift 3

parallel --sshlogin "$hosts" --transferfile "$model" --return 'part-{=$_=sprintf("%04d",$_)=}.txt' --cleanup \
    orvantis-cli batch "$model" "$@" --jobs 4 --part '{}'/"$slices" --out 'part-{=$_=sprintf("%04d",$_)=}.txt' \
    ::: $(seq 1 "$slices")

cat $(seq -f 'part-%04g.txt' 1 "$slices") > results.txt
