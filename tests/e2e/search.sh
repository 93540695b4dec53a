# Searching networks behind a router, the way an operator does it: Ctrl+F, ranges typed into the
# dialog, Search and Close clicked, on the real Orvane.exe on a Wine virtual desktop. The far
# boxes live in the FAR namespace behind the test LAN's router, which no broadcast crosses; a
# box simulator of their own answers a probe only when it is sent to a box's own address.
# Checked through the rows, the dialog's status, the message boxes, the stand-in browser and
# what the far boxes received: the probes (when, where to, how many in any second) and the
# set commands.
# shellcheck source=tests/e2e/common.bash
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
source "$(dirname "${BASH_SOURCE[0]}")/operator.bash"
require_test_lan
[[ -n ${ORVANE_FAR_BOXSIM:-} && -n ${ORVANE_FAR_NETS:-} ]] || {
    echo "ORVANE_FAR_BOXSIM and ORVANE_FAR_NETS are not set (scripts/test sets them)"
    exit 1
}
SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# router_loss, and the router's namespace named as scripts/lib.sh names it beside ours.
source "$SOURCE_DIR/scripts/lib.sh"
ROUTER_NS=$(ip netns identify $$ | sed 's/-pc-/-rt-/')
resource_id() { awk -v name="$1" '$1 == "#define" && $2 == name { print $3 }' "$SOURCE_DIR/app/resource.h"; }
STATUS_ID=$(resource_id IDC_SEARCH_STATUS)
EDIT_ID=$(resource_id IDC_SEARCH_TEXT)
[[ -n $STATUS_ID && -n $EDIT_ID ]] || { echo "no IDC_SEARCH_STATUS or IDC_SEARCH_TEXT in app/resource.h"; exit 1; }
DIALOG="Search networks"
MAX_PROBES_PER_SECOND=1000
# The far side sees each probe after its way through Wine, the wineserver and the router, some
# milliseconds early or late (tens of them on a loaded machine): a program that sends exactly
# 1,000 a second shows 1,001 within a second there, and up to 1,000 within 990 ms. Counted
# within 950 ms, that jitter stays out, and a program that sends 1,053 or more a second still
# fails.
RATE_WINDOW_MS=950
operator_setup search
# No folder is opened here: Wine's own Explorer may start the desktop.
OPERATOR_OVERRIDES=

# far COMMAND...: one line to the far boxes' simulator (BOXSIM_REPLY as for boxsim).
far() { ORVANE_BOXSIM=$ORVANE_FAR_BOXSIM boxsim "$@"; }
# far_probes [ARGS]: the far simulator's probe summary line, e.g. "PROBES count=3 ...".
far_probes() { far PROBES "$@" >/dev/null && printf '%s\n' "${BOXSIM_REPLY[@]}"; }
# field NAME LINE: the value of NAME= in a summary line.
field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$2"; }
now_ms() { date +%s%3N; }

