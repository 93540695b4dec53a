# shellcheck shell=bash
# An operator at the display: the program on a Wine virtual desktop of its own prefix (the
# desktop draws the window frame with its close box), mouse clicks and key presses through
# xdotool, a stand-in browser and Explorer that note how they were started. Sourced after
# common.bash by the end-to-end scripts that drive the real window.

DESKTOP_SIZE=1200x800

operator_setup() {
    command -v xdotool >/dev/null && command -v import >/dev/null || {
        echo "xdotool and imagemagick are needed"
        exit 1
    }
    [[ -n ${ORVANE_WINE_TEMPLATE:-} && -d $ORVANE_WINE_TEMPLATE ]] || {
        echo "ORVANE_WINE_TEMPLATE does not name a Wine prefix"
        exit 1
    }
    WORK=$(mktemp -d "/tmp/orvane-$1.XXXXXX")
    # The program's folder: "app", or the name given second.
    APP_DIR=$WORK/${2:-app}
    LAUNCH_LOG=$WORK/launches.log
    mkdir -p "$APP_DIR"
    # The program's folder on a small volume of its own (a tmpfs of the size given third),
    # mounted before Wine starts: the wineserver sees only the mounts made before it started.
    APP_TMPFS=
    if [[ -n ${3:-} ]]; then
        mount -t tmpfs -o "size=$3" orvane-test "$APP_DIR" || {
            echo "cannot mount a tmpfs on $APP_DIR"
            exit 1
        }
        APP_TMPFS=1
    fi
    : >"$LAUNCH_LOG"
    cp "$ORVANE_EXE" "$APP_DIR/Orvane.exe"
    # The stand-in Explorer lies beside the program, which Wine searches first once its own
    # built-in explorer.exe is overridden (operator_start).
    cp "$BUILD_DIR/tests/orvane_fakebrowser.exe" "$APP_DIR/explorer.exe"
    cp "$BUILD_DIR/tests/orvane_fakebrowser.exe" "$WORK/browser.exe"
    trap operator_cleanup EXIT

    # A prefix of our own: the virtual desktop is chosen when its server starts.
    cp -a "$ORVANE_WINE_TEMPLATE" "$WORK/prefix"
    export WINEPREFIX=$WORK/prefix
    local browser
    browser=$(wine winepath -w "$WORK/browser.exe" 2>/dev/null | tr -d '\r')
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$DESKTOP_SIZE" /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Microsoft\Windows\Shell\Associations\UrlAssociations\http\UserChoice' \
        /v ProgId /d OrvaneTestBrowser /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Classes\OrvaneTestBrowser\shell\open\command' /ve \
        /d "\"$browser\" \"%1\"" /f >/dev/null 2>&1
    ORVANE_FAKEBROWSER_LOG=$(wine winepath -w "$LAUNCH_LOG" 2>/dev/null | tr -d '\r')
    export ORVANE_FAKEBROWSER_LOG
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    # The desktop (Wine's own explorer.exe) starts now, before the override that hides it.
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
}

operator_cleanup() {
    if [[ -n ${ORVANE_PID:-} ]] && kill -0 "$ORVANE_PID" 2>/dev/null; then
        kill -9 "$ORVANE_PID" 2>/dev/null
    fi
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    [[ -n ${APP_TMPFS:-} ]] && umount "$APP_DIR"
    rm -rf "$WORK"
}

# OPERATOR_OVERRIDES: Wine's DLL overrides for the program; by default its built-in Explorer is
# hidden, so that the stand-in beside the program opens folders. A test that opens no folder
# may set it empty: the program then starts the virtual desktop itself if it has gone.
operator_start() {
    (cd "$APP_DIR" && WINEDLLOVERRIDES="${OPERATOR_OVERRIDES-explorer.exe=n}" exec wine "$APP_DIR/Orvane.exe" </dev/null >"$WORK/orvane.log" 2>&1) &
    ORVANE_PID=$!
    # A start check, not a speed goal (see start_orvane).
    probe wait-window 60000 >/dev/null || {
        echo "FAIL: the main window did not appear within 60 s; what Wine said:"
        tail -n 20 "$WORK/orvane.log"
        exit 1
    }
}


