# What the checks that drive the editor itself share (sourced by them, after lib/xvfb.sh):
#
#     source "$(dirname "$0")/lib/xvfb.sh"
#     source "$(dirname "$0")/lib/editor_check.sh"
#     editor_need [TOOL...]               # skips (77) without Xvfb, xdotool, ImageMagick or a TOOL
#     editor_setup                        # work folder $EDITOR_WORK, fresh $XDG_CONFIG_HOME, an X server
#     editor_start "$BUILD"               # starts build/loomwick, $EDITOR_PID
#     editor_find_window "Quorvane Loomwick Version 7.5 - [UNTITLED]"   # $EDITOR_WINDOW
#     editor_key ctrl+o; editor_file_dialog "/path/to/file.gif"          # Qt's open or save dialog
#     editor_file_dialog_entries "/path/to/folder/" '"a.png" "b.png"'     # a folder, then several names
#     editor_wait_window "Palettes"; editor_dialog_key Return            # one of the program's dialogs
#     editor_grab shot.png; editor_count_colour shot.png "rgb(255,0,0)"
#     editor_keep shot.png check-step.png  # kept as BUILD/external-shots/check-step.png
#     editor_wait_exit 20                 # the program ended by itself
#
# Every wait is bounded; a failure says what it waited for and shows the program's output. The program runs
# with a configuration folder of its own ($XDG_CONFIG_HOME under the work folder), so "forminfo.ini" and the
# settings start empty and can be read afterwards.

editor_need() {
    xvfb_need
    local tool
    for tool in xdotool import convert timeout "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
    done
}

# editor_setup [WxHxDEPTH]: the work folder (removed at exit), the configuration and runtime folders, the
# X server.
editor_setup() {
    EDITOR_WORK=$(mktemp -d "${TMPDIR:-/tmp}/loomwick-editor.XXXXXX") || exit 1
    trap 'editor_stop; rm -rf "$EDITOR_WORK"' EXIT
    export XDG_CONFIG_HOME=$EDITOR_WORK/config
    export XDG_RUNTIME_DIR=$EDITOR_WORK/runtime
    mkdir -p "$XDG_CONFIG_HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    # Qt's dialogs talk to D-Bus, whose library keeps a block for the life of the process.
    printf 'leak:libdbus-1.so\n' >"$EDITOR_WORK/lsan.supp"
    export LSAN_OPTIONS="suppressions=$EDITOR_WORK/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
    xvfb_start "${1:-1024x768x24}" || exit 1
}

# editor_fail MESSAGE: reports, keeps a grab of the screen, shows the program's output and ends the check.
editor_fail() {
    echo "FAIL: $*"
    # The screen as it was, kept beside the other grabs.
    if [ -n "${EDITOR_BUILD:-}" ] && mkdir -p "$EDITOR_BUILD/external-shots" 2>/dev/null &&
        import -window root "$EDITOR_BUILD/external-shots/$(basename "$0" .sh)-failed.png" 2>/dev/null; then
        echo "the screen: $EDITOR_BUILD/external-shots/$(basename "$0" .sh)-failed.png"
    fi
    [ -f "$EDITOR_WORK/editor.out" ] && { echo "--- the editor's output:"; tail -n 40 "$EDITOR_WORK/editor.out"; }
    exit 1
}

# editor_start BUILD: starts the program in the background ($EDITOR_PID); its output goes to
# $EDITOR_WORK/editor.out (appended, so a restart keeps the first run's).
editor_start() {
    EDITOR_BUILD=$1
    "$1/loomwick" >>"$EDITOR_WORK/editor.out" 2>&1 &
    EDITOR_PID=$!
    EDITOR_WINDOW=""
}

# editor_stop: ends a program still running (the EXIT trap calls it).
editor_stop() {
    if [ -n "${EDITOR_PID:-}" ]; then
        kill "$EDITOR_PID" 2>/dev/null
        wait "$EDITOR_PID" 2>/dev/null
        EDITOR_PID=""
    fi
}

# editor_wait_exit SECONDS: waits for the program to end by itself; its exit status in $EDITOR_STATUS.
editor_wait_exit() {
    local i
    for i in $(seq $(($1 * 5))); do
        if ! kill -0 "$EDITOR_PID" 2>/dev/null; then
            wait "$EDITOR_PID"
            EDITOR_STATUS=$?
            EDITOR_PID=""
            return 0
        fi
        sleep 0.2
    done
    return 1
}

