#!/bin/bash
# Recording throughput of the real program: Orvane.exe under Wine, Record clicked in its
# window, the file written beside the exe in a folder on disk (not in memory), beside curl
# writing the same stream into the same folder. Prints figures, asserts nothing.
#
# The box simulator sends its stream as fast as it can (--rate-kbps 0) over the veth link of
# a private test LAN. Each fetcher is measured the same way: once its file holds a first
# block, the bytes that reach the file in SECONDS, and the CPU seconds used meanwhile (for the
# program: its own process and the wineserver, through which Wine's sockets go). Each figure
# is the median of ORVANE_BENCH_ROUNDS rounds (default 3); the two fetchers alternate.
#
# Just before each fetcher starts, the bench writes and removes a file larger than a round's
# recording, in writes of the fetcher's size (the program writes 512 KiB blocks, curl 16 KiB),
# so that both start on the same kind of memory. Without that, memory decides the figure, not
# the fetcher: on a virtual machine that hands memory left free for a few seconds back to its
# host, under a kernel that caches a file in pieces as large as each write, 6 GB written by dd
# in 512 KiB writes took 3.2 s right after a file written the same way was removed, 6.3-7.8 s
# after one written in 16 KiB writes and 9.9 s into memory left idle (in 16 KiB writes:
# 2.2-3.3 s after either, 4.9 s into idle memory). The program used to start seconds after
# curl's recording was removed and curl at once after the program's; the program then
# measured 0.6-0.85 of curl.
#
# The program analyses the stream as it passes (continuity errors and lost sync, the rate, for
# the row's info tip). Its CPU per GB includes that; the figure without it comes from
# orvane_bench analysis (tests/bench/StreamAnalysisBench.cpp) of the same build, which feeds
# 64 KiB slices of a clean stream to a recording's health, analysis, lock and rate buckets
# together, and measures its thread's CPU: the program's figure minus that one. A switch in the
# product to turn the analysis off would be a setting the program does not have, so the
# analysis is measured on its own instead, where nothing else is in the figure.
#
# usage (as root): tests/bench/record_program.sh [SECONDS]   (default 6)
#   scripts/bench record_program builds the x86_64 program first; the i686 one is built here.
# Environment:
#   ORVANE_RECORD_EXES    the programs to measure (default: build/x86_64/Orvane.exe and
#                         build/i686/Orvane.exe)
#   ORVANE_BENCH_DISK     the folder on disk for the recordings (default out/bench/disk);
#                         a run writes several GB there and removes them again
#   ORVANE_BENCH_ROUNDS   rounds per program (default 3)
#   ORVANE_WINE_TEMPLATE  a Wine prefix to copy instead of making a new one (saves ~15 s)
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
require_root
lab_traps

seconds=${1:-6}
rounds=${ORVANE_BENCH_ROUNDS:-3}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || die "SECONDS must be a whole number above 0, not '$seconds'"
probe_exe=$ORVANE_ROOT/build/x86_64/tests/orvane_probe.exe
[[ -f $probe_exe ]] || die "no $probe_exe: build build/x86_64 with its tests first (scripts/bench does)"
command -v curl >/dev/null && command -v xdotool >/dev/null || die "curl and xdotool are needed"
if [[ -n ${ORVANE_RECORD_EXES:-} ]]; then
    read -r -a exes <<<"$ORVANE_RECORD_EXES"
else
    log "building build/i686/Orvane.exe and its orvane_bench.exe"
    build_windows i686 ON Orvane orvane_bench >/dev/null || die "the i686 build failed"
    exes=("$ORVANE_ROOT/build/x86_64/Orvane.exe" "$ORVANE_ROOT/build/i686/Orvane.exe")
fi

disk=${ORVANE_BENCH_DISK:-$ORVANE_ROOT/out/bench/disk}
mkdir -p "$disk" || die "cannot make $disk"
disk=$(mktemp -d "$(realpath "$disk")/run.XXXXXX") || die "mktemp failed"
LAB_DIRS+=("$disk")
[[ $(stat -f -c %T "$disk") != tmpfs ]] || die "$disk is in memory (tmpfs); name a folder on disk"

