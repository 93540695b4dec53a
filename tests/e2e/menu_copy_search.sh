# The device list's shortcut menu, copying rows and searching now, the way an operator uses
# them: right clicks, Shift+F10, the menu key, Ctrl+C, Ctrl+A and F5 on the real Orvane.exe on a
# Wine virtual desktop, against simulated boxes on the test LAN. Checked through what the boxes
# receive, the rows, the stand-in browser and Explorer, and the clipboard as the program's own
# side (CR LF kept) and the X display see it.
# shellcheck source=tests/e2e/common.bash
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/operator.bash"
require_test_lan
command -v xclip >/dev/null || {
    echo "xclip is needed"
    exit 1
}
operator_setup menu

BOXES=(
    "id=7,ip=10.86.1.11,static=10.86.1.11,mask=255.255.255.0,gw=10.86.1.254,mac=00:1a:2b:3c:4d:07,board=1302"
    "id=9,ip=10.86.1.12,static=10.86.1.12,mask=255.255.255.0,gw=10.86.1.254,mac=00:1a:2b:3c:4d:09,board=100"
    "id=11,ip=10.86.2.10,static=10.86.2.10,mask=255.255.255.0,gw=10.86.2.254,mac=00:1a:2b:3c:4d:0b,board=1000"
)
add_boxes() {
    local box
    for box in "${BOXES[@]}"; do boxsim ADD "$box" || return 1; done
}
boxsim RESET && add_boxes || exit 1

operator_start
wait_for "three rows" 12 '[[ $(probe row-count) -ge 3 ]]'

right_click_row_of() {
    row_point "$1" || return 1
    xdotool mousemove --sync "$X" "$Y" click 3
    sleep 0.5
}

control_click_row_of() {
    row_point "$1" || return 1
    xdotool mousemove --sync "$X" "$Y" keydown ctrl click 1 keyup ctrl
    sleep 0.3
}

# A point of the list's empty space, below the rows: EX EY.
empty_point() {
    read -r left top right bottom < <(probe screen-rect 1001)
    EX=$((left + 150))
    EY=$((bottom - 15))
}

echo "== the row menu acts on the row it was opened for, not on the selection"
click_row_of 7
right_click_row_of 9
key r
wait_for "box 9 records (menu Record)" 10 '[[ $(row_of 9 | cut -f9) == On ]]'
expect_eq "box 7 is not recorded" Off "$(row_of 7 | cut -f9)"
wait_for "the button reads Stop: box 9 is the selection" 3 '[[ $(probe caption 1005) == Stop ]]'
sleep 2 # a block or two
click_row_of 7
wait_for "the button reads Record for box 7" 3 '[[ $(probe caption 1005) == Record ]]'
right_click_row_of 9
key t
wait_for "box 9 stopped (menu Stop)" 5 '[[ $(row_of 9 | cut -f9) == Off ]]'
expect_eq "box 7 still idle" Off "$(row_of 7 | cut -f9)"
sleep 2 # the recorder finishes the block it waits for

# Record follows the selected row with the highest index; the menu opened on the other row of a
# two-row selection must still record the row it was opened for.
click_row_of 7
control_click_row_of 11
if (($(row_index_of 7) < $(row_index_of 11))); then
    upper=7 lower=11
else
    upper=11 lower=7
fi
right_click_row_of "$upper"
key r
wait_for "box $upper records (menu Record inside a selection of two)" 10 '[[ $(row_of "$upper" | cut -f9) == On ]]'
expect_eq "box $lower, the other selected row, is not recorded" Off "$(row_of "$lower" | cut -f9)"
right_click_row_of "$upper"
key t
wait_for "box $upper stopped" 5 '[[ $(row_of "$upper" | cut -f9) == Off ]]'
sleep 2

click_row_of 7
right_click_row_of 9
key f
wait_for "Explorer with box 9's file selected (menu Record Files)" 10 'grep -q "^/select,.*10\.86\.1\.12_.*\.ts" "$LAUNCH_LOG"'
grep -q '10\.86\.1\.11_' "$LAUNCH_LOG" && fail "Explorer was shown box 7's file"

click_row_of 7
right_click_row_of 9
key o
wait_for "the browser for box 9 (menu Open web page)" 10 'grep -q "http://10.86.1.12/" "$LAUNCH_LOG"'
grep -q 'http://10.86.1.11/' "$LAUNCH_LOG" && fail "the browser was started for box 7"

# Set... is the menu's first item: the mouse picks it, just below the point the menu opened at.
click_row_of 7
right_click_row_of 11
click_at $((X + 40)) $((Y + 12))
wait_for "the Set dialog (menu Set...)" 5 'probe dialog-rect Set 0 >/dev/null'
expect_eq "the Set dialog is box 11's" "137	11" "$(probe dialog-text Set | grep -E '^137	')"
key Escape
wait_for "the Set dialog closes" 5 '! probe dialog-rect Set 0 >/dev/null'

echo "== copy: header line, the rows in table order, tabs between cells, CR LF"
# The boxes leave the simulator (their rows stay) so that no answer to a probe changes an
# Active Time between the copy and the check.
for id in 7 9 11; do boxsim REMOVE "$id" || fail "REMOVE $id"; done
sleep 1.5

