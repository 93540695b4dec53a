#!/bin/bash
# Idle CPU of the running Orvane.exe: 100 boxes in the table and then silent (their rows stay),
# first with nothing selected and then with one row selected, each over a measuring window
# (30 s by default), as a percentage of one core. Measured for the program as built and for a
# build whose selection watcher has no pause between passes (-DORVANE_WATCHER_PAUSE_MS=0).
# Prints figures, asserts nothing.
#
# Under Wine every message a thread sends to another thread's window goes through the
# wineserver, so the wineserver's CPU is part of what the program costs; both are printed.
#
# usage (as root): tests/bench/idle_cpu.sh [SECONDS]   (scripts/bench idle_cpu builds first)
# Environment:
#   ORVANE_BUILD          the x86_64 build with Orvane.exe and tests/orvane_probe.exe (default
#                         build/x86_64), already built
#   IDLE_VARIANTS         what to measure: "built" and watcher pauses in ms, each built here
#                         into IDLE_BUILD_BASE-<ms> (default "built 0")
#   IDLE_BUILD_BASE       default build/bench-pause
#   ORVANE_WINE_TEMPLATE  a Wine prefix to copy instead of making a new one (saves ~15 s)
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
require_root
lab_traps

seconds=${1:-30}
build=$(realpath -m "${ORVANE_BUILD:-$ORVANE_ROOT/build/x86_64}")
variants=${IDLE_VARIANTS:-built 0}
build_base=$(realpath -m "${IDLE_BUILD_BASE:-$ORVANE_ROOT/build/bench-pause}")
probe_exe=$build/tests/orvane_probe.exe
[[ $seconds =~ ^[1-9][0-9]*$ ]] || die "SECONDS must be a whole number above 0, not '$seconds'"
[[ -f $probe_exe ]] || die "no $probe_exe: build $build first"

# The same program with another pause between the selection watcher's passes.
build_variant() {
    local dir=$build_base-$1
    log "building a watcher with a pause of $1 ms in $dir"
    cmake -S "$ORVANE_ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ORVANE_ROOT/cmake/mingw-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF -DCMAKE_CXX_FLAGS="-DORVANE_WATCHER_PAUSE_MS=$1" \
        >/dev/null && ninja -j2 -C "$dir" Orvane >/dev/null
}

for variant in $variants; do
    if [[ $variant == built ]]; then
        [[ -f $build/Orvane.exe ]] || die "no $build/Orvane.exe: build $build first"
    elif [[ $variant =~ ^[0-9]+$ ]]; then
        build_variant "$variant" || die "the build of the $variant ms watcher failed"
    else
        die "IDLE_VARIANTS: '$variant' is neither 'built' nor a pause in ms"
    fi
done

lab_scratch_dir idlecpu
lan_up oic || die "could not make the test LAN"
boxsim_start "$LAB_SCRATCH" --boxes 0 || die "the box simulator did not start"
xvfb_start "$LAB_SCRATCH" || die "cannot start Xvfb"
prefix=$LAB_SCRATCH/pc PC_PREFIX=$prefix PC_DISPLAY=$XVFB_DISPLAY
if [[ -n ${ORVANE_WINE_TEMPLATE:-} ]]; then
    wine_prefix_copy "$ORVANE_WINE_TEMPLATE" "$prefix" || die "could not copy the Wine prefix"
else
    wine_prefix_new "$LAN_PC" "$prefix" || die "could not make a Wine prefix"
fi
# Without a window manager a managed window waits 2 s for every unmap; unmanaged ones do not.
in_pc wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 ||
    die "could not switch off Wine's window management"
# The registry is written when the prefix's server ends.
WINEPREFIX="$prefix" wineserver -w

# boxsim_send LINE...: commands to the simulator's control port, from inside the BOX namespace;
# fails on an ERR answer or when the answers do not come.
boxsim_send() {
    printf '%s\n' "$@" | ip netns exec "$LAN_BOX" bash -c '
        exec 3<>"/dev/tcp/127.0.0.1/$1" || exit 1
        count=0
        while IFS= read -r line; do
            printf "%s\n" "$line" >&3
            count=$((count + 1))
        done
        while ((count > 0)) && IFS= read -r -t 10 answer <&3; do
            case $answer in
            OK) count=$((count - 1)) ;;
            ERR*) echo "boxsim: $answer" >&2; exit 1 ;;
            esac
        done
        ((count == 0))' boxsim_send "${BOXSIM_CONTROL##*:}"
}

