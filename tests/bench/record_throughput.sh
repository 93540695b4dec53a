#!/bin/bash
# Recording throughput: prints figures, asserts nothing.
#
# The box simulator sends its stream as fast as it can (--rate-kbps 0) over the veth link of
# a private test LAN. The recorder (the real Recorder, in orvane_bench.exe under Wine)
# and curl fetch it with the same request for the same time, one after the other: first one
# box, then 8 boxes at once. Printed: MB/s of each (MB = 10^6 bytes), the recorder's share of
# curl's rate (goal: at least 0.9), and CPU seconds per GB received; the recorder's CPU
# counts its own process and the wineserver, through which Wine's sockets go. Each figure is
# the median of ORVANE_BENCH_ROUNDS rounds (default 3).
#
# usage (as root): tests/bench/record_throughput.sh [BUILD_DIR] [SECONDS]
#   BUILD_DIR   the x86_64 build (default build/x86_64), already built
#   SECONDS     measuring time of each run (default 8)
# Environment:
#   ORVANE_RECORD_BENCH   the bench command (default: BUILD_DIR/tests/orvane_bench.exe record)
#   ORVANE_WINE_TEMPLATE  a Wine prefix to copy instead of making a new one (saves ~15 s)
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
require_root
lab_traps

build=${1:-$ORVANE_ROOT/build/x86_64}
seconds=${2:-8}
read -r -a bench <<<"${ORVANE_RECORD_BENCH:-$build/tests/orvane_bench.exe record}"
[[ -f ${bench[0]} ]] || die "no ${bench[0]}: build $build first"
command -v curl >/dev/null || die "curl is missing"

lab_scratch_dir recbench
# The recordings go to memory: a run writes gigabytes.
files=$(mktemp -d /dev/shm/orvane-recbench.XXXXXX) || die "mktemp failed"
LAB_DIRS+=("$files")
wine_files="Z:${files//\//\\}"

lan_up orb || die "could not make the test LAN"
boxsim_start "$LAB_SCRATCH" --boxes 0 --rate-kbps 0 || die "the box simulator did not start"
prefix=$LAB_SCRATCH/pc PC_PREFIX=$prefix PC_DISPLAY=${DISPLAY:-}
if [[ -n ${ORVANE_WINE_TEMPLATE:-} ]]; then
    wine_prefix_copy "$ORVANE_WINE_TEMPLATE" "$prefix"
else
    wine_prefix_new "$LAN_PC" "$prefix" || die "could not make a Wine prefix"
fi
wine_server_start "$LAN_PC" "$prefix" "${DISPLAY:-}"
wineserver_pid=""
for pid in $(ip netns pids "$LAN_PC"); do
    [[ $(cat "/proc/$pid/comm" 2>/dev/null) == wineserver* ]] && wineserver_pid=$pid
done
[[ -n $wineserver_pid ]] || die "no wineserver in $LAN_PC"

# CPU seconds (user + system) a process has used so far.
cpu_of() {
    awk -v tck="$(getconf CLK_TCK)" '{ printf "%.3f", ($14 + $15) / tck }' "/proc/$1/stat"
}

box_hosts() {
    local n=$1 i hosts=()
    for i in $(seq 0 $((n - 1))); do
        hosts+=("$(lan_box_addr "$i")")
    done
    echo "${hosts[*]}"
}