# expected_text ID...: what a copy of these boxes' rows holds, from the rows the window shows.
expected_text() {
    local ids=" $* " line
    printf 'ID\tActive Time\tLan IP\tLan Static IP\tLan Netmask\tLan Gateway\tLan Mac\tDescription\tRecord\r\n'
    while IFS= read -r line; do
        [[ $ids == *" ${line%%$'\t'*} "* ]] && printf '%s\r\n' "$line"
    done < <(probe rows)
}

# expect_clipboard WHAT ID...: the program's clipboard and the X display's hold these rows.
expect_clipboard() {
    local what=$1 want got
    shift
    want=$(expected_text "$@"; echo .)
    got=$(probe clipboard; echo .)
    expect_eq "$what: the clipboard" "$want" "$got"
    # Wine hands text to X with LF line ends.
    got=$(timeout 5 xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null; echo .)
    expect_eq "$what: the X clipboard" "${want//$'\r'/}" "$got"
}

click_row_of 7
control_click_row_of 11
key ctrl+c
expect_clipboard "Ctrl+C of boxes 7 and 11" 7 11

right_click_row_of 9
key c
expect_clipboard "menu Copy on box 9, outside the selection" 9

control_click_row_of 7
right_click_row_of 7
key c
expect_clipboard "menu Copy on box 7, inside the selection of 9 and 7" 7 9

key ctrl+a
key ctrl+c
expect_clipboard "Ctrl+A, Ctrl+C" 7 9 11

click_row_of 11
key shift+F10
key c
expect_clipboard "Shift+F10, Copy on the selected box 11" 11

empty_point
xdotool mousemove --sync "$EX" "$EY" click 3
sleep 0.5
key a
expect_clipboard "menu Copy all on the empty space" 7 9 11

click_row_of 9
key Menu
key c
expect_clipboard "the menu key, Copy on the selected box 9" 9

# Tab moves the focus from the list to the Clear button; the keys work there too (and Clear
# stays unclicked: every row is still there).
click_row_of 11
key Tab
expect_eq "the Clear button has the focus" 1003 "$(probe focus)"
key ctrl+c
expect_clipboard "Ctrl+C while the Clear button has the focus" 11
key ctrl+a
key ctrl+c
expect_clipboard "Ctrl+A, Ctrl+C while the Clear button has the focus" 7 9 11
screenshot menu-copy

echo "== search now: F5 sends a probe from every local address at once"
add_boxes || fail "the boxes back"

# probe_counts: the probes the boxes have seen from each PC address since the last CLEAR.
probe_counts() {
    boxsim LOG RX >/dev/null || return 1
    local lines
    lines=$(printf '%s\n' "${BOXSIM_REPLY[@]}")
    echo "$(grep -c '^RX 10\.86\.1\.1:[0-9]* len=184 type=100 ' <<<"$lines") $(grep -c '^RX 10\.86\.2\.1:[0-9]* len=184 type=100 ' <<<"$lines")"
}
now() { date +%s.%N; }
elapsed_ms() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%d\n", (b - a) * 1000 }'; }

click_row_of 7 # the list has the focus
boxsim CLEAR
wait_for "a probe of the 10-second rhythm" 12 '[[ $(probe_counts) != "0 0" ]]'
sleep 2
boxsim CLEAR
pressed=$(now)
xdotool key --clearmodifiers F5
seen=
while (($(elapsed_ms "$pressed") < 3000)); do
    read -r a b < <(probe_counts)
    if ((a >= 1 && b >= 1)); then
        seen=$(elapsed_ms "$pressed")
        break
    fi
done
if [[ -n $seen ]] && ((seen < 1000)); then
    echo "ok: probes from both addresses ${seen} ms after F5"
else
    fail "F5: no probe from every address within a second (counts: $(probe_counts), ${seen:-no answer within 3000} ms)"
fi

echo "== the 10-second rhythm goes on from the search"
sleep 1.5
boxsim CLEAR
while (($(elapsed_ms "$pressed") < 9300)); do sleep 0.3; done
expect_eq "no probe between 2 s and 9 s after F5 (the old rhythm would have sent one)" "0 0" "$(probe_counts)"
wait_for "the next probe 10 s after F5" 4 '[[ $(probe_counts) == "1 1" ]]'

echo "== a burst of F5 presses does not multiply probes"
sleep 1.5
boxsim CLEAR
xdotool key --clearmodifiers --delay 30 F5 F5 F5 F5 F5 F5 F5 F5
expect_eq "one probe per address right after the burst" "1 1" "$(probe_counts)"
sleep 2.5
expect_eq "one more per address 1 s later, none beyond" "2 2" "$(probe_counts)"

echo "== Search now from the empty space's menu"
sleep 1.5
boxsim CLEAR
empty_point
xdotool mousemove --sync "$EX" "$EY" click 3
sleep 0.5
key s
wait_for "probes from both addresses (menu Search now)" 2 '[[ $(probe_counts) == "1 1" ]]'

echo "== F5 while a button has the focus"
click_row_of 7
key Tab
expect_eq "the Clear button has the focus" 1003 "$(probe focus)"
sleep 1.5
boxsim CLEAR
key F5
wait_for "probes from both addresses (F5 on the Clear button)" 2 '[[ $(probe_counts) == "1 1" ]]'

click_close_box
expect_exit_0
finish
