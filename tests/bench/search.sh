#!/bin/bash
# Searching networks behind a router, through the real Orvane.exe on the test LAN: far boxes in
# the FAR namespace behind the router, which answer only probes sent to their own address.
# Driven through the window as an operator does (Ctrl+F, the ranges typed, Search clicked) on a
# Wine virtual desktop. Two cases:
#   block: 4,096 addresses (LAN_FAR_BLOCK) holding 300 boxes spread over it; RUNS runs, each with
#          a fresh program (goals: within 10 s, all 300 found in every run)
#   sweep: 65,536 addresses (LAN_FAR_ALL) with the same 300 boxes, once (goal: within 140 s)
# Prints per run: seconds from the click on Search to the dialog's final status, the boxes found
# (rows of far boxes; the status's count beside them), the most probes the far side received
# within any second (goal <= 1,000), the window's slowest answer to a message during the search
# (goal <= 100 ms; WM_NULL sent every 20 ms by one window probe process for the whole search),
# and the CPU seconds of Orvane.exe and of the wineserver (which carries Wine's socket calls)
# during the search.
# Prints figures, asserts nothing.
#
# usage (as root): tests/bench/search.sh [block|sweep...]   (scripts/bench search builds the
#   x86_64 build first; ORVANE_BUILD=build/i686 scripts/bench search measures the product, once
#   build/i686 is built with its tests, as scripts/test does)
# Environment:
#   ORVANE_BUILD          the build with tests/orvane_probe.exe (default build/x86_64; build/i686
#                         for the product, whose list the 32-bit probe must read)
#   ORVANE_EXE            the program to measure (default ORVANE_BUILD/Orvane.exe)
#   RUNS                  runs of the block case (default 10)
#   ORVANE_WINE_TEMPLATE  a Wine prefix to copy instead of making a new one (saves ~15 s)
set -u
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/../../scripts/lib.sh"
source "$here/wine_program.bash"
require_root
lab_traps