# The far boxes, one per line: id, Lan IP, static address. Two in the first far subnet, one in
# the second, two in the third, at its ends; one box's static address differs from the address
# it answers from, as a box whose set command has not been followed yet.
read -r -a far_nets <<<"$ORVANE_FAR_NETS"
net() { local n=${far_nets[$1]%/*}; echo "${n%.*}"; }
FAR_BOXES=(
    "301 $(net 0).10 $(net 0).10"
    "302 $(net 0).200 $(net 0).200"
    "303 $(net 1).77 192.168.77.5"
    "304 $(net 2).1 $(net 2).1"
    "305 $(net 2).254 $(net 2).254"
)
add_far_boxes() {
    local id ip static
    while read -r id ip static; do
        far ADD "id=$id,ip=$ip,static=$static,mac=00:1a:2b:3c:5d:$(printf %02x $((id % 256))),board=100" || return 1
    done < <(printf '%s\n' "${FAR_BOXES[@]}")
}

# The dialog: open with Ctrl+F on the main window, ranges typed into its edit (a click puts the
# focus there; Enter there breaks the line), buttons clicked with the mouse.
open_search() {
    click_row_of 7  # the main window has the focus
    key ctrl+f
    wait_for "the $DIALOG dialog" 5 'probe dialog-rect "$DIALOG" 0 >/dev/null'
}
type_ranges() {
    local first=1 line
    click_dialog_button "$EDIT_ID"
    key ctrl+Home ctrl+shift+End Delete
    for line in "$@"; do
        ((first)) || key Return
        first=0
        xdotool type --delay 20 "$line"
    done
    sleep 0.2
}
# click_dialog_button ID: a click on one of the dialog's controls.
click_dialog_button() {
    local x y
    read -r x y < <(centre_of "$(probe dialog-rect "$DIALOG" "$1")")
    click_at "$x" "$y"
}
status() { probe dialog-text "$DIALOG" | awk -F'\t' -v id="$STATUS_ID" '$1 == id { print $2 }' | tr -d '\r'; }
# wait_for_end SECONDS: the status holds its final text; sets PROBED and ANSWERED from it.
wait_for_end() {
    local text
    wait_for "the search's end" "$1" '[[ $(status) == *"addresses probed"*"boxes answered"* || $(status) == *"boxes answered"*"addresses probed"* ]]' ||
        return 1
    text=$(status)
    echo "status: $text"
    PROBED=$(grep -oE '[0-9][0-9,]* addresses probed' <<<"$text" | tr -dc 0-9)
    ANSWERED=$(grep -oE '[0-9][0-9,]* boxes answered' <<<"$text" | tr -dc 0-9)
}
close_search() {
    click_dialog_button 2
    wait_for "the $DIALOG dialog closes" 5 '! probe dialog-rect "$DIALOG" 0 >/dev/null'
}
# expect_refused ENTRY: Search refuses the entry with a message that quotes it, sends nothing.
expect_refused() {
    far CLEAR
    type_ranges "$1"
    click_dialog_button 1
    wait_for "a message for '$1'" 5 'probe dialog-rect Orvane 0 >/dev/null' || return
    expect_message_text "the message quotes '$1'" "$(sed 's/[.]/\\./g' <<<"$1")"
    key Return
    wait_for "the message closes" 5 '! probe dialog-rect Orvane 0 >/dev/null'
    sleep 1.5
    expect_eq "probes sent for '$1'" 0 "$(field count "$(far_probes)")"
}
# expect_far_rows: every far box has exactly one row, with its Lan IP and static address.
expect_far_rows() {
    local id ip static
    while read -r id ip static; do
        expect_eq "box $id: one row, Lan IP $ip, static $static" "1 $ip $static" \
            "$(probe rows | awk -F'\t' -v id="$id" '$1 == id { n++; ip = $3; st = $4 } END { print n + 0, ip, st }')"
    done < <(printf '%s\n' "${FAR_BOXES[@]}")
}
# expect_rate_cap: no more than the cap within any RATE_WINDOW_MS at the far side since CLEAR.
expect_rate_cap() {
    local peak second
    peak=$(field peak "$(far_probes WINDOW $RATE_WINDOW_MS)")
    second=$(field peak "$(far_probes)")
    ((peak <= MAX_PROBES_PER_SECOND)) &&
        echo "ok: at most $peak probes within $RATE_WINDOW_MS ms ($second within 1000 ms)" ||
        fail "$peak probes within $RATE_WINDOW_MS ms (cap $MAX_PROBES_PER_SECOND a second)"
}
far_rows() { probe rows | awk -F'\t' '$3 ~ /^172\.30\./' | wc -l; }

boxsim RESET && boxsim ADD "id=7,ip=10.86.1.11,static=10.86.1.11,mac=00:1a:2b:3c:4d:07,board=1302" || exit 1
far RESET && add_far_boxes || exit 1
search_cleanup() {
    local status=$?
    router_loss "$ROUTER_NS" off
    ((status == 0)) || [[ ! -s $WORK/orvane.log ]] || { echo "the program's output:"; tail -n 20 "$WORK/orvane.log"; }
    operator_cleanup
}
trap search_cleanup EXIT
router_loss "$ROUTER_NS" off

operator_start

echo "== broadcasts do not cross the router: the far boxes get no row"
wait_for "the near box's row" 12 '[[ -n $(row_of 7) ]]'
# A second round of broadcasts, ten seconds on.
sleep 11
expect_eq "rows of far boxes" 0 "$(far_rows)"
expect_eq "probes that reached the far boxes" 0 "$(field count "$(far_probes)")"

echo "== refused entries: a message that quotes the entry, nothing sent"
open_search
expect_refused "$(net 0).300/24"
expect_refused "$(net 0).0/24-what"
expect_refused "172.30.0.0/15"  # 131,072 addresses
expect_refused "172.30.0.0-172.31.0.0"  # 65,537 addresses

echo "== a search of the three far subnets finds every far box"
far CLEAR
type_ranges "${far_nets[@]}"
started=$(now_ms)
click_dialog_button 1
wait_for_end 30
summary=$(far_probes)
echo "the far boxes saw: $summary"
expect_eq "addresses probed (status) = distinct addresses the far side received" \
    "$(field addresses "$summary")" "$PROBED"
((PROBED >= 3 * 254)) || fail "only $PROBED addresses probed in three /24 subnets"
expect_eq "boxes answered (status)" "${#FAR_BOXES[@]}" "$ANSWERED"
expect_far_rows
expect_rate_cap
far PROBES PER >/dev/null
outside=$(printf '%s\n' "${BOXSIM_REPLY[@]}" | awk -v nets="${far_nets[*]}" '
    BEGIN { n = split(nets, list, " "); for (i = 1; i <= n; i++) { split(list[i], p, "."); prefix[p[1] "." p[2] "." p[3] "."] = 1 } }
    $1 != "PROBES" { split($1, a, "."); if (!((a[1] "." a[2] "." a[3] ".") in prefix)) print $1 }')
expect_eq "probes outside the typed subnets" "" "$outside"
expect_eq "each address probed at most twice during the search (a second probe for silent ones)" "" \
    "$(printf '%s\n' "${BOXSIM_REPLY[@]}" | awk '$1 != "PROBES" && $2 > 2')"
screenshot search-found
close_search

echo "== the web page of a far box opens at its Lan IP, with no warning and no alias"
addresses_before=$(ip -o -4 addr show | awk '{ print $4 }' | sort | tr '\n' ' ')
double_click_row_of 303
wait_for "the browser for box 303" 10 "grep -q 'http://$(net 1).77/' \"\$LAUNCH_LOG\""
sleep 1
probe dialog-rect "Warning!!!" 0 >/dev/null && fail "a subnet warning for a box found across the router"
probe dialog-rect Orvane 0 >/dev/null && fail "a message for a box found across the router: $(probe dialog-text Orvane)"
expect_eq "the PC's addresses (no alias added)" "$addresses_before" \
    "$(ip -o -4 addr show | awk '{ print $4 }' | sort | tr '\n' ' ')"

echo "== Set on a far box: five passes, each sent to its Lan IP"
boxsim CLEAR
far CLEAR
click_row_of 301
click_control 1004
wait_for "the Set dialog" 5 'probe dialog-rect Set 0 >/dev/null'
key Return
wait_for "the confirmation" 5 'probe dialog-rect "Warning!!!" 0 >/dev/null'
key Return
wait_for "five set commands at the far box" 10 '[[ $(far LOG RX >/dev/null && printf "%s\n" "${BOXSIM_REPLY[@]}" | grep -c " type=102 ") -ge 5 ]]'
sleep 1
far LOG RX >/dev/null
sets=$(printf '%s\n' "${BOXSIM_REPLY[@]}" | grep ' type=102 ')
expect_eq "set commands at the far side" 5 "$(grep -c . <<<"$sets")"
expect_eq "their destination: box 301's Lan IP" "to=$(net 0).10" "$(grep -o 'to=[0-9.]*' <<<"$sets" | sort -u)"
expect_eq "set commands that reached the near boxes" 0 "$(set_datagrams_seen)"
far LOG SET >/dev/null
expect_eq "box 301 took them" 5 "$(printf '%s\n' "${BOXSIM_REPLY[@]}" | grep -c '^SET id=301 ')"

echo "== with 1% of the datagrams lost each way at the router, the search still finds every box"
router_loss "$ROUTER_NS" on || fail "the router's loss rule"
far CLEAR
open_search
type_ranges "${far_nets[@]}"
click_dialog_button 1
wait_for_end 30
expect_eq "boxes answered through the lossy router" "${#FAR_BOXES[@]}" "$ANSWERED"
expect_far_rows
close_search
router_loss "$ROUTER_NS" off

echo "== a sweep of 65,536 addresses: the rate cap holds, Close stops it within a second"
far CLEAR
open_search
type_ranges "$LAN_FAR_ALL"
click_dialog_button 1
sleep 4
closed=$(now_ms)  # just before the click: "within a second" counts from no later than the click
click_dialog_button 2
wait_for "the $DIALOG dialog closes" 5 '! probe dialog-rect "$DIALOG" 0 >/dev/null'
sleep 2.5
summary=$(far_probes)
echo "the far boxes saw: $summary"
count=$(field count "$summary")
((count >= 1000)) || fail "only $count probes in the 4 s before Close"
expect_rate_cap
# A found box may still be probed on its own (its row is kept fresh); nothing else after 1 s.
far PROBES PER SINCE $((closed + 1000)) >/dev/null
late=$(printf '%s\n' "${BOXSIM_REPLY[@]}" | awk '$1 != "PROBES" { print $1 }' | grep -vxF -f <(printf '%s\n' "${FAR_BOXES[@]}" | cut -d' ' -f2))
expect_eq "addresses probed later than 1 s after Close, boxes aside" "" "$late"

click_close_box
expect_exit_0
finish