row_of() { probe rows | awk -F'\t' -v id="$1" '$1 == id'; }
row_index_of() { probe rows | awk -F'\t' -v id="$1" '$1 == id { print NR - 1; exit }'; }

# centre_of "L T R B": the middle point as "X Y".
centre_of() { awk '{ printf "%d %d\n", ($1 + $3) / 2, ($2 + $4) / 2 }' <<<"$1"; }

click_at() { xdotool mousemove --sync "$1" "$2" click 1; sleep 0.3; }

# row_point ID: sets X and Y to a point in the box's row on the screen, in the ID column away
# from the other cells' text; a failure when the box has no row.
row_point() {
    local row
    row=$(row_index_of "$1")
    [[ -n $row ]] && read -r X Y < <(probe item-rect "$row" | awk '{ printf "%d %d\n", $1 + 20, ($2 + $4) / 2 }') || {
        fail "no row for box $1"
        return 1
    }
}

click_row_of() {
    row_point "$1" || return 1
    click_at "$X" "$Y"
}

double_click_row_of() {
    row_point "$1" || return 1
    xdotool mousemove --sync "$X" "$Y" click --repeat 2 --delay 60 1
    sleep 0.3
}

click_control() {
    local x y
    read -r x y < <(centre_of "$(probe screen-rect "$1")")
    click_at "$x" "$y"
}

key() { xdotool key --clearmodifiers "$@"; sleep 0.3; }

# Replaces the text of the edit that has the focus.
replace_focused_text() {
    key Home shift+End
    xdotool type --delay 40 "$1"
    sleep 0.2
}

click_close_box() {
    local left top right bottom
    read -r left top right bottom < <(probe window-rect)
    click_at $((right - 13)) $((top + 11))
}

# Set datagrams the boxes have received since the last CLEAR.
set_datagrams_seen() {
    boxsim LOG RX >/dev/null || return 1
    printf '%s\n' "${BOXSIM_REPLY[@]}" | grep -c ' type=102 '
}

# The background colour of a box's row, as "R,G,B", read from the Record cell of a screenshot.
row_colour_of() {
    local row rect
    row=$(row_index_of "$1")
    rect=$(probe item-rect "$row")
    import -window root "$WORK/colour.png" 2>/dev/null
    # Columns 0 to 7 are 793 pixels wide; the point lies in the Record cell, right of its text.
    read -r x y < <(awk '{ printf "%d %d\n", $1 + 793 + 5, ($2 + $4) / 2 }' <<<"$rect")
    convert "$WORK/colour.png" -format "%[pixel:p{$x,$y}]" info: | tr -dc '0-9,'
}

# check_recordings DIR MIN: every recording is whole 512 KiB blocks of a transport stream that
# ffprobe accepts, and at least MIN of them hold data.
check_recordings() {
    local file size with_data=0
    for file in "$1"/*.ts; do
        [[ -f $file ]] || continue
        size=$(stat -c %s "$file")
        expect_eq "$(basename "$file"): whole blocks" 0 $((size % 524288))
        ((size > 0)) || continue
        with_data=$((with_data + 1))
        /usr/bin/python3 - "$file" <<'PY' || fail "$(basename "$file"): sync bytes"
import sys
data = open(sys.argv[1], 'rb').read()
bad = [i for i in range(0, len(data), 188) if data[i] != 0x47]
sys.exit(1 if bad else 0)
PY
        if command -v ffprobe >/dev/null; then
            ffprobe -v error -show_streams "$file" >/dev/null 2>"$WORK/ffprobe.err" && [[ ! -s $WORK/ffprobe.err ]] ||
                fail "$(basename "$file"): ffprobe: $(head -c 300 "$WORK/ffprobe.err")"
        fi
        [[ -n ${ORVANE_TEST_OUT:-} ]] && ls -l "$file" >>"$ORVANE_TEST_OUT/recordings.txt"
    done
    ((with_data >= $2)) || fail "only $with_data recording(s) hold data, $2 expected"
}