# run_recorder N: sets REC_MBPS and REC_CPU_PER_GB.
run_recorder() {
    local n=$1 hosts line server_before server_after timing
    hosts=$(box_hosts "$n")
    rm -f "$files"/*
    server_before=$(cpu_of "$wineserver_pid")
    timing=$(mktemp)
    line=$( { TIMEFORMAT='%U %S'; time in_pc wine "${bench[@]}" "${hosts// /,}" "$seconds" "$wine_files" \
        </dev/null 2>/dev/null; } 2>"$timing")
    server_after=$(cpu_of "$wineserver_pid")
    read -r user system <"$timing"
    rm -f "$timing"
    [[ $line == recorder* ]] || die "the recorder bench printed nothing (is ${bench[*]} wired?)"
    REC_MBPS=$(sed -n 's/.* mbps=\([0-9.]*\).*/\1/p' <<<"$line")
    local total
    total=$(du -cb "$files"/*.ts | tail -n1 | cut -f1)
    REC_CPU_PER_GB=$(awk -v u="$user" -v s="$system" -v a="$server_before" -v b="$server_after" -v t="$total" \
        'BEGIN { printf "%.2f", (u + s + b - a) / (t / 1e9) }')
    REC_PROCESS_CPU_PER_GB=$(awk -v u="$user" -v s="$system" -v t="$total" 'BEGIN { printf "%.2f", (u + s) / (t / 1e9) }')
    rm -f "$files"/*
}

# run_curl N: the same request (only User-Agent, no Host or Accept) from N curls at once.
# Sets CURL_MBPS and CURL_CPU_PER_GB.
run_curl() {
    local n=$1 host timing results pids=()
    rm -f "$files"/*
    timing=$(mktemp)
    results=$(mktemp)
    { TIMEFORMAT='%U %S'; time {
        for host in $(box_hosts "$n"); do
            ip netns exec "$LAN_PC" curl -s --http1.1 -H 'Host:' -H 'Accept:' -A 'VLC/2.0.0' \
                --max-time "$seconds" -o "$files/curl_$host.ts" -w '%{size_download} %{time_total}\n' \
                "http://$host/0.ts" >>"$results" &
            pids+=($!)
        done
        wait "${pids[@]}"
    }; } 2>"$timing"
    read -r user system <"$timing"
    CURL_MBPS=$(awk '{ bytes += $1; if ($2 > t) t = $2 } END { printf "%.1f", bytes / t / 1e6 }' "$results")
    CURL_CPU_PER_GB=$(awk -v u="$user" -v s="$system" '{ bytes += $1 } END { printf "%.2f", (u + s) / (bytes / 1e9) }' "$results")
    rm -f "$timing" "$results" "$files"/*
}

# The median of the numbers given.
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# Other work on the machine moves single runs a lot: alternate the two fetchers and print
# the median of several rounds.
rounds=${ORVANE_BENCH_ROUNDS:-3}
log "recording throughput: $rounds rounds of $seconds s each, box simulator at full speed over veth"
printf '%-6s %14s %10s %6s %18s %15s %14s\n' boxes "recorder MB/s" "curl MB/s" ratio \
    "recorder CPU s/GB" "(process only)" "curl CPU s/GB"
for boxes in 1 8; do
    rec_mbps=() rec_cpu=() rec_process=() curl_mbps=() curl_cpu=() ratios=()
    for _ in $(seq "$rounds"); do
        run_recorder "$boxes"
        run_curl "$boxes"
        rec_mbps+=("$REC_MBPS") rec_cpu+=("$REC_CPU_PER_GB") rec_process+=("$REC_PROCESS_CPU_PER_GB")
        curl_mbps+=("$CURL_MBPS") curl_cpu+=("$CURL_CPU_PER_GB")
        ratios+=("$(awk -v r="$REC_MBPS" -v c="$CURL_MBPS" 'BEGIN { printf "%.2f", r / c }')")
        printf '  round: %-6s recorder %8s MB/s, curl %8s MB/s\n' "$boxes" "$REC_MBPS" "$CURL_MBPS"
    done
    printf '%-6s %14s %10s %6s %18s %15s %14s\n' "$boxes" "$(median "${rec_mbps[@]}")" "$(median "${curl_mbps[@]}")" \
        "$(median "${ratios[@]}")" "$(median "${rec_cpu[@]}")" "$(median "${rec_process[@]}")" \
        "$(median "${curl_cpu[@]}")"
done
echo "(medians; ratio = recorder / curl of the same round; goal: ratio >= 0.9)"
lab_cleanup
