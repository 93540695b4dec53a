# What operators and boxes rely on, seen from their side with the real Orvane.exe driven
# through its window: the probes' and Set's port and destination as a listener of its own
# records them, the pause after every Set pass, Record and the web page each taking the right
# one of a box's two addresses, the row turning white at once on Stop, and Enter and Escape
# ending the program with exit code 0 while a recording's file keeps whole blocks.
# shellcheck source=tests/e2e/common.bash
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/operator.bash"
require_test_lan
operator_setup contract

BLOCK=524288
BOX=31 BOX_IP=10.86.1.16 BOX_STATIC=10.86.1.17  # both addresses of the box's namespace
LISTEN_LOG=$WORK/listener.log

# The listener runs where the boxes are: the BOX namespace beside ours (scripts/lib.sh names
# the pair NAME-pc-PID and NAME-box-PID).
box_ns=${ORVANE_BOX_NETNS:-$(ip netns identify $$ | sed 's/-pc-/-box-/')}
ip netns exec "$box_ns" /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/discovery_listener.py" "$LISTEN_LOG" \
    </dev/null >"$WORK/listener.out" 2>&1 &
LISTENER_PID=$!
contract_cleanup() {
    kill "$LISTENER_PID" 2>/dev/null
    [[ -s $WORK/orvane.log ]] && { echo "the program's output:"; tail -n 20 "$WORK/orvane.log"; }
    operator_cleanup
}
trap contract_cleanup EXIT
wait_for "the listener in $box_ns" 5 'grep -q READY "$LISTEN_LOG" 2>/dev/null' || exit 1

