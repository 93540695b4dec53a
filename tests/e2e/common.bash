# shellcheck shell=bash
# Helpers of the end-to-end tests (sourced by tests/e2e/*.sh; ctest runs each NAME.sh as
# `bash NAME.sh BUILD_DIR` inside the test LAN's PC namespace, with DISPLAY and WINEPREFIX set).
set -u
# shellcheck source=tests/boxsim_client.bash
source "$(dirname "${BASH_SOURCE[0]}")/../boxsim_client.bash"

BUILD_DIR=${1:?usage: $0 BUILD_DIR}
ORVANE_EXE="$BUILD_DIR/Orvane.exe"
PROBE_EXE="$BUILD_DIR/tests/orvane_probe.exe"
export WINEDEBUG=-all
ORVANE_PID=
FAILURES=0

# Orvane broadcasts from every local address: refuse to start it anywhere but in a named
# namespace whose only addresses are the test LAN's PC addresses (and loopback).
require_test_lan() {
    local addresses
    addresses=$(ip -o -4 addr show 2>/dev/null | awk '$4 !~ /^127\./ {print $4}' | sort | tr '\n' ' ')
    if [[ ${ORVANE_TEST_LAN:-} != 1 || -z $(ip netns identify $$ 2>/dev/null) ||
        $addresses != "10.86.1.1/24 10.86.2.1/24 " ]]; then
        echo "SKIP: not inside the test LAN's PC namespace (scripts/test sets it up)"
        exit 77
    fi
    [[ -f $ORVANE_EXE && -f $PROBE_EXE ]] || { echo "missing $ORVANE_EXE or $PROBE_EXE"; exit 1; }
}

fail() {
    echo "FAIL: $*"
    FAILURES=$((FAILURES + 1))
}

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
    if [[ $2 == "$3" ]]; then
        echo "ok: $1"
    else
        fail "$1: expected '$2', got '$3'"
    fi
}

# expect_near WHAT EXPECTED ACTUAL TOLERANCE
expect_near() {
    local diff=$(($3 - $2))
    if ((diff >= -$4 && diff <= $4)); then
        echo "ok: $1"
    else
        fail "$1: expected $2 (±$4), got $3"
    fi
}

# wait_for WHAT SECONDS CONDITION: polls the condition (a shell expression) until it holds.
# The condition runs in a subshell: a probe that printed Wine's complaint instead of a number
# makes an arithmetic test fail (under set -u, end that subshell), which means "not yet".
wait_for() {
    local deadline=$((SECONDS + $2))
    while ((SECONDS < deadline)); do
        (eval "$3") 2>/dev/null && {
            echo "ok: $1"
            return 0
        }
        sleep 0.2
    done
    fail "$1 (not within $2 s)"
    return 1
}

# expect_message_text WHAT PATTERN: the program's message box says PATTERN (grep -E). A box's
# window can be found a moment before its text is in it, so the text is waited for briefly.
expect_message_text() {
    local deadline=$((SECONDS + 3)) text
    while :; do
        text=$(probe dialog-text Orvane)
        grep -qE "$2" <<<"$text" && {
            echo "ok: $1"
            return 0
        }
        ((SECONDS < deadline)) || break
        sleep 0.2
    done
    fail "$1: $text"
}

# The title lists the two PC addresses (127.0.0.1 is left out) in the address table's order.
expect_lan_title() {
    local title suffix=" (Please disable firewall before scan!)"
    title=$(probe title)
    if [[ $title == "My IP: 10.86.1.1|10.86.2.1$suffix" || $title == "My IP: 10.86.2.1|10.86.1.1$suffix" ]]; then
        echo "ok: title"
    else
        fail "title: got '$title'"
    fi
}

probe() {
    wine "$PROBE_EXE" "$@" </dev/null 2>/dev/null
}

# Starts Orvane.exe under Wine and waits for its window; the process is ours to end.
start_orvane() {
    if probe wait-window 0 >/dev/null; then
        echo "another Orvane window is already open"
        exit 1
    fi
    wine "$ORVANE_EXE" </dev/null >"${TMPDIR:-/tmp}/orvane-e2e-$$.log" 2>&1 &
    ORVANE_PID=$!
    trap stop_orvane EXIT
    # A start check, not a speed goal: an emulated 32-bit Wine on a busy machine can take half a
    # minute to show a window.
    if ! probe wait-window 60000 >/dev/null; then
        echo "FAIL: the main window did not appear within 60 s"
        exit 1
    fi
}

stop_orvane() {
    if [[ -n $ORVANE_PID ]] && kill -0 "$ORVANE_PID" 2>/dev/null; then
        kill "$ORVANE_PID" 2>/dev/null
        sleep 1
        kill -0 "$ORVANE_PID" 2>/dev/null && kill -9 "$ORVANE_PID" 2>/dev/null
        wait "$ORVANE_PID" 2>/dev/null
    fi
    rm -f "${TMPDIR:-/tmp}/orvane-e2e-$$.log"
}

# Closes the window the way an operator's close box does; the process must end with code 0.
close_and_expect_exit_0() {
    probe close || fail "could not post WM_CLOSE"
    expect_exit_0
}

# The program must end within 10 s with exit code 0.
expect_exit_0() {
    local i
    for i in $(seq 100); do
        kill -0 "$ORVANE_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$ORVANE_PID" 2>/dev/null; then
        fail "the process still runs 10 s after it was closed"
        return
    fi
    wait "$ORVANE_PID"
    expect_eq "exit code after close" 0 $?
    ORVANE_PID=
}

# boxsim COMMAND...: one line to the simulator's control port; the answer lines before its
# final OK go to BOXSIM_REPLY. Fails on ERR or when no answer comes.
boxsim() {
    boxsim_talk "${ORVANE_BOXSIM%:*}" "${ORVANE_BOXSIM##*:}" "$*"
}

# A picture of the virtual display for the record (out/test/ under scripts/test).
screenshot() {
    [[ -n ${ORVANE_TEST_OUT:-} ]] && command -v import >/dev/null &&
        import -window root "$ORVANE_TEST_OUT/$1.png" 2>/dev/null
    return 0
}

finish() {
    if [[ $FAILURES -eq 0 ]]; then
        echo "PASS"
        exit 0
    fi
    echo "$FAILURES check(s) failed"
    exit 1
}