# editor_find_window NAME [SECONDS]: waits (default 30 s) until a window of exactly that name exists, and
# keeps it in $EDITOR_WINDOW.
editor_find_window() {
    local name=$1 limit=${2:-30} i id pattern
    # xdotool takes a regular expression: the title's own brackets and dots stand for themselves.
    pattern=$(printf '%s' "$name" | sed 's/[][\.*^$()+?{}|]/\\&/g')
    for i in $(seq $((limit * 5))); do
        for id in $(xdotool search --name "$pattern" 2>/dev/null); do
            if [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$name" ]; then
                EDITOR_WINDOW=$id
                return 0
            fi
        done
        kill -0 "$EDITOR_PID" 2>/dev/null || editor_fail "the editor ended while waiting for \"$name\""
        sleep 0.2
    done
    editor_fail "no window \"$name\" within $limit s (windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' '|'))"
}

# editor_wait_window NAME [SECONDS]: waits (default 20 s) until a visible window of exactly that name exists
# (a dialog of the program), keeps it in $EDITOR_DIALOG and gives it the focus.
editor_wait_window() {
    local name=$1 limit=${2:-20} i id pattern
    pattern=$(printf '%s' "$name" | sed 's/[][\.*^$()+?{}|]/\\&/g')
    EDITOR_DIALOG=""
    for i in $(seq $((limit * 5))); do
        for id in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null); do
            if [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$name" ]; then
                EDITOR_DIALOG=$id
                sleep 0.3
                xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id" 2>/dev/null
                return 0
            fi
        done
        kill -0 "$EDITOR_PID" 2>/dev/null || editor_fail "the editor ended while waiting for \"$name\""
        sleep 0.2
    done
    editor_fail "no window \"$name\" within $limit s (windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|'))"
}

# editor_wait_gone ID [SECONDS]: waits until the window is closed or hidden.
editor_wait_gone() {
    local id=$1 limit=${2:-20} i
    for i in $(seq $((limit * 5))); do
        xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$id" || return 0
        sleep 0.2
    done
    editor_fail "the window \"$(xdotool getwindowname "$id" 2>/dev/null)\" stayed open for $limit s"
}

# editor_dialog_key KEY...: sends the keys to the dialog found last ($EDITOR_DIALOG).
editor_dialog_key() {
    xdotool windowactivate --sync "$EDITOR_DIALOG" >/dev/null 2>&1 || xdotool windowfocus --sync "$EDITOR_DIALOG" 2>/dev/null
    xdotool key --delay 60 "$@"
    sleep 0.3
}

# editor_wait_title NAME [SECONDS]: waits until the main window's title is NAME.
editor_wait_title() {
    local name=$1 limit=${2:-20} i
    for i in $(seq $((limit * 5))); do
        [ "$(xdotool getwindowname "$EDITOR_WINDOW" 2>/dev/null)" = "$name" ] && return 0
        sleep 0.2
    done
    editor_fail "the title is \"$(xdotool getwindowname "$EDITOR_WINDOW" 2>/dev/null)\", not \"$name\", after $limit s"
}

# editor_key KEY...: focuses the main window and sends the keys (xdotool names: ctrl+o, alt+d, Home ...).
editor_key() {
    xdotool windowactivate --sync "$EDITOR_WINDOW" >/dev/null 2>&1 || xdotool windowfocus --sync "$EDITOR_WINDOW" 2>/dev/null
    xdotool key --delay 60 "$@"
    sleep 0.3
}

# editor_type TEXT: types the text into the window that has the focus.
editor_type() {
    xdotool type --delay 40 "$1"
    sleep 0.2
}

# editor_file_dialog PATH [SECONDS]: waits for Qt's file dialog (a new window of the program named "Open"
# or "Save As", or whatever title the dialog has), types the full path into its name field and presses
# Return. The dialog starts with the focus in that field.
editor_file_dialog() {
    EDITOR_DIALOG_LIMIT=${2:-20} editor_file_dialog_entries "$1"
}

# editor_file_dialog_entries TEXT...: the same with each text typed in turn, each followed by Return (a
# folder opens it; several names, each in double quotes, choose them all); the dialog closes after the last.
editor_file_dialog_entries() {
    local limit=${EDITOR_DIALOG_LIMIT:-20} i id dialog="" text
    for i in $(seq $((limit * 5))); do
        for id in $(xdotool search --onlyvisible --pid "$EDITOR_PID" . 2>/dev/null) \
                  $(xdotool search --onlyvisible --name '^(Open|Save As|Save)' 2>/dev/null); do
            [ "$id" = "$EDITOR_WINDOW" ] && continue
            case "$(xdotool getwindowname "$id" 2>/dev/null)" in
            Open* | Save*) dialog=$id; break 2 ;;
            esac
        done
        sleep 0.2
    done
    [ -n "$dialog" ] || editor_fail "no file dialog within $limit s"
    sleep 0.5
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || xdotool windowfocus --sync "$dialog" 2>/dev/null
    for text in "$@"; do
        # Whatever the name field proposes is replaced.
        xdotool key --delay 40 ctrl+a
        xdotool type --delay 20 "$text"
        xdotool key Return
        [ "$text" = "${!#}" ] || sleep 0.8
    done
    for i in $(seq $((limit * 5))); do
        xdotool getwindowname "$dialog" >/dev/null 2>&1 || return 0
        xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$dialog" || return 0
        sleep 0.2
    done
    editor_fail "the file dialog stayed open after \"$*\""
}