# The 100 boxes: ids 1001.., current addresses from the first box address of link 1 on.
add_boxes() {
    local k lines=(RESET)
    for k in $(seq 0 99); do
        lines+=("ADD id=$((1001 + k)),ip=$(lan_box_addr "$k")")
    done
    boxsim_send "${lines[@]}"
}

# The pid of the first process of the PC namespace whose command line matches the pattern.
pc_process() {
    local pid
    for pid in $(ip netns pids "$LAN_PC"); do
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q -- "$1" && {
            echo "$pid"
            return 0
        }
    done
    return 1
}

wineserver_process() {
    local pid
    for pid in $(ip netns pids "$LAN_PC"); do
        [[ $(cat "/proc/$pid/comm" 2>/dev/null) == wineserver* ]] && {
            echo "$pid"
            return 0
        }
    done
    return 1
}

# Clock ticks (user + system) a process has used so far.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# Percentage of one core that each process (and both) used over the measuring window.
measure() {
    local program=$1 server=$2 p0 s0 p1 s1
    p0=$(cpu_ticks "$program") && s0=$(cpu_ticks "$server") || return 1
    sleep "$seconds"
    p1=$(cpu_ticks "$program") && s1=$(cpu_ticks "$server") || return 1
    awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz="$(getconf CLK_TCK)" -v t="$seconds" \
        'BEGIN { printf "%6.2f %6.2f %6.2f", 100*p/hz/t, 100*s/hz/t, 100*(p+s)/hz/t }'
}

# The window probe, run in the program's prefix and namespace.
probe() {
    in_pc wine "$probe_exe" "$@" </dev/null 2>/dev/null | tr -d '\r'
}

# Waits until the table holds the given number of rows.
wait_rows() {
    local rows=
    for _ in $(seq 60); do
        rows=$(probe row-count)
        [[ $rows == "$1" ]] && return 0
        sleep 0.5
    done
    echo "the table has ${rows:-no} rows, not $1" >&2
    return 1
}

# run_variant NAME EXE: gives the simulator 100 boxes, starts the exe in a wineserver of its
# own, lets the table fill, silences the boxes and measures the CPU with nothing selected and
# with one row selected.
run_variant() {
    local name=$1 exe=$2 program server idle selected
    add_boxes || die "the box simulator did not take the boxes"
    wine_server_start "$LAN_PC" "$prefix" "$XVFB_DISPLAY"
    in_pc wine "$exe" </dev/null >/dev/null 2>&1 &
    LAB_PIDS+=("$!")
    probe wait-window 20000 >/dev/null || die "$name: no main window"
    wait_rows 100 || die "$name: the table did not fill"
    # From now on the boxes stay silent and the table keeps its rows: nothing happens but the
    # program's own idling.
    boxsim_send RESET || die "the box simulator did not take RESET"
    program=$(pc_process 'Orvane\.exe') && server=$(wineserver_process) || die "$name: Orvane.exe did not start"
    sleep 2
    idle=$(measure "$program" "$server") || die "$name: Orvane.exe ended while measured"

    probe select 0 >/dev/null || die "$name: cannot select the first row"
    sleep 1
    selected=$(measure "$program" "$server") || die "$name: Orvane.exe ended while measured"

    printf '%-28s | %s | %s\n' "$name" "$idle" "$selected"
    kill "$program" 2>/dev/null
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
}

echo "Idle CPU of Orvane.exe with 100 rows, % of one core over $seconds s"
echo "(columns: Orvane.exe, wineserver, both)"
printf '%-28s | %-20s | %-20s\n' "watcher" "nothing selected" "one row selected"
for variant in $variants; do
    if [[ $variant == built ]]; then
        run_variant "as built" "$build/Orvane.exe"
    elif [[ $variant == 0 ]]; then
        run_variant "no pause" "$build_base-0/Orvane.exe"
    else
        run_variant "pause $variant ms" "$build_base-$variant/Orvane.exe"
    fi
done
lab_cleanup
