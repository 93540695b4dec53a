# The operator's acceptance run: the real Orvane.exe on a Wine virtual desktop (so the window
# has its frame and close box), driven only by mouse clicks and key presses on the display,
# against simulated boxes on the test LAN. It is checked through what the window shows and
# what the program leaves behind: recording files, what the boxes received, the arguments the
# stand-in browser and Explorer were started with, and the exit code.
# shellcheck source=tests/e2e/common.bash
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/operator.bash"
require_test_lan
operator_setup acceptance

# Four boxes: two on the first link, one on the second, one in a subnet no local address covers.
boxsim RESET || exit 1
boxsim ADD "id=7,ip=10.86.1.11,static=10.86.1.11,mask=255.255.255.0,gw=10.86.1.254,mac=00:1a:2b:3c:4d:07,board=1302" &&
    boxsim ADD "id=9,ip=10.86.1.12,static=10.86.1.12,mask=255.255.255.0,gw=10.86.1.254,mac=00:1a:2b:3c:4d:09,board=100" &&
    boxsim ADD "id=11,ip=10.86.2.10,static=10.86.2.10,mask=255.255.255.0,gw=10.86.2.254,mac=00:1a:2b:3c:4d:0b,board=1000" &&
    boxsim ADD "id=13,ip=172.20.5.10,static=172.20.5.10,mask=255.255.255.0,gw=172.20.5.1,mac=00:1a:2b:3c:4d:0d,board=5000" ||
    exit 1

operator_start

echo "== the title lists the local addresses"
expect_lan_title

echo "== the boxes appear"
wait_for "four rows" 8 '[[ $(probe row-count) -ge 4 ]]'
expect_eq "box 9's row" "9	10.86.1.12	10.86.1.12	255.255.255.0	10.86.1.254	00:1a:2b:3c:4d:09	Off" \
    "$(row_of 9 | cut -f1,3-7,9)"
expect_eq "box 13's row" "13	172.20.5.10	172.20.5.10	255.255.255.0	172.20.5.1	00:1a:2b:3c:4d:0d	Off" \
    "$(row_of 13 | cut -f1,3-7,9)"
screenshot accept-table

echo "== a box found later comes on top"
boxsim ADD "id=15,ip=10.86.1.13,static=10.86.1.13,mask=255.255.255.0,gw=10.86.1.254,mac=00:1a:2b:3c:4d:0f,board=200" ||
    fail "ADD box 15"
wait_for "box 15's row" 15 '[[ -n $(row_of 15) ]]'
expect_eq "the newest box is the top row" 15 "$(probe rows | head -n1 | cut -f1)"

echo "== Set: cancel in the dialog, cancel in the warning, an invalid address, then OK"
click_row_of 7
boxsim CLEAR
click_control 1004
wait_for "the Set dialog" 5 'probe dialog-rect Set 0 >/dev/null'
screenshot accept-set-dialog
expect_eq "the Set dialog's fields" "133	10.86.1.11 134	255.255.255.0 135	10.86.1.254 137	7 " \
    "$(probe dialog-text Set | sort -n | grep -E '^13[3457]	' | tr '\n' ' ')"
key Escape
wait_for "the Set dialog to close" 5 '! probe dialog-rect Set 0 >/dev/null'

click_control 1004
wait_for "the Set dialog again" 5 'probe dialog-rect Set 0 >/dev/null'
replace_focused_text "10.86.1.300"
key Return
wait_for "the refusal message" 5 'probe dialog-rect Orvane 0 >/dev/null'
expect_message_text "the refusal names the field" 'Lan IP'
key Return
wait_for "the refusal to close" 5 '! probe dialog-rect Orvane 0 >/dev/null'
probe dialog-rect Set 0 >/dev/null || fail "the Set dialog stays open after a refusal"
replace_focused_text "10.86.1.21"
key Return
wait_for "the confirmation" 5 'probe dialog-rect "Warning!!!" 0 >/dev/null'
key Escape
wait_for "the confirmation to close" 5 '! probe dialog-rect "Warning!!!" 0 >/dev/null'
sleep 1
expect_eq "datagrams sent by the cancelled and refused attempts" 0 "$(set_datagrams_seen)"