program_paths
runs=${RUNS:-10}
cases=("$@")
[[ ${#cases[@]} -gt 0 ]] || cases=(block sweep)
command -v xdotool >/dev/null || die "xdotool is needed"
resource_id() { awk -v name="$1" '$1 == "#define" && $2 == name { print $3 }' "$ORVANE_ROOT/app/resource.h"; }
STATUS_ID=$(resource_id IDC_SEARCH_STATUS)
[[ -n $STATUS_ID ]] || die "no IDC_SEARCH_STATUS in app/resource.h"
DIALOG="Search networks"
BOX_COUNT=300
SEARCH_TIMEOUT_S=400

lab_scratch_dir search
lan_up osb || die "could not make the test LAN"
xvfb_start "$LAB_SCRATCH" || die "cannot start Xvfb"
program_prefix_new "$LAB_SCRATCH/pc" || die "could not make a Wine prefix"
# A virtual desktop: the program's windows take the keyboard focus as on Windows, so that
# xdotool's keys reach them.
for value in 'HKCU\Software\Wine\Explorer /v Desktop /d Default' \
    'HKCU\Software\Wine\Explorer\Desktops /v Default /d 1200x800'; do
    # shellcheck disable=SC2086
    ip netns exec "$LAN_PC" env WINEPREFIX="$PREFIX" WINEDEBUG=-all DISPLAY="$XVFB_DISPLAY" \
        wine reg add $value /f </dev/null >/dev/null 2>&1 || die "cannot set up the virtual desktop"
done
WINEPREFIX="$PREFIX" wineserver -w
export DISPLAY=$XVFB_DISPLAY

# The 300 far boxes, spread over the 4,096-address block at a step of 13 addresses.
block_base=${LAN_FAR_BLOCK%/*}
IFS=. read -r b1 b2 b3 b4 <<<"$block_base"
base_number=$(((b1 << 24) | (b2 << 16) | (b3 << 8) | b4))
box_args=()
for ((k = 0; k < BOX_COUNT; k++)); do
    n=$((base_number + 7 + 13 * k))
    box_args+=(--box "id=$((50001 + k)),ip=$((n >> 24 & 255)).$((n >> 16 & 255)).$((n >> 8 & 255)).$((n & 255))")
done
far_boxsim_start "$LAB_SCRATCH" --boxes 0 "${box_args[@]}" || die "the far box simulator did not start"

# far_command LINE: one command to the far simulator; prints its answer lines before OK.
far_command() {
    ip netns exec "$LAN_PC" bash -c '
        exec 3<>"/dev/tcp/${1%:*}/${1##*:}" || exit 1
        printf "%s\n" "$2" >&3
        while IFS= read -r -t 10 line <&3; do
            case $line in OK) exit 0 ;; ERR*) echo "boxsim: $line" >&2; exit 1 ;; esac
            echo "$line"
        done
        exit 1' far_command "$FAR_BOXSIM_CONTROL" "$1"
}
field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$2"; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
status() { probe dialog-text "$DIALOG" | awk -F'\t' -v id="$STATUS_ID" '$1 == id { print $2 }'; }
is_final() { [[ $1 == *"addresses probed"* && $1 == *"boxes answered"* ]]; }
click_centre() {
    local left top right bottom
    read -r left top right bottom <<<"$1"
    xdotool mousemove --sync $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
}

# search_once NAME RANGE: a fresh program, one search of RANGE; prints one line of figures.
search_once() {
    local name=$1 range=$2 program server started text= seconds rows answered summary pinger worst
    local ticks0 ticks1 server0 server1 before
    far_command CLEAR >/dev/null || die "the far simulator does not answer"
    program_start "$EXE"
    probe wait-window 30000 >/dev/null || die "$name: no main window"
    program=$(pc_process 'Orvane\.exe') || die "$name: Orvane.exe did not start"
    server=$(wineserver_process) || die "$name: no wineserver"
    sleep 1
    # The window is the desktop's foreground window: a click on its list, then Ctrl+F.
    click_centre "$(probe screen-rect 1001)"
    xdotool key --clearmodifiers ctrl+f
    for _ in $(seq 50); do
        probe dialog-rect "$DIALOG" 0 >/dev/null && break
        sleep 0.2
    done
    probe dialog-rect "$DIALOG" 0 >/dev/null || die "$name: Ctrl+F opened no '$DIALOG' dialog"
    xdotool type --delay 20 "$range"
    sleep 0.3

    # The same measure for 3 s before the search: what the machine's load alone costs the window.
    before=$(probe ping 3 | awk '{ print $1 }')
    rm -f "$LAB_SCRATCH/stop"
    ping_until_stopped "$LAB_SCRATCH/stop" "$SEARCH_TIMEOUT_S" >"$LAB_SCRATCH/ping" &
    pinger=$!
    sleep 2  # the probe's own start is not the search's
    ticks0=$(cpu_ticks "$program")
    server0=$(cpu_ticks "$server")
    click_centre "$(probe dialog-rect "$DIALOG" 1)"
    started=$(now)
    local deadline=$((SECONDS + SEARCH_TIMEOUT_S))
    while ((SECONDS < deadline)); do
        text=$(status)
        is_final "$text" && break
        sleep 0.2
    done
    seconds=$(since "$started")
    ticks1=$(cpu_ticks "$program")
    server1=$(cpu_ticks "$server")
    touch "$LAB_SCRATCH/stop"
    wait "$pinger"
    worst=$(cat "$LAB_SCRATCH/ping")
    is_final "$text" || seconds=">$SEARCH_TIMEOUT_S"
    answered=$(grep -oE '[0-9][0-9,]* boxes answered' <<<"$text" | tr -dc 0-9)
    rows=$(probe rows | awk -F'\t' '$1 > 50000 && $1 <= 50000 + n' n=$BOX_COUNT | cut -f1 | sort -u | wc -l)
    summary=$(far_command PROBES | tail -n1)
    printf '%-6s | %8s s | %4s of %d (status %4s) | %6s | %8s | %8s ms | %8s ms | %6s s | %6s s\n' "$name" \
        "$seconds" "$rows" "$BOX_COUNT" "${answered:-?}" "$(field addresses "$summary")" "$(field peak "$summary")" \
        "$worst" "$before" "$(ticks_to_seconds $((ticks1 - ticks0)))" "$(ticks_to_seconds $((server1 - server0)))"
    program_stop
}

echo "Orvane.exe ($EXE): searching far networks behind the test LAN's router, $BOX_COUNT far boxes"
echo "in $LAN_FAR_BLOCK (block: its 4,096 addresses, $runs runs; sweep: $LAN_FAR_ALL, 65,536 addresses)"
echo "(seconds: Search clicked to the final status; found: rows of far boxes; probed: distinct"
echo " addresses the far side received; peak: most probes within any second there; slowest: the"
echo " window's longest answer to a message during the search; before: the same in the 3 s"
echo " before it, the machine's own noise; CPU: Orvane.exe, wineserver)"
printf '%-6s | %10s | %-25s | %6s | %8s | %11s | %11s | %8s | %8s\n' case seconds found probed "peak/s" slowest \
    before "CPU exe" "CPU srv"
for case in "${cases[@]}"; do
    case $case in
    block)
        for ((run = 1; run <= runs; run++)); do search_once block "$LAN_FAR_BLOCK"; done
        ;;
    sweep) search_once sweep "$LAN_FAR_ALL" ;;
    *) die "no case '$case' (block, sweep)" ;;
    esac
done
lab_cleanup
