# The disk stays usable: with the program in a folder of its own on a small volume (a 64 MiB
# tmpfs, so that less than 5% of it free is "nearly full"), Record refuses to start while the
# disk is nearly full, a running recording ends with a message when it becomes so (its file
# keeping whole blocks), also while the box's stream is paused or slow, and Record works
# again once space is freed. The real Orvane.exe, driven through its window.
# shellcheck source=tests/e2e/common.bash
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/operator.bash"
require_test_lan
operator_setup diskfull app 64m

boxsim RESET || exit 1
boxsim ADD "id=41,ip=10.86.1.16,static=10.86.1.16,mask=255.255.255.0,gw=10.86.1.254,mac=00:1a:2b:3c:4d:29,board=800" ||
    exit 1

BLOCK=524288
free_bytes() { df -B1 --output=avail "$APP_DIR" | tail -n1 | tr -d ' '; }
# fill_leaving BYTES: a filler file takes all but BYTES of the folder's free space.
fill_leaving() {
    local size=$(($(free_bytes) - $1))
    ((size > 0)) && fallocate -l "$size" "$APP_DIR/filler.bin" || fail "cannot fill the disk"
}
recordings() { ls "$APP_DIR"/*.ts 2>/dev/null; }
newest_recording() { ls -t "$APP_DIR"/*.ts 2>/dev/null | head -n1; }
dismiss_message() {
    key Return
    wait_for "$1: the message closes" 5 '! probe dialog-rect Orvane 0 >/dev/null'
}

operator_start
wait_for "box 41's row" 12 '[[ -n $(row_of 41) ]]'
click_row_of 41

echo "== Record refuses while the disk is nearly full"
fill_leaving $((2 * 1024 * 1024))
click_control 1005
wait_for "a message" 10 'probe dialog-rect Orvane 0 >/dev/null'
expect_message_text "the message says the disk is nearly full" 'disk is nearly full'
dismiss_message "refused"
expect_eq "box 41 not recorded" Off "$(row_of 41 | cut -f9)"
expect_eq "the caption Record" Record "$(probe caption 1005)"
expect_eq "no recording file" "" "$(recordings)"

echo "== once space is freed Record works; the recording ends when the disk fills up"
rm -f "$APP_DIR/filler.bin"
click_control 1005
wait_for "box 41 connected" 10 '[[ $(row_of 41 | cut -f9) == On ]]'
wait_for "two whole blocks" 20 '(($(stat -c %s "$(newest_recording)") >= 2 * BLOCK))'
first=$(newest_recording)
fill_leaving $((1024 * 1024))
wait_for "a message" 10 'probe dialog-rect Orvane 0 >/dev/null'
expect_message_text "the message says the disk is nearly full, naming the box" 'disk is nearly full.*10\.86\.1\.16'
dismiss_message "ended"
wait_for "box 41 idle" 5 '[[ $(row_of 41 | cut -f9) == Off ]]'
wait_for "the caption Record" 3 '[[ $(probe caption 1005) == Record ]]'
expect_eq "the file is whole blocks" 0 $(($(stat -c %s "$first") % BLOCK))
free=$(free_bytes)
((free >= BLOCK)) || fail "the recording filled the disk: $free bytes free"

echo "== Record works again once space is freed"
rm -f "$APP_DIR/filler.bin"
click_control 1005
wait_for "box 41 connected again" 10 '[[ $(row_of 41 | cut -f9) == On ]]'
wait_for "a second file with a whole block" 20 '[[ $(newest_recording) != "$first" ]] && (($(stat -c %s "$(newest_recording)") >= BLOCK))'
click_control 1005
wait_for "box 41 stopped" 5 '[[ $(row_of 41 | cut -f9) == Off ]]'
probe dialog-rect Orvane 0 >/dev/null && fail "a message: $(probe dialog-text Orvane)"
sleep 2 # the recorder finishes the block it waits for

# A recorder that waits for its stream looks at the disk at least once a second: when the box
# pauses its stream (the receives time out) or sends it slowly (a block in about 20 s, in
# receives that never time out), the recording still ends within about a second of the disk
# filling up, not at its next block. Its end shows as its connection closing at the simulator.
open_streams() { boxsim STREAMS >/dev/null && printf '%s\n' "${BOXSIM_REPLY[@]}" | grep -c 'streaming=1'; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
for slowdown in "SILENT on" "RATE 200"; do
    echo "== the disk fills up while the box's stream is slowed down: $slowdown"
    previous=$(newest_recording)
    click_control 1005
    wait_for "box 41 connected" 10 '[[ $(row_of 41 | cut -f9) == On ]]'
    wait_for "a new file with a whole block" 20 \
        '[[ $(newest_recording) != "$previous" ]] && (($(stat -c %s "$(newest_recording)") >= BLOCK))'
    boxsim "$slowdown" || exit 1
    sleep 1.5 # the recorder now waits for the rest of its block
    expect_eq "one open stream" 1 "$(open_streams)"
    fill_leaving $((1024 * 1024))
    filled=$(now_ms)
    while (($(open_streams) > 0 && $(now_ms) - filled < 20000)); do
        sleep 0.05
    done
    ended=$(($(now_ms) - filled))
    echo "the recording ended $ended ms after the disk filled up"
    ((ended <= 2500)) || fail "the recording ended $ended ms after the disk filled up, not within about 2 s"
    wait_for "a message" 10 'probe dialog-rect Orvane 0 >/dev/null'
    expect_message_text "the message says the disk is nearly full, naming the box" 'disk is nearly full.*10\.86\.1\.16'
    dismiss_message "ended"
    wait_for "box 41 idle" 5 '[[ $(row_of 41 | cut -f9) == Off ]]'
    boxsim SILENT off && boxsim RATE || exit 1
    rm -f "$APP_DIR/filler.bin"
done
check_recordings "$APP_DIR" 2

click_close_box
expect_exit_0
finish
