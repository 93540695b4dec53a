#!/bin/bash
# Idle CPU of the running Orvane.exe: ROWS boxes in the table and then silent (their rows stay),
# measured with nothing selected, with one row selected and with the two top rows selected, each
# over a measuring window (30 s by default), as a percentage of one core; for 100 and for 1,000
# rows. Prints figures, asserts nothing. (What the selection watcher's pause saves is shown by
# the in-process bench: scripts/bench discovery --rows 10 --flood 0 --watcher 10.)
#
# Under Wine every message a thread sends to another thread's window goes through the
# wineserver, so the wineserver's CPU is part of what the program costs; both are printed.
#
# usage (as root): tests/bench/idle_cpu.sh [SECONDS]   (scripts/bench idle_cpu builds first)
# Environment:
#   ORVANE_BUILD          the x86_64 build with Orvane.exe and tests/orvane_probe.exe (default
#                         build/x86_64), already built
#   ORVANE_EXE            the program measured (default ORVANE_BUILD/Orvane.exe)
#   IDLE_ROWS             table sizes (default "100 1000")
#   ORVANE_WINE_TEMPLATE  a Wine prefix to copy instead of making a new one (saves ~15 s)
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

# Waits until the table holds the given number of rows.
wait_rows() {
    local rows=
    for _ in $(seq 120); do
        rows=$(row_count)
        [[ $rows == "$1" ]] && return 0
        sleep 0.5
    done
    echo "the table has ${rows:-no} rows, not $1" >&2
    return 1
}

# measure_program NAME EXE ROWS: gives the simulator ROWS boxes, starts the exe in a wineserver of
# its own, lets the table fill, silences the boxes and measures the CPU with nothing, one row
# and the two top rows selected.
measure_program() {
    local name=$1 exe=$2 rows=$3 program server idle one two
    add_boxes "$rows" || die "the box simulator did not take the boxes"
    program_start "$exe"
    probe wait-window 20000 >/dev/null || die "$name: no main window"
    wait_rows "$rows" || die "$name: the table did not fill"
    # From now on the boxes stay silent and the table keeps its rows: nothing happens but the
    # program's own idling.
    boxsim_send RESET || die "the box simulator did not take RESET"
    program=$(pc_process 'Orvane\.exe') && server=$(wineserver_process) || die "$name: Orvane.exe did not start"
    sleep 2
    idle=$(measure "$program" "$server") || die "$name: Orvane.exe ended while measured"

    probe select 0 >/dev/null || die "$name: cannot select the first row"
    sleep 1
    one=$(measure "$program" "$server") || die "$name: Orvane.exe ended while measured"

    probe select 0 1 >/dev/null || die "$name: cannot select the two top rows"
    sleep 1
    two=$(measure "$program" "$server") || die "$name: Orvane.exe ended while measured"

    printf '%-16s %5d | %s | %s | %s\n' "$name" "$rows" "$idle" "$one" "$two"
    program_stop
}

echo "Idle CPU of Orvane.exe, % of one core over $seconds s"
echo "(each column: Orvane.exe, wineserver, both)"
printf '%-16s %5s | %-20s | %-20s | %-20s\n' "program" "rows" "nothing selected" "one row selected" \
    "two top rows"
for rows in $table_sizes; do
    measure_program "$(basename "$built_exe")" "$built_exe" "$rows"
done
lab_cleanup