# editor_grab FILE: the whole screen as a PNG.
editor_grab() {
    import -window root "$1" 2>/dev/null || editor_fail "no screen grab"
}

# editor_keep FILE NAME: keeps a grab after the check as BUILD/external-shots/NAME (the build folder of the
# last editor_start).
editor_keep() {
    mkdir -p "$EDITOR_BUILD/external-shots" && cp "$1" "$EDITOR_BUILD/external-shots/$2" ||
        editor_fail "could not keep $1"
    echo "kept $EDITOR_BUILD/external-shots/$2"
}

# editor_count_colour FILE COLOUR: how many pixels of the grab have exactly that colour ("rgb(255,0,0)").
editor_count_colour() {
    convert "$1" -alpha off -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:int(mean*w*h+0.5)]' info:
}

# editor_colour_rows FILE COLOUR X Y W H [FUZZ%]: for each pixel row of that rectangle of the grab, "y count"
# with y counted from the top of the screen and count the pixels of that colour in the row, exactly or within
# FUZZ per cent of grey difference (rows without any left out).
editor_colour_rows() {
    local file=$1 colour=$2 x=$3 y=$4 w=$5 h=$6 fuzz=${7:-0}
    convert "$file" -crop "${w}x${h}+${x}+${y}" +repage -alpha off \( +clone -fill "$colour" -colorize 100 \) \
        -compose difference -composite -colorspace gray -threshold "$fuzz%" -negate -scale "1x${h}!" -depth 16 txt:- |
        awk -F'[,:() ]+' -v top="$y" -v w="$w" '/^0,/ { n = int($4 / 65535 * w + 0.5); if (n > 0) print top + $2, n }'
}

# editor_list_rows FILE: finds the frame list's selected row in a grab of the main window: the last run of
# pixel rows of the window's left half at least half in the selection's colour (clHighlight; the caption
# above is too) gives $EDITOR_ROW_TOP and $EDITOR_ROW_HEIGHT, and the rows of text are kept for
# editor_row_has_text. Fails when there is no band of a row's height.
editor_list_rows() {
    local file=$1 wx wy ww wh band
    read -r wx wy ww wh <<<"$(editor_geometry)"
    [ -n "$wh" ] || editor_fail "no geometry of the main window"
    band=$(editor_colour_rows "$file" "rgb(10,36,106)" $((wx + 8)) "$wy" $((ww / 2 - 8)) "$wh" |
        awk -v min=$((ww / 4)) '$2 >= min { if ($1 != last + 1) top = $1; last = $1 } END { print top, last - top + 1 }')
    read -r EDITOR_ROW_TOP EDITOR_ROW_HEIGHT <<<"$band"
    echo "selected row: from y $EDITOR_ROW_TOP, $EDITOR_ROW_HEIGHT high"
    [ -n "$EDITOR_ROW_HEIGHT" ] && [ "$EDITOR_ROW_HEIGHT" -ge 12 ] && [ "$EDITOR_ROW_HEIGHT" -le 24 ] ||
        editor_fail "no selected row in the list"
    editor_colour_rows "$file" "rgb(0,0,0)" $((wx + 8)) "$wy" $((ww / 2 - 8)) "$wh" 50 >"$EDITOR_WORK/text.rows"
}

# editor_row_text_lines N: how many pixel rows of the list row N rows below the selected one (above when
# negative) hold text (ten or more dark pixels), in the grab editor_list_rows read.
editor_row_text_lines() {
    local a=$((EDITOR_ROW_TOP + $1 * EDITOR_ROW_HEIGHT))
    awk -v a="$a" -v b=$((a + EDITOR_ROW_HEIGHT)) '$1 >= a && $1 < b && $2 >= 10' "$EDITOR_WORK/text.rows" | wc -l
}

# editor_row_has_text N: whether that row holds text (three pixel rows or more of it).
editor_row_has_text() {
    [ "$(editor_row_text_lines "$1")" -ge 3 ]
}

# editor_row_empty N: whether that row holds no text at all.
editor_row_empty() {
    [ "$(editor_row_text_lines "$1")" -eq 0 ]
}

# editor_geometry: "X Y W H" of the main window on the screen.
editor_geometry() {
    local x y w h
    eval "$(xdotool getwindowgeometry --shell "$EDITOR_WINDOW" 2>/dev/null | sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=/G_\1=/p')"
    echo "${G_X:-} ${G_Y:-} ${G_WIDTH:-} ${G_HEIGHT:-}"
}
