# The window at 96, 144 and 192 DPI (100%, 150%, 200%). For each, a Wine prefix of its own
# with that system DPI (HKCU\Control Panel\Desktop LogPixels, read when a program starts)
# runs the window tests of the real main dialog and the Set dialog (size, layout, buttons
# inside the client area and apart, column headers and widths, address and MAC texts that
# fit their columns), then the real Orvane.exe: its outer size must be 880 x 400 scaled by
# DPI / 96, and a screenshot of it with a box's row goes to out/test/.
# shellcheck source=tests/e2e/common.bash
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
require_test_lan

TESTS_EXE="$BUILD_DIR/tests/orvane_tests.exe"
[[ -f $TESTS_EXE ]] || { echo "missing $TESTS_EXE"; exit 1; }
[[ -n ${ORVANE_WINE_TEMPLATE:-} && -d $ORVANE_WINE_TEMPLATE ]] || {
    echo "ORVANE_WINE_TEMPLATE does not name a Wine prefix"
    exit 1
}
WORK=$(mktemp -d /tmp/orvane-dpi.XXXXXX)
XVFB_PID=
dpi_cleanup() {
    stop_orvane
    [[ -n ${WINEPREFIX:-} && $WINEPREFIX == "$WORK"/* ]] && wineserver -k 2>/dev/null && wineserver -w 2>/dev/null
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap dpi_cleanup EXIT

# A display of its own as large as a 200% laptop's (3840 x 2160), so that the window at 192
# DPI (1760 x 800) fits on it as it would there.
for n in $(seq 300 399); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 3840x2160x24 -nolisten tcp </dev/null >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
        [[ -e /tmp/.X11-unix/X$n ]] && break
        sleep 0.1
    done
    if kill -0 "$XVFB_PID" 2>/dev/null && [[ -e /tmp/.X11-unix/X$n ]]; then
        export DISPLAY=:$n
        break
    fi
    XVFB_PID=
done
[[ -n $XVFB_PID ]] || { echo "no display for the DPI tests"; exit 1; }

WINDOW_TESTS='MainWindowTest.*:SetDialogLayout.*'

for dpi in 96 144 192; do
    echo "== $dpi DPI"
    export WINEPREFIX=$WORK/prefix-$dpi
    cp -a "$ORVANE_WINE_TEMPLATE" "$WINEPREFIX"
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w 2>/dev/null
    # A server started without our output, so that nothing the tests start holds ctest's pipe.
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1

    wine "$TESTS_EXE" --gtest_filter="$WINDOW_TESTS" </dev/null >"$WORK/gtest-$dpi.log" 2>&1
    status=$?
    grep -E '^\[  (PASSED|FAILED|SKIPPED) ' "$WORK/gtest-$dpi.log"
    passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$WORK/gtest-$dpi.log")
    if [[ $status -ne 0 || ${passed:-0} -lt 9 ]] || grep -q '^\[  SKIPPED \]' "$WORK/gtest-$dpi.log"; then
        fail "window tests at $dpi DPI (exit code $status)"
        grep -E 'Failure|error|Expected|Which is|at [0-9]+ DPI|FAILED' "$WORK/gtest-$dpi.log" | head -n 40
    fi

    boxsim RESET && boxsim ADD "id=41,ip=10.86.1.15,static=192.168.100.200,mask=255.255.255.0,gw=192.168.1.254,mac=aa:bb:cc:0d:ee:ff,board=1302" ||
        fail "boxsim ADD"
    start_orvane
    trap dpi_cleanup EXIT  # start_orvane put its own in place; ours ends the program too
    read -r left top right bottom < <(probe window-rect)
    expect_eq "outer size at $dpi DPI" "$((880 * dpi / 96)) $((400 * dpi / 96))" "$((right - left)) $((bottom - top))"
    wait_for "box 41's row at $dpi DPI" 12 '[[ $(probe row-count) -ge 1 ]]'
    sleep 0.5
    screenshot "dpi-$dpi"
    close_and_expect_exit_0
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$WINEPREFIX"
done
finish
