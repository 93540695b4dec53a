#!/bin/bash
# Many boxes at once, through the real Orvane.exe. For each N (default 1000 5000 10000) the box
# simulator plays N boxes that answer every probe (two scanners: each box answers twice every
# 10 s). Prints, per N: seconds from the program's start to all N rows, Orvane.exe's CPU seconds
# until then; Clear clicked through the window and the seconds until all N rows are back (the
# next probe leaves up to 10 s after the click), the CPU seconds of that refill; and the slowest
# answer of the window to a message over both (WM_NULL sent every 20 ms by the window probe).
# Prints figures, asserts nothing.
#
# usage (as root): tests/bench/table_scale.sh [N...]   (scripts/bench table_scale builds first)
# Environment:
#   ORVANE_BUILD          the x86_64 build with tests/orvane_probe.exe (default build/x86_64)
#   ORVANE_EXE            the program to measure (default ORVANE_BUILD/Orvane.exe)
#   SCALE_TIMEOUT_S       how long each phase may take before it is reported unfinished (default 90)
#   ORVANE_WINE_TEMPLATE  a Wine prefix to copy instead of making a new one (saves ~15 s)
set -u
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/../../scripts/lib.sh"
source "$here/wine_program.bash"
require_root
lab_traps

build=$(realpath -m "${ORVANE_BUILD:-$ORVANE_ROOT/build/x86_64}")
exe=$(realpath -m "${ORVANE_EXE:-$build/Orvane.exe}")
PROBE_EXE=$build/tests/orvane_probe.exe
timeout_s=${SCALE_TIMEOUT_S:-90}
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(1000 5000 10000)
[[ -f $exe ]] || die "no $exe: build it first"
[[ -f $PROBE_EXE ]] || die "no $PROBE_EXE: build $build first"

lab_scratch_dir scale
lan_up osc || die "could not make the test LAN"
xvfb_start "$LAB_SCRATCH" || die "cannot start Xvfb"
program_prefix_new "$LAB_SCRATCH/pc" || die "could not make a Wine prefix"

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

# wait_for TEST: polls the row count until TEST (an awk condition on r) holds or the phase's
# time is up; prints the last count.
wait_for() {
    local rows= end=$((SECONDS + timeout_s))
    while ((SECONDS < end)); do
        rows=$(row_count)
        [[ -n $rows ]] && awk -v r="$rows" "BEGIN { exit !($1) }" && break
        sleep 0.2
    done
    echo "${rows:-0}"
}

# run_size N: one program start with N boxes answering; prints one line of figures.
run_size() {
    local n=$1 start fill_s fill_rows refill_s refill_rows clicked ticks0 ticks1 ticks2 program pinger worst
    boxsim_start "$LAB_SCRATCH" --boxes "$n" --ip 10.200.0.2 --base-id 100001 || die "the box simulator did not start"
    start=$(now)
    program_start "$exe"
    probe wait-window 20000 >/dev/null || die "N=$n: no main window"
    program=$(pc_process 'Orvane\.exe') || die "N=$n: Orvane.exe did not start"
    # Wine's own start-up is not the table's work.
    ticks0=$(cpu_ticks "$program")
    rm -f "$LAB_SCRATCH/stop"
    ping_until_stopped "$LAB_SCRATCH/stop" 1200 >"$LAB_SCRATCH/ping" &
    pinger=$!

    fill_rows=$(wait_for "r >= $n")
    fill_s=$(since "$start")
    ticks1=$(cpu_ticks "$program")

    probe click 1003 || die "N=$n: could not click Clear"
    clicked=$(now)
    wait_for "r < $n" >/dev/null
    refill_rows=$(wait_for "r >= $n")
    refill_s=$(since "$clicked")
    ticks2=$(cpu_ticks "$program")

    touch "$LAB_SCRATCH/stop"
    wait "$pinger"
    worst=$(cat "$LAB_SCRATCH/ping")
    printf '%6d | %6s s %9s | %7s s | %6s s %9s | %7s s | %8s ms\n' "$n" "$fill_s" "($fill_rows rows)" \
        "$(ticks_to_seconds $((ticks1 - ticks0)))" "$refill_s" "($refill_rows rows)" \
        "$(ticks_to_seconds $((ticks2 - ticks1)))" "$worst"
    program_stop
    kill "$BOXSIM_PID" 2>/dev/null
    wait "$BOXSIM_PID" 2>/dev/null
}

echo "Orvane.exe ($exe) with N boxes answering every probe"
echo "(fill: start to all rows; refill: Clear to all rows back; CPU: Orvane.exe's own seconds,"
echo " from its window's appearance and from the click on;"
echo " slowest: the longest the window took to answer a message during both)"
printf '%6s | %-20s | %-9s | %-20s | %-9s | %s\n' N fill "fill CPU" refill "refill CPU" slowest
for n in "${sizes[@]}"; do
    run_size "$n"
done
lab_cleanup