# listened TYPE: the listener's lines of datagrams of that type ("time source dest length type").
listened() { awk -v t="$1" '$5 == t' "$LISTEN_LOG"; }
gateway_cell_colour() {  # the row's colour in the Lan Gateway cell, left of its centred text
    local rect x y
    rect=$(probe item-rect "$(row_index_of "$1")")
    read -r x y < <(awk '{ printf "%d %d\n", $1 + 430 + 5, ($2 + $4) / 2 }' <<<"$rect")
    import -window root "$WORK/colour.png" 2>/dev/null
    convert "$WORK/colour.png" -format "%[pixel:p{$x,$y}]" info: | tr -dc '0-9,'
}
newest_recording() { ls -t "$APP_DIR"/*.ts 2>/dev/null | head -n1; }
file_size() { stat -c %s "$1" 2>/dev/null || echo 0; }

boxsim RESET || exit 1
boxsim ADD "id=$BOX,ip=$BOX_IP,static=$BOX_STATIC,mask=255.255.255.0,gw=10.86.1.254,mac=00:1a:2b:3c:4d:1f,board=100" ||
    exit 1
operator_start
wait_for "box $BOX's row" 12 '[[ -n $(row_of $BOX) ]]'
expect_eq "the row's two addresses" "$BOX_IP	$BOX_STATIC" "$(row_of $BOX | cut -f3,4)"

echo "== probes: 184 bytes to 255.255.255.255, port 34462, from each PC address"
for address in 10.86.1.1 10.86.2.1; do
    [[ -n $(listened 100 | awk -v a="$address" 'index($2, a ":") == 1') ]] || fail "no probe from $address"
done
expect_eq "probe destinations and lengths" "255.255.255.255 184" "$(listened 100 | awk '{ print $3, $4 }' | sort -u)"

echo "== the web page opens the box's current address (Lan IP)"
double_click_row_of $BOX
wait_for "the browser" 10 '[[ -s $LAUNCH_LOG ]]'
sleep 0.5
grep -q "http://$BOX_IP/" "$LAUNCH_LOG" || fail "the browser was not given http://$BOX_IP/: $(cat "$LAUNCH_LOG")"
grep -q "$BOX_STATIC" "$LAUNCH_LOG" && fail "the browser was given the static address: $(cat "$LAUNCH_LOG")"

echo "== Set: five passes from each PC address, 150 ms apart, to 255.255.255.255:34462"
click_row_of $BOX
click_control 1004
wait_for "the Set dialog" 5 'probe dialog-rect Set 0 >/dev/null'
key Return
wait_for "the confirmation" 5 'probe dialog-rect "Warning!!!" 0 >/dev/null'
key Return
wait_for "ten set commands at the listener" 10 '[[ $(listened 102 | wc -l) -ge 10 ]]'
sleep 1
listened 102 >"$WORK/set.txt"
echo "set commands as the listener saw them:"
cat "$WORK/set.txt"
expect_eq "set commands" 10 "$(wc -l <"$WORK/set.txt")"
expect_eq "set destinations and lengths" "255.255.255.255 184" "$(awk '{ print $3, $4 }' "$WORK/set.txt" | sort -u)"
# Passes are the runs of datagrams less than 100 ms apart; each holds one datagram per PC
# address, and a pause of at least 150 ms (Sleep's granularity allows a little less) lies
# between two passes.
passes=$(sort -n "$WORK/set.txt" | awk '
    NR > 1 && ($1 - last) * 1000 >= 100 { printf "%s gap=%d\n", pass, ($1 - last) * 1000; pass = "" }
    { split($2, s, ":"); pass = pass (pass == "" ? "" : ",") s[1]; last = $1 }
    END { print pass }')
echo "passes:"
echo "$passes"
expect_eq "five passes" 5 "$(grep -c . <<<"$passes")"
expect_eq "each pass from both addresses" "10.86.1.1,10.86.2.1" \
    "$(sed 's/ gap=.*//' <<<"$passes" | tr ',' '\n' | sort | uniq -c | awk '$1 == 5 { print $2 }' | paste -sd,)"
while read -r gap; do
    ((gap >= 140 && gap < 1000)) || fail "a pause of $gap ms between two passes"
done < <(grep -o 'gap=[0-9]*' <<<"$passes" | cut -d= -f2)

echo "== Record connects to the box's static address and names the file after it"
click_row_of $BOX
click_control 1005
wait_for "box $BOX connected" 10 '[[ $(row_of $BOX | cut -f9) == On ]]'
boxsim STREAMS || fail "STREAMS"
printf '%s\n' "${BOXSIM_REPLY[@]}" | grep -q " local=$BOX_STATIC " ||
    fail "no stream to $BOX_STATIC:80: ${BOXSIM_REPLY[*]}"
file=$(newest_recording)
[[ $(basename "$file") =~ ^${BOX_STATIC//./\\.}_[0-9]{8}_[0-9]{6}\.ts$ ]] || fail "recording file name: '$file'"
[[ -z $(ls "$APP_DIR"/"$BOX_IP"_*.ts 2>/dev/null) ]] || fail "a file named after the Lan IP"

echo "== Stop paints the row white at once, not at the box's next announcement"
expect_eq "the recording row is light blue" "204,232,255" "$(gateway_cell_colour $BOX)"
# The boxes announce only in answer to a probe. Right after a probe the next one is ten
# seconds away; the click and the screenshot then take well under a second, and the
# listener's count of probes shows that none left meanwhile.
read -r stop_x stop_y < <(centre_of "$(probe screen-rect 1005)")
rect=$(probe item-rect "$(row_index_of $BOX)")
read -r cell_x cell_y < <(awk '{ printf "%d %d\n", $1 + 430 + 5, ($2 + $4) / 2 }' <<<"$rect")
# The pointer rests on the button from the Record click; --sync waits for a move, so it goes
# elsewhere first.
xdotool mousemove --sync "$cell_x" "$cell_y"
probes=$(listened 100 | wc -l)
wait_for "the next probe" 12 '[[ $(listened 100 | wc -l) -gt $probes ]]'
sleep 0.3  # the answers arrive within milliseconds
probes=$(listened 100 | wc -l)
xdotool mousemove --sync "$stop_x" "$stop_y" click 1
sleep 0.5  # "at once": well before any announcement could come
import -window root "$WORK/stopped.png" 2>/dev/null
expect_eq "no probe between the click and the screenshot" "$probes" "$(listened 100 | wc -l)"
expect_eq "the stopped row is white" "255,255,255" \
    "$(convert "$WORK/stopped.png" -format "%[pixel:p{$cell_x,$cell_y}]" info: | tr -dc '0-9,')"
wait_for "box $BOX idle" 5 '[[ $(row_of $BOX | cut -f9) == Off ]]'

# record_then_press KEY: a new recording of the box, two blocks, then KEY on the list.
record_then_press() {
    local before
    before=$(newest_recording)
    click_row_of $BOX
    click_control 1005
    wait_for "box $BOX connected" 10 '[[ $(row_of $BOX | cut -f9) == On ]]'
    wait_for "a new recording file" 5 '[[ $(newest_recording) != "$before" ]]'
    file=$(newest_recording)
    wait_for "two blocks in $(basename "$file")" 20 '(( $(file_size "$file") >= 2 * BLOCK ))'
    click_row_of $BOX  # the list has the focus: Enter is the dialog's OK, not a button's click
    key "$1"
    expect_exit_0
}

echo "== Enter ends the program with exit code 0 while it records"
record_then_press Return
check_recordings "$APP_DIR" 2

echo "== Escape ends the program with exit code 0 while it records"
# Wine's virtual desktop ends with its last program: a new server starts a new one.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
operator_start
wait_for "box $BOX's row again" 12 '[[ -n $(row_of $BOX) ]]'
record_then_press Escape
check_recordings "$APP_DIR" 3
finish
