#!/bin/bash
# The main window seen from outside: title from the PC's addresses, 880 x 400 centred in the
# work area, the layout of list and buttons after resizes, and close -> exit code 0.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
require_test_lan

LIST=1001 CLEAR=1003 SET=1004 RECORD=1005 RECORD_FILES=1006

# The list fills the client area above a 40-pixel strip; the buttons sit 34 pixels above the
# bottom, all as large as Clear except Record Files, which is 25 pixels wider.
check_layout() {
    local label=$1 _ W H cl ct cr cb l t r b
    read -r _ _ W H < <(probe client-rect)
    expect_eq "$label: list" "0 0 $W $((H - 40))" "$(probe control-rect $LIST)"
    read -r cl ct cr cb < <(probe control-rect $CLEAR)
    expect_eq "$label: Clear at W-80, H-34" "$((W - 80)) $((H - 34))" "$cl $ct"
    read -r l t r b < <(probe control-rect $SET)
    expect_eq "$label: Set at W-160, H-34, Clear's size" \
        "$((W - 160)) $((H - 34)) $((cr - cl)) $((cb - ct))" "$l $t $((r - l)) $((b - t))"
    read -r l t r b < <(probe control-rect $RECORD)
    expect_eq "$label: Record at 10, H-34, Clear's size" \
        "10 $((H - 34)) $((cr - cl)) $((cb - ct))" "$l $t $((r - l)) $((b - t))"
    read -r l t r b < <(probe control-rect $RECORD_FILES)
    expect_eq "$label: Record Files at 100, H-34, Clear's width + 25" \
        "100 $((H - 34)) $((cr - cl + 25)) $((cb - ct))" "$l $t $((r - l)) $((b - t))"
}

start_orvane
screenshot window

expect_lan_title

read -r left top right bottom < <(probe window-rect)
expect_eq "outer size" "880 400" "$((right - left)) $((bottom - top))"
read -r wl wt wr wb < <(probe work-area)
expect_near "centred horizontally" $((wl + (wr - wl - 880) / 2)) "$left" 1
expect_near "centred vertically" $((wt + (wb - wt - 400) / 2)) "$top" 1
check_layout "880 x 400 at start"

# Outer sizes: larger, smaller, wide and flat, narrow and tall.
for size in "1100 700" "640 300" "1200 260" "360 600" "300 160" "880 400"; do
    read -r w h <<<"$size"
    probe size "$w" "$h" || fail "size $w $h"
    read -r left top right bottom < <(probe window-rect)
    expect_eq "outer size after resize to $w x $h" "$w $h" "$((right - left)) $((bottom - top))"
    check_layout "$w x $h"
done

close_and_expect_exit_0
finish