lab_scratch_dir recprog
lan_up orp || die "could not make the test LAN"
# One box, whose static address is where the program fetches from.
boxsim_start "$LAB_SCRATCH" --boxes 0 --rate-kbps 0 --box "id=501,ip=10.86.1.11,static=10.86.1.11" ||
    die "the box simulator did not start"
xvfb_start "$LAB_SCRATCH" || die "cannot start Xvfb"
source "$(dirname "${BASH_SOURCE[0]}")/wine_program.bash"
program_prefix_new "$LAB_SCRATCH/pc" || die "could not make a Wine prefix"
wine_server_start "$LAN_PC" "$PREFIX" "$XVFB_DISPLAY"
PROBE_EXE=$probe_exe
PC_PREFIX=$PREFIX PC_DISPLAY=$XVFB_DISPLAY

# The program's recording block, and the size of curl's writes to its file (seen with strace).
block_bytes=524288
curl_write_bytes=16384

file_size() { stat -c %s "$1" 2>/dev/null || echo 0; }

# wait_size FILE BYTES: waits up to 20 s until the file holds at least that many bytes.
wait_size() {
    local i
    for i in $(seq 200); do
        (($(file_size "$1") >= $2)) && return 0
        sleep 0.1
    done
    return 1
}

# measure FILE PID [SERVER_PID]: bytes that reach the file in $seconds s and CPU ticks of the
# processes meanwhile; sets MBPS, CPU_PER_GB (both processes) and SERVER_PER_GB (the second's).
measure() {
    local file=$1 pid=$2 server=${3:-} size0 size1 ticks0 ticks1 server0=0 server1=0 start end
    size0=$(file_size "$file")
    ticks0=$(cpu_ticks "$pid")
    [[ -n $server ]] && server0=$(cpu_ticks "$server")
    start=$(date +%s.%N)
    sleep "$seconds"
    size1=$(file_size "$file")
    ticks1=$(cpu_ticks "$pid")
    [[ -n $server ]] && server1=$(cpu_ticks "$server")
    end=$(date +%s.%N)
    MBPS=$(awk -v b=$((size1 - size0)) -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", b / (e - s) / 1e6 }')
    per_gb() {
        awk -v t="$1" -v hz="$(getconf CLK_TCK)" -v b=$((size1 - size0)) \
            'BEGIN { printf "%.2f", (b > 0 ? t / hz / (b / 1e9) : 0) }'
    }
    CPU_PER_GB=$(per_gb $((ticks1 - ticks0 + server1 - server0)))
    SERVER_PER_GB=$(per_gb $((server1 - server0)))
}

# free_memory_for BYTES: writes 10 GiB into the recordings' folder in writes of BYTES, and
# removes it: the memory it frees is where the next fetcher's recording goes.
free_memory_for() {
    dd if=/dev/zero of="$disk/memory.bin" bs="$1" count=$((10 * 1024 * 1024 * 1024 / $1)) status=none
    rm -f "$disk/memory.bin"
}

click_at() { DISPLAY=$XVFB_DISPLAY xdotool mousemove --sync "$1" "$2" click 1; sleep 0.3; }

# run_program EXE: starts the program in a folder of its own, clicks the box's row and Record,
# measures the recording, clicks Stop and closes the program. Sets what measure sets.
run_program() {
    local folder=$disk/program program server x y file
    rm -rf "$folder"
    mkdir -p "$folder"
    cp "$1" "$folder/Orvane.exe"
    (cd "$folder" && in_pc wine "$folder/Orvane.exe" </dev/null >/dev/null 2>&1) &
    LAB_PIDS+=("$!")
    probe wait-window 30000 >/dev/null || die "$1: no main window"
    for _ in $(seq 100); do
        [[ $(probe row-count) -ge 1 ]] && break
        sleep 0.2
    done
    read -r x y < <(probe item-rect 0 | awk '{ printf "%d %d\n", $1 + 20, ($2 + $4) / 2 }')
    [[ -n ${y:-} ]] || die "$1: no row for the box"
    click_at "$x" "$y"
    read -r x y < <(probe screen-rect 1005 | awk '{ printf "%d %d\n", ($1 + $3) / 2, ($2 + $4) / 2 }')
    free_memory_for "$block_bytes"
    click_at "$x" "$y"
    for _ in $(seq 100); do
        file=$(ls "$folder"/10.86.1.11_*.ts 2>/dev/null | head -n1)
        [[ -n $file ]] && break
        sleep 0.1
    done
    [[ -n $file ]] && wait_size "$file" "$block_bytes" || die "$1: no recording after Record was clicked"
    program=$(pc_process 'Orvane\.exe') && server=$(pc_process wineserver) || die "$1: no process to measure"
    measure "$file" "$program" "$server"
    click_at "$x" "$y"  # Stop
    [[ $(probe caption 1005) == Record ]] || echo "warning: the Record button does not say Record after Stop" >&2
    probe close >/dev/null
    for _ in $(seq 100); do
        kill -0 "$program" 2>/dev/null || break
        sleep 0.1
    done
    (($(file_size "$file") % block_bytes == 0)) || echo "warning: $file does not hold whole blocks" >&2
    rm -rf "$folder"
}

# run_curl: the same request (only User-Agent, no Host or Accept) into the same disk folder.
run_curl() {
    local file=$disk/curl.ts pid
    rm -f "$file"
    free_memory_for "$curl_write_bytes"
    ip netns exec "$LAN_PC" curl -s --http1.1 -H 'Host:' -H 'Accept:' -A 'VLC/2.0.0' \
        --max-time $((seconds + 30)) -o "$file" http://10.86.1.11/0.ts &
    pid=$!
    wait_size "$file" "$block_bytes" || die "curl received nothing"
    measure "$file" "$pid"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rm -f "$file"
}

# analysis_per_gb EXE: CPU s/GB of the stream analysis in 64 KiB slices, by the orvane_bench.exe
# built beside EXE; "-" when there is none.
analysis_per_gb() {
    local bench
    bench=$(dirname "$1")/tests/orvane_bench.exe
    [[ -f $bench ]] || { echo -; return; }
    in_pc wine "$bench" analysis 2 </dev/null 2>/dev/null |
        sed -n 's/^analysis slice=65536 health_cpu_s_per_gb=\([0-9.]*\).*/\1/p'
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

log "recording throughput of the program: $rounds rounds of $seconds s, files in $disk ($(stat -f -c %T "$disk"))"
printf '%-28s %14s %10s %6s %18s %14s %14s %20s\n' program "program MB/s" "curl MB/s" ratio "program CPU s/GB" \
    "curl CPU s/GB" "analysis s/GB" "program w/o analysis"
for exe in "${exes[@]}"; do
    [[ -f $exe ]] || die "no $exe"
    mbps=() cpu=() server_cpu=() curl_mbps=() curl_cpu=() ratios=()
    for _ in $(seq "$rounds"); do
        run_program "$exe"
        mbps+=("$MBPS") cpu+=("$CPU_PER_GB") server_cpu+=("$SERVER_PER_GB")
        run_curl
        curl_mbps+=("$MBPS") curl_cpu+=("$CPU_PER_GB")
        ratios+=("$(awk -v r="${mbps[-1]}" -v c="$MBPS" 'BEGIN { printf "%.2f", r / c }')")
        printf '  round: program %8s MB/s %6s s/GB (wineserver %s), curl %8s MB/s %6s s/GB\n' "${mbps[-1]}" \
            "${cpu[-1]}" "${server_cpu[-1]}" "$MBPS" "$CPU_PER_GB"
    done
    name=$(basename "$(dirname "$exe")")/$(basename "$exe")
    analysis=$(analysis_per_gb "$exe")
    without=$(awk -v p="$(median "${cpu[@]}")" -v a="${analysis:--}" 'BEGIN { if (a == "-") print "-"; else printf "%.2f", p - a }')
    printf '%-28s %14s %10s %6s %18s %14s %14s %20s\n' "$name" "$(median "${mbps[@]}")" "$(median "${curl_mbps[@]}")" \
        "$(median "${ratios[@]}")" "$(median "${cpu[@]}") ($(median "${server_cpu[@]}"))" "$(median "${curl_cpu[@]}")" \
        "${analysis:--}" "$without"
done
echo "(medians; ratio = program / curl of the same round; goal: ratio >= 0.9;"
echo " program CPU: Orvane.exe and the wineserver, the wineserver's part in brackets;"
echo " analysis: the stream analysis's own CPU per GB; w/o analysis: the program's CPU minus it)"
lab_cleanup
