# Recording in any folder: the real Orvane.exe in a folder whose name no single ANSI code page
# holds (Chinese and Cyrillic letters) records a box into a file in that folder, named as
# always, and Record Files has Explorer select that very file. Driven through the window.
# shellcheck source=tests/e2e/common.bash
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/operator.bash"
require_test_lan
# Wine reads Unix file names in the locale's character set: UTF-8, whoever runs the test.
export LC_ALL=C.UTF-8
operator_setup anyfolder "录像_видео"

boxsim RESET || exit 1
boxsim ADD "id=31,ip=10.86.1.15,static=10.86.1.15,mask=255.255.255.0,gw=10.86.1.254,mac=00:1a:2b:3c:4d:1f,board=800" ||
    exit 1

operator_start
wait_for "box 31's row" 12 '[[ -n $(row_of 31) ]]'

echo "== Record in a folder named outside the ANSI code page"
click_row_of 31
click_control 1005
wait_for "box 31 connected" 10 '[[ $(row_of 31 | cut -f9) == On ]]'
recording() { ls "$APP_DIR"/10.86.1.15_*.ts 2>/dev/null | head -n1; }
wait_for "a whole block in the recording" 15 '[[ -n $(recording) && $(stat -c %s "$(recording)") -ge 524288 ]]'
probe dialog-rect Orvane 0 >/dev/null && fail "a message: $(probe dialog-text Orvane)"
file=$(recording)
[[ $(basename "$file") =~ ^10\.86\.1\.15_[0-9]{8}_[0-9]{6}\.ts$ ]] || fail "the file's name: $(basename "$file")"
click_control 1005
wait_for "box 31 stopped" 5 '[[ $(row_of 31 | cut -f9) == Off ]]'

echo "== Record Files selects that file"
sleep 2  # the recorder finishes the block it waits for
click_control 1006
wait_for "Explorer with a file selected" 10 'grep -q "^/select," "$LAUNCH_LOG"'
# Wine shows the Unix file system as drive Z:.
expect_eq "Explorer's parameters" "/select,Z:${file//\//\\}" "$(grep '^/select,' "$LAUNCH_LOG" | tail -n1 | tr -d '\r')"
expect_eq "recordings in the folder" 1 "$(ls "$APP_DIR"/*.ts | wc -l)"

click_close_box
expect_exit_0
check_recordings "$APP_DIR" 1
finish
