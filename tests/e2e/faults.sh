# Bad input and faults, the way an operator meets them: a recording folder that cannot be
# written, a box that vanishes while it is recorded, and a flood of 10,000 boxes answering at
# once while the operator keeps clicking. The real Orvane.exe, driven through its window.
# shellcheck source=tests/e2e/common.bash
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/operator.bash"
require_test_lan
operator_setup faults

boxsim RESET || exit 1
boxsim ADD "id=21,ip=10.86.1.14,static=10.86.1.14,mask=255.255.255.0,gw=10.86.1.254,mac=00:1a:2b:3c:4d:15,board=800" ||
    exit 1

operator_start
wait_for "box 21's row" 12 '[[ -n $(row_of 21) ]]'

echo "== a recording folder that cannot be written"
# Root ignores permission bits, so the folder is made immutable instead.
chattr +i "$APP_DIR" || fail "chattr +i is not available here"
trap 'chattr -i "$APP_DIR" 2>/dev/null; operator_cleanup' EXIT
click_row_of 21
click_control 1005
wait_for "the message about the file" 10 'probe dialog-rect Orvane 0 >/dev/null'
expect_message_text "the message names the file" 'recording file .*10\.86\.1\.14_.*\.ts'
key Return
wait_for "box 21 idle again" 5 '[[ $(row_of 21 | cut -f9) == Off ]]'
wait_for "the caption Record" 3 '[[ $(probe caption 1005) == Record ]]'
click_control 1004
wait_for "the Set dialog still opens" 5 'probe dialog-rect Set 0 >/dev/null'
key Escape
wait_for "the Set dialog closes" 5 '! probe dialog-rect Set 0 >/dev/null'
chattr -i "$APP_DIR"

echo "== a box that vanishes during a recording"
click_row_of 21
click_control 1005
wait_for "box 21 connected" 10 '[[ $(row_of 21 | cut -f9) == On ]]'
sleep 4  # a few whole blocks
boxsim DROPSTREAMS || fail "DROPSTREAMS"
wait_for "the message that the stream ended" 10 'probe dialog-rect Orvane 0 >/dev/null'
expect_message_text "the message says the box ended the stream" 'Stream ended by the box: 10\.86\.1\.14'
key Return
wait_for "box 21 idle after the stream ended" 5 '[[ $(row_of 21 | cut -f9) == Off ]]'
wait_for "the caption Record after the stream ended" 3 '[[ $(probe caption 1005) == Record ]]'
check_recordings "$APP_DIR" 1

echo "== 10,000 boxes answer at once while the operator clicks"
boxsim FLOOD 10000 100000 NEXT || fail "FLOOD"
probe ping 25 >"$WORK/ping.txt" &
ping_pid=$!
flood_deadline=$((SECONDS + 25))
clicks=0
while ((SECONDS < flood_deadline)); do
    click_control 1004
    if wait_for "the Set dialog during the flood" 5 'probe dialog-rect Set 0 >/dev/null'; then
        key Escape
        wait_for "the Set dialog closes during the flood" 5 '! probe dialog-rect Set 0 >/dev/null'
    fi
    clicks=$((clicks + 1))
    sleep 1
done
wait "$ping_pid" || fail "the window stopped answering during the flood"
read -r worst mean samples <"$WORK/ping.txt"
echo "window round trips during the flood: worst ${worst} ms, mean ${mean} ms over $samples samples, $clicks Set clicks"
[[ -n ${ORVANE_TEST_OUT:-} ]] && echo "flood: worst ${worst} ms mean ${mean} ms, rows $(probe row-count)" >>"$ORVANE_TEST_OUT/flood.txt"
awk -v w="$worst" 'BEGIN { exit !(w < 500) }' || fail "the window took ${worst} ms to answer (500 ms allowed)"
rows=$(probe row-count)
echo "rows after the flood: $rows"
((rows > 1000)) || fail "only $rows rows after a flood of 10,000 boxes"
expect_eq "one row per box" "$rows" "$(probe rows | cut -f1 | sort -u | wc -l)"
screenshot faults-flood

click_close_box
expect_exit_0
finish
