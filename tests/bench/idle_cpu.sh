#!/bin/bash
# Idle CPU of the running Orvane.exe: ROWS boxes in the table and then silent (their rows stay),
# measured once per selection case (by default: nothing selected, the top row, the two top
# rows), each over a measuring window (30 s by default), as a percentage of one core; for each
# table size (by default 100 and 1,000 rows). Prints figures, asserts nothing. (What the
# selection watcher's pause saves is shown by the in-process bench:
# scripts/bench discovery --rows 10 --flood 0 --watcher 10.)
#
# Under Wine every message a thread sends to another thread's window goes through the
# wineserver, so the wineserver's CPU is part of what the program costs; both are printed.
#
# usage (as root): tests/bench/idle_cpu.sh [SECONDS]   (scripts/bench idle_cpu builds first)
# Environment:
#   ORVANE_BUILD          the build with Orvane.exe and tests/orvane_probe.exe (default
#                         build/x86_64), already built; build/i686 measures the 32-bit product
#   ORVANE_EXE            the program measured (default ORVANE_BUILD/Orvane.exe)
#   IDLE_ROWS             table sizes (default "100 1000")
#   IDLE_SELECTIONS       selection cases separated by ";", each the rows selected (top row 0)
#                         or "-1" for none (default "-1;0;0 1")
#   ORVANE_WINE_TEMPLATE  a Wine prefix to copy instead of making a new one (saves ~15 s)
# Example: IDLE_ROWS=5000 ORVANE_BUILD=build/i686 scripts/bench idle_cpu 20
set -u
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/../../scripts/lib.sh"
source "$here/wine_program.bash"
require_root
lab_traps

seconds=${1:-30}
build=$(realpath -m "${ORVANE_BUILD:-$ORVANE_ROOT/build/x86_64}")
built_exe=$(realpath -m "${ORVANE_EXE:-$build/Orvane.exe}")
table_sizes=${IDLE_ROWS:-100 1000}
IFS=';' read -r -a selections <<<"${IDLE_SELECTIONS:--1;0;0 1}"
for selection in "${selections[@]}"; do
    [[ $selection =~ ^\ *-?[0-9]+(\ +[0-9]+)*\ *$ ]] || die "IDLE_SELECTIONS: '$selection' is not a list of rows"
done
PROBE_EXE=$build/tests/orvane_probe.exe
[[ $seconds =~ ^[1-9][0-9]*$ ]] || die "SECONDS must be a whole number above 0, not '$seconds'"
[[ -f $PROBE_EXE ]] || die "no $PROBE_EXE: build $build first"

[[ -f $built_exe ]] || die "no $built_exe: build $build first"

lab_scratch_dir idlecpu
lan_up oic || die "could not make the test LAN"
boxsim_start "$LAB_SCRATCH" --boxes 0 || die "the box simulator did not start"
xvfb_start "$LAB_SCRATCH" || die "cannot start Xvfb"
program_prefix_new "$LAB_SCRATCH/pc" || die "could not make a Wine prefix"

# add_boxes N: ids 1001.., current addresses from 10.87.0.10 on (outside the BOX namespace's
# addresses, so every box answers every probe).
add_boxes() {
    local k lines=(RESET)
    for k in $(seq 0 $(($1 - 1))); do
        lines+=("ADD id=$((1001 + k)),ip=10.87.$((k / 200)).$((10 + k % 200))")
    done
    boxsim_send "${lines[@]}"
}

# Percentage of one core that each process (and both) used over the measuring window.
measure() {
    local program=$1 server=$2 p0 s0 p1 s1
    p0=$(cpu_ticks "$program") && s0=$(cpu_ticks "$server") || return 1
    sleep "$seconds"
    p1=$(cpu_ticks "$program") && s1=$(cpu_ticks "$server") || return 1
    awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz="$(getconf CLK_TCK)" -v t="$seconds" \
        'BEGIN { printf "%6.2f %6.2f %6.2f", 100*p/hz/t, 100*s/hz/t, 100*(p+s)/hz/t }'
}

# Waits until the table holds the given number of rows (a minute, and more for large tables).
wait_rows() {
    local rows=
    for _ in $(seq $((120 + $1 / 25))); do
        rows=$(row_count)
        [[ $rows == "$1" ]] && return 0
        sleep 0.5
    done
    echo "the table has ${rows:-no} rows, not $1" >&2
    return 1
}

# selection_name ROWS: "none" for -1, else "rows 0 1".
selection_name() {
    if [[ $1 =~ ^\ *-1\ *$ ]]; then echo "none"; else echo "rows" $1; fi
}

# measure_program NAME EXE ROWS: gives the simulator ROWS boxes, starts the exe in a wineserver of
# its own, lets the table fill, silences the boxes and measures the CPU for each selection case.
measure_program() {
    local name=$1 exe=$2 rows=$3 program server selection figures
    add_boxes "$rows" || die "the box simulator did not take the boxes"
    program_start "$exe"
    probe wait-window 20000 >/dev/null || die "$name: no main window"
    wait_rows "$rows" || die "$name: the table did not fill"
    # From now on the boxes stay silent and the table keeps its rows: nothing happens but the
    # program's own idling.
    boxsim_send RESET || die "the box simulator did not take RESET"
    program=$(pc_process 'Orvane\.exe') && server=$(wineserver_process) || die "$name: Orvane.exe did not start"
    # Thousands of rows take seconds after the last one arrived to be painted and settle; the
    # first case measured would otherwise show that instead of the idling.
    sleep $((2 + rows / 500))
    for selection in "${selections[@]}"; do
        # shellcheck disable=SC2086 # one argument per row
        probe select $selection >/dev/null || die "$name: cannot select $(selection_name "$selection")"
        sleep 1
        figures=$(measure "$program" "$server") || die "$name: Orvane.exe ended while measured"
        printf '%-16s %5d | %-12s | %s\n' "$name" "$rows" "$(selection_name "$selection")" "$figures"
    done
    program_stop
}

echo "Idle CPU of Orvane.exe, % of one core over $seconds s"
printf '%-16s %5s | %-12s | %s\n' "program" "rows" "selected" "Orvane.exe wineserver both"
for rows in $table_sizes; do
    measure_program "$(basename "$built_exe")" "$built_exe" "$rows"
done
lab_cleanup
