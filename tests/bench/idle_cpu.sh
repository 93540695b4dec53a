#!/bin/bash
# Idle CPU of the running Orvane.exe: 100 boxes in the table and then silent (their rows stay),
# first with nothing selected and then with one row selected, each over a measuring window
# (30 s by default), as a percentage of one core. Measured for the program as built and for a
# build whose selection watcher has no pause between passes (-DORVANE_WATCHER_PAUSE_MS=0).
#
# Under Wine every message a thread sends to another thread's window goes through the
# wineserver, so the wineserver's CPU is part of what the program costs; both are printed.
#
# Runs as root on its own private LAN (network namespaces <prefix>pc / <prefix>box joined by
# veth, the test LAN's addresses), its own Xvfb display and its own Wine prefix, and removes
# them all when it ends.
#
# usage: tests/bench/idle_cpu.sh [seconds]
# environment: ORVANE_BUILD      build directory of the program as built (default build/x86_64)
#              IDLE_VARIANTS     what to measure: "built" and watcher pauses in ms, each built
#                                into <IDLE_BUILD_BASE>-<ms> (default "built 0")
#              IDLE_BUILD_BASE   default build/bench-pause
#              IDLE_PREFIX       namespace and interface prefix (default idl)
#              IDLE_DISPLAY      Xvfb display number (default 79)
#              WINE_TEMPLATE     Wine prefix to copy (default /tmp/wine-template; a fresh one
#                                is made when it does not exist)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_PER_RUN=${1:-30}
BUILD=$(realpath -m "${ORVANE_BUILD:-$ROOT/build/x86_64}")
VARIANTS=${IDLE_VARIANTS:-built 0}
BUILD_BASE=$(realpath -m "${IDLE_BUILD_BASE:-$ROOT/build/bench-pause}")
P=${IDLE_PREFIX:-idl}
PC=${P}pc
BOX=${P}box
DISPLAY_NUMBER=${IDLE_DISPLAY:-79}
TEMPLATE=${WINE_TEMPLATE:-/tmp/wine-template}
WORK=$(mktemp -d /tmp/idle-cpu.XXXXXX)
PREFIX=$WORK/wine
BOXSIM=$ROOT/build/native/boxsim
PROBE=$BUILD/tests/orvane_probe.exe
CLK_TCK=$(getconf CLK_TCK)

XVFB_PID=
BOXSIM_PID=
PROGRAM_PID=

log() { echo "idle_cpu: $*" >&2; }

