# shellcheck shell=bash
# What the benchmarks of the running Orvane.exe share (sourced after scripts/lib.sh, once the
# test LAN, the box simulator and Xvfb are up): a Wine prefix for the program, the window
# probe, the simulator's control port, and the CPU time of processes of the PC namespace.
# shellcheck source=tests/boxsim_client.bash
source "$(dirname "${BASH_SOURCE[0]}")/../boxsim_client.bash"

# program_paths: BUILD (ORVANE_BUILD, default build/x86_64), EXE (ORVANE_EXE, default
# BUILD/Orvane.exe) and PROBE_EXE (the window probe of BUILD, of the program's pointer size);
# dies when one is missing.
program_paths() {
    BUILD=$(realpath -m "${ORVANE_BUILD:-$ORVANE_ROOT/build/x86_64}")
    EXE=$(realpath -m "${ORVANE_EXE:-$BUILD/Orvane.exe}")
    PROBE_EXE=$BUILD/tests/orvane_probe.exe
    [[ -f $EXE ]] || die "no $EXE: build it first"
    [[ -f $PROBE_EXE ]] || die "no $PROBE_EXE: build $BUILD first"
}

# program_prefix_new DIR: a prefix in DIR (a copy of ORVANE_WINE_TEMPLATE when set) whose windows
# are unmanaged (without a window manager a managed window waits 2 s for every unmap). Sets PREFIX.
program_prefix_new() {
    PREFIX=$1
    if [[ -n ${ORVANE_WINE_TEMPLATE:-} ]]; then
        wine_prefix_copy "$ORVANE_WINE_TEMPLATE" "$PREFIX" || return 1
    else
        wine_prefix_new "$LAN_PC" "$PREFIX" || return 1
    fi
    ip netns exec "$LAN_PC" env WINEPREFIX="$PREFIX" WINEDEBUG=-all DISPLAY="$XVFB_DISPLAY" \
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || return 1
    # The registry is written when the prefix's server ends.
    WINEPREFIX="$PREFIX" wineserver -w
}

# program_start EXE: a wineserver of its own for PREFIX, then EXE in the background.
program_start() {
    wine_server_start "$LAN_PC" "$PREFIX" "$XVFB_DISPLAY"
    ip netns exec "$LAN_PC" env WINEPREFIX="$PREFIX" WINEDEBUG=-all DISPLAY="$XVFB_DISPLAY" \
        wine "$1" </dev/null >/dev/null 2>&1 &
    LAB_PIDS+=("$!")
}

# program_stop: ends every Wine process of PREFIX.
program_stop() {
    WINEPREFIX="$PREFIX" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$PREFIX" wineserver -w >/dev/null 2>&1
}

# The window probe (PROBE_EXE), run in the program's prefix and namespace.
probe() {
    ip netns exec "$LAN_PC" env WINEPREFIX="$PREFIX" WINEDEBUG=-all DISPLAY="$XVFB_DISPLAY" \
        wine "$PROBE_EXE" "$@" </dev/null 2>/dev/null | tr -d '\r'
}

# boxsim_send LINE...: commands to the simulator's control port, from inside the BOX namespace;
# fails on an ERR answer or when the answers do not come.
boxsim_send() {
    ip netns exec "$LAN_BOX" bash -c "$(declare -f boxsim_talk)"'
        boxsim_talk 127.0.0.1 "$@"' boxsim_send "${BOXSIM_CONTROL##*:}" "$@"
}

# The pid of the first process of the PC namespace whose name matches the pattern. The name,
# not the command line: a Wine program may be started through start.exe, whose command line
# names the program too.
pc_process() {
    local pid
    for pid in $(ip netns pids "$LAN_PC"); do
        grep -q -- "$1" "/proc/$pid/comm" 2>/dev/null && {
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

# ticks_to_seconds TICKS
ticks_to_seconds() { awk -v t="$1" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", t / hz }'; }

# The number of rows the table holds now (empty when the window does not answer in time).
row_count() { probe row-count; }

# ping_until_stopped STOPFILE SECONDS: the window probe's ping until the stop file appears (at
# most SECONDS), in one probe process; prints the slowest answer in ms.
ping_until_stopped() {
    probe ping "$2" "Z:$1" | awk '{ print $1 }'
}
