#!/bin/sh
# Side-by-side with fio on one folder: the same access patterns, alternating, three rounds each.
# Prints metric, fio median, ours median and their ratio. Usage: scripts/bench.sh FOLDER
set -eu
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
folder=${1:-$root/build/bench-target}
program=${ORVANE_PROGRAM:-$root/build/linux/orvane-varnolt}
rounds=3
size_mib=256
seconds=3

mkdir -p "$folder"
work=$(mktemp -d "$folder/.bench-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

fio_run() {  # name rw bs [extra fio options...] -> MiB/s or IOPS on stdout
    name=$1 rw=$2 bs=$3
    shift 3
    fio --name="$name" --filename="$work/fio.bin" --size=${size_mib}M --rw="$rw" --bs="$bs" \
        --direct=1 --iodepth=1 --ioengine=psync --output-format=json "$@" >"$work/fio.json"
    case $rw in
        write) jq '.jobs[0].write.bw_bytes / 1048576' "$work/fio.json" ;;
        read) jq '.jobs[0].read.bw_bytes / 1048576' "$work/fio.json" ;;
        randread) jq '.jobs[0].read.iops' "$work/fio.json" ;;
        randwrite) jq '.jobs[0].write.iops' "$work/fio.json" ;;
    esac
}

ours_run() {  # -> four lines: seq write, seq read, random read, random write
    rm -f "$work/report.json"
    "$program" --benchmark "$work" --report "$work/report.json" --size-mib $size_mib \
        --seconds $seconds --files 1 || true
    for id in sequential_write sequential_read random_read random_write; do
        jq --arg id "$id" '[.metrics[] | select(.id == $id) | .value][0] // 0' "$work/report.json"
    done
}

: >"$work/fio.txt"
: >"$work/ours.txt"
for round in $(seq $rounds); do
    echo "round $round of $rounds" >&2
    rm -f "$work/fio.bin"
    {
        # Like ours, the sequential write extends a new file: fio would otherwise preallocate it
        # and time the conversion of unwritten extents (about 20% slower on ext4 here).
        fio_run seqwrite write 1M --sync=1 --fallocate=none
        fio_run seqread read 1M
        fio_run randread randread 4k --time_based --runtime=$seconds
        fio_run randwrite randwrite 4k --sync=1 --time_based --runtime=$seconds
    } >>"$work/fio.txt"
    rm -f "$work/fio.bin"
    ours_run >>"$work/ours.txt"
done

median() {  # metric index (1..4) of file, over the rounds
    awk -v k="$2" 'NR % 4 == k % 4' "$1" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'
}

printf '%-18s %12s %12s %7s\n' metric fio ours ratio
k=1
for metric in "seq write MiB/s" "seq read MiB/s" "rand read IOPS" "rand write IOPS"; do
    f=$(median "$work/fio.txt" $k)
    o=$(median "$work/ours.txt" $k)
    printf '%-18s %12.1f %12.1f %7.3f\n' "$metric" "$f" "$o" "$(echo "$o $f" | awk '{print ($2 > 0) ? $1 / $2 : 0}')"
    k=$((k + 1))
done