cleanup() {
    set +e
    [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null
    [ -d "$PREFIX" ] && WINEPREFIX=$PREFIX wineserver -k 2>/dev/null
    [ -n "$BOXSIM_PID" ] && kill "$BOXSIM_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    ip netns del "$PC" 2>/dev/null
    ip netns del "$BOX" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

build_programs() {
    if [ ! -x "$BUILD/Orvane.exe" ] || [ ! -f "$PROBE" ]; then
        log "building $BUILD"
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release >/dev/null
        ninja -j2 -C "$BUILD" Orvane orvane_probe >/dev/null
    fi
    for variant in $VARIANTS; do
        [ "$variant" = built ] && continue
        log "building a watcher with a pause of $variant ms in $BUILD_BASE-$variant"
        cmake -S "$ROOT" -B "$BUILD_BASE-$variant" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF -DCMAKE_CXX_FLAGS="-DORVANE_WATCHER_PAUSE_MS=$variant" >/dev/null
        ninja -j2 -C "$BUILD_BASE-$variant" Orvane >/dev/null
    done
    if [ ! -x "$BOXSIM" ]; then
        log "building the box simulator"
        mkdir -p "$(dirname "$BOXSIM")"
        (cd "$ROOT" && g++ -std=c++17 -O2 -pthread -I. tools/boxsim/*.cpp -o "$BOXSIM")
    fi
}

make_lan() {
    ip netns add "$PC"
    ip netns add "$BOX"
    for ns in "$PC" "$BOX"; do
        ip -n "$ns" link set lo up
        ip netns exec "$ns" sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
    done
    for link in 1 2; do
        ip link add "${P}p$link" type veth peer name "${P}b$link"
        ip link set "${P}p$link" netns "$PC"
        ip link set "${P}b$link" netns "$BOX"
        ip -n "$PC" addr add "10.86.$link.1/24" dev "${P}p$link"
        ip -n "$BOX" addr add "10.86.$link.10/24" dev "${P}b$link"
        ip -n "$PC" link set "${P}p$link" up
        ip -n "$BOX" link set "${P}b$link" up
    done
}

# The Linux process of the program under Wine (its command line names the exe).
program_pid() {
    for pid in $(pgrep -f 'Orvane\.exe' || true); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$PREFIX"; then
            echo "$pid"
            return
        fi
    done
}

wineserver_pid() {
    for pid in $(pgrep wineserver || true); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$PREFIX"; then
            echo "$pid"
            return
        fi
    done
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# Percentage of one core that each process used over the measuring window.
measure() {
    local program=$1 server=$2
    local p0 s0 p1 s1
    p0=$(cpu_ticks "$program"); s0=$(cpu_ticks "$server")
    sleep "$SECONDS_PER_RUN"
    p1=$(cpu_ticks "$program"); s1=$(cpu_ticks "$server")
    awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz="$CLK_TCK" -v t="$SECONDS_PER_RUN" \
        'BEGIN { printf "%6.2f %6.2f %6.2f", 100*p/hz/t, 100*s/hz/t, 100*(p+s)/hz/t }'
}

# The window probe, run in the program's prefix and namespace.
probe() {
    ip netns exec "$PC" env WINEPREFIX="$PREFIX" WINEDEBUG=-all DISPLAY=:$DISPLAY_NUMBER \
        wine "$PROBE" "$@" </dev/null 2>/dev/null | tr -d '\r'
}

# Waits until the table holds the given number of rows.
wait_rows() {
    local rows=
    for _ in $(seq 60); do
        rows=$(probe row-count || true)
        [ "$rows" = "$1" ] && return 0
        sleep 0.5
    done
    log "the table has ${rows:-no} rows, not $1"
    return 1
}

# Starts the box simulator with 100 boxes and the exe, lets the table fill, silences the
# boxes and measures the CPU with nothing selected and with one row selected.
run_variant() {
    local name=$1 exe=$2
    ip netns exec "$BOX" "$BOXSIM" --boxes 100 --ip 10.86.1.10 --log "$WORK/boxsim.log" </dev/null >/dev/null 2>&1 &
    BOXSIM_PID=$!
    sleep 1
    ip netns exec "$PC" env WINEPREFIX="$PREFIX" WINEDEBUG=-all wineserver -p </dev/null >/dev/null 2>&1
    ip netns exec "$PC" env WINEPREFIX="$PREFIX" WINEDEBUG=-all DISPLAY=:$DISPLAY_NUMBER \
        wine "$exe" </dev/null >/dev/null 2>&1 &
    probe wait-window 20000 >/dev/null || { log "no main window"; exit 1; }
    wait_rows 100 || exit 1
    # From now on the boxes stay silent and the table keeps its rows: nothing happens but the
    # program's own idling.
    ip netns exec "$BOX" bash -c 'exec 3<>/dev/tcp/127.0.0.1/7000; echo RESET >&3; head -1 <&3' >/dev/null
    PROGRAM_PID=$(program_pid)
    local server
    server=$(wineserver_pid)
    [ -n "$PROGRAM_PID" ] && [ -n "$server" ] || { log "Orvane.exe did not start"; exit 1; }
    sleep 2
    local idle selected
    idle=$(measure "$PROGRAM_PID" "$server")

    probe select 0 >/dev/null || { log "cannot select the first row"; exit 1; }
    sleep 1
    selected=$(measure "$PROGRAM_PID" "$server")

    printf '%-28s | %s | %s\n' "$name" "$idle" "$selected"
    kill "$PROGRAM_PID" 2>/dev/null || true
    kill "$BOXSIM_PID" 2>/dev/null || true
    BOXSIM_PID=
    PROGRAM_PID=
    WINEPREFIX=$PREFIX wineserver -k 2>/dev/null || true
    sleep 1
}

[ "$(id -u)" = 0 ] || { echo "idle_cpu.sh needs root (network namespaces)" >&2; exit 1; }
build_programs
make_lan
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
if [ -d "$TEMPLATE" ]; then
    cp -a "$TEMPLATE" "$PREFIX"
else
    ip netns exec "$PC" env WINEPREFIX="$PREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        DISPLAY=:$DISPLAY_NUMBER wineboot -i </dev/null >/dev/null 2>&1
fi
# Without a window manager a managed window waits 2 s for every unmap; unmanaged ones do not.
ip netns exec "$PC" env WINEPREFIX="$PREFIX" WINEDEBUG=-all \
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
WINEPREFIX=$PREFIX wineserver -k 2>/dev/null || true

echo "Idle CPU of Orvane.exe with 100 rows, % of one core over $SECONDS_PER_RUN s"
echo "(columns: Orvane.exe, wineserver, both)"
printf '%-28s | %-20s | %-20s\n' "watcher" "nothing selected" "one row selected"
for variant in $VARIANTS; do
    if [ "$variant" = built ]; then
        run_variant "as built" "$BUILD/Orvane.exe"
    elif [ "$variant" = 0 ]; then
        run_variant "no pause" "$BUILD_BASE-0/Orvane.exe"
    else
        run_variant "pause $variant ms" "$BUILD_BASE-$variant/Orvane.exe"
    fi
done
