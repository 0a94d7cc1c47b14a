#!/usr/bin/env bash
# Drives the real program in a real X server (Xvfb with a small window
# manager), as a child would: name, greeting, answers, Exit. Checks exit
# statuses, the record files and that nothing is printed on the way.
#   realprogram.sh <path-to-dieci>
set -euo pipefail
dieci=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
printf '<JWM><FocusModel>click</FocusModel><Desktops width="1" height="1"/></JWM>\n' >"$work/jwmrc"
jwm -f "$work/jwmrc" >/dev/null 2>&1 &
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
# Whatever the caller runs its other tests on, this one needs the X server.
export QT_QPA_PLATFORM=xcb
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$HOME"
records="$HOME/.local/share/dieci"

# On standard error: a failure inside $(...) must still be seen.
fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits for a new top-level window with this exact title, focuses it.
focus_window() {
    local id
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | tail -n 1) ||
        fail "no window titled '$1'"
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    echo "$id"
}

# Waits until a window has gone away.
gone() { for _ in $(seq 100); do xdotool getwindowname "$1" >/dev/null 2>&1 || return 0; sleep 0.1; done; fail "window $1 stays"; }

start() {
    "$dieci" >"$work/out.log" 2>&1 &
    pid=$!
    local box
    box=$(focus_window dieci)
    xdotool type --delay 20 "$1"
    xdotool key Return
    gone "$box"
    box=$(focus_window dieci)
    xdotool key Return
    gone "$box"
    focus_window 'Dimmi il dorvo per arrivare a dieci' >/dev/null
}

finish() {
    local status=0
    timeout 20 tail --pid="$pid" -f /dev/null || fail "the program did not end"
    wait "$pid" || status=$?
    [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
    [ ! -s "$work/out.log" ] || fail "printed: $(cat "$work/out.log")"
}

# 1. First run, no answer: Exit ends at once, quietly, with empty records.
start Anna
xdotool key alt+x
finish 0
[ -f "$records/zorlak10.txt" ] && [ ! -s "$records/zorlak10.txt" ] || fail "points file not created empty"
echo "ok 1 - exit without a record"

# 2. Sixty answers cycling 1..9 make a right one all but certain; Exit then
# saves the record and praises it.
start "Mosè"
for i in $(seq 0 59); do
    xdotool type $(( i % 9 + 1 ))
    xdotool key Return Return
done
xdotool key alt+x
praise=$(focus_window dieci)
xdotool key Return
finish 0
points=$(tr -d '\r\n' <"$records/zorlak10.txt")
[ "$points" -ge 1 ] || fail "no record saved"
[ "$(od -An -tx1 "$records/zorlak100.txt" | tr -d ' \n')" = "4d6f73e80d0a" ] ||
    fail "name file holds $(od -An -c "$records/zorlak100.txt")"
echo "ok 2 - record $points saved with the name in Windows-1252"

# 3. A record folder that refuses the points file: the error report, then a
# non-zero exit.
rm -f "$records/zorlak10.txt"
mkdir "$records/zorlak10.txt"
"$dieci" >"$work/out.log" 2>&1 &
pid=$!
box=$(focus_window dieci); xdotool type Leo; xdotool key Return; gone "$box"
box=$(focus_window dieci); xdotool key Return; gone "$box"
focus_window dieci >/dev/null
xdotool key Return
finish 1
echo "ok 3 - unwritable record file reported, exit status 1"
echo "3 passed, 0 failed"