click_control 1004
wait_for "the Set dialog a third time" 5 'probe dialog-rect Set 0 >/dev/null'
replace_focused_text "10.86.1.21"
key Return
wait_for "the confirmation again" 5 'probe dialog-rect "Warning!!!" 0 >/dev/null'
row_before=$(row_index_of 7)
key Return
wait_for "ten set datagrams (5 passes x 2 addresses)" 10 '[[ $(set_datagrams_seen) -ge 10 ]]'
sleep 1
expect_eq "set datagrams" 10 "$(set_datagrams_seen)"
wait_for "box 7 to announce its new static address" 15 '[[ $(row_of 7 | cut -f4) == 10.86.1.21 ]]'
expect_eq "box 7 refreshed in place" "$row_before" "$(row_index_of 7)"

echo "== the web page: in the subnet at once, outside it after a warning"
double_click_row_of 9
wait_for "the browser for box 9" 10 'grep -q "http://10.86.1.12/" "$LAUNCH_LOG"'
probe dialog-rect "Warning!!!" 0 >/dev/null && fail "a warning for a box in the subnet"
double_click_row_of 13
wait_for "the subnet warning" 5 'probe dialog-rect "Warning!!!" 0 >/dev/null'
probe dialog-text "Warning!!!" | grep -q "The device is in a different subnet!" || fail "warning text"
key Return
# Adding an address needs rights that Wine does not grant: the program says so, then opens the page.
wait_for "the alias message" 5 'probe dialog-rect Orvane 0 >/dev/null'
key Return
wait_for "the browser for box 13" 10 'grep -q "http://172.20.5.10/" "$LAUNCH_LOG"'

echo "== Record, a second recording, Stop, Record Files, Clear"
click_row_of 9
click_control 1005
wait_for "box 9 connected" 10 '[[ $(row_of 9 | cut -f9) == On ]]'
wait_for "the caption Stop" 3 '[[ $(probe caption 1005) == Stop ]]'
click_row_of 11
click_control 1005
wait_for "box 11 connected" 10 '[[ $(row_of 11 | cut -f9) == On ]]'
sleep 4  # a few blocks of each stream
expect_eq "a recording row is light blue" "204,232,255" "$(row_colour_of 9)"
screenshot accept-recording
click_row_of 9
wait_for "the caption Stop for box 9" 3 '[[ $(probe caption 1005) == Stop ]]'
click_control 1005
wait_for "box 9 stopped" 5 '[[ $(row_of 9 | cut -f9) == Off ]]'
wait_for "the caption Record" 3 '[[ $(probe caption 1005) == Record ]]'
sleep 2  # the recorder finishes the block it waits for
click_control 1006
box9_file=$(ls -t "$APP_DIR"/10.86.1.12_*.ts 2>/dev/null | head -n1)
wait_for "Explorer with box 9's file selected" 10 'grep -q "^/select,.*10.86.1.12_.*\.ts" "$LAUNCH_LOG"'
[[ -n $box9_file ]] || fail "no recording file for box 9"
expect_eq "Explorer's parameters" "/select,$(wine winepath -w "$box9_file" 2>/dev/null | tr -d '\r')" \
    "$(grep '^/select,' "$LAUNCH_LOG" | tail -n1 | tr -d '\r')"
click_control 1003
wait_for "Clear keeps the recorded box only" 5 '[[ $(probe row-count) -eq 1 ]]'
# The boxes may answer the next probe before the rows are read: they come back on top, so the
# row Clear kept is the bottom one.
expect_eq "the row left after Clear" 11 "$(probe rows | tail -n1 | cut -f1)"

echo "== the close box ends the program with exit code 0"
click_close_box
expect_exit_0

echo "== the recordings hold whole blocks of a valid transport stream"
check_recordings "$APP_DIR" 2
finish
