#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix and drives the installed program
# in a real X server (Xvfb with a small window manager), started from another
# folder, as a child would: name, greeting, answers, Exit. Checks exit
# statuses, the record files, that nothing is printed on the way and, with a
# private sound server, which sound each answer plays.
#   realprogram.sh <build-dir>
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb jwm xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
# With the accessibility bus at hand, the whole run gets a session bus of its own.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
    exec dbus-run-session -- "$here/$(basename "$0")" "$build"
fi
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/usr" >/dev/null
dieci=$work/usr/bin/dieci
# The teacher's program does without the sound stack.
! ldd "$work/usr/bin/dieci-registro" | grep -q -i -E 'multimedia|pulse' ||
    { echo "FAIL: dieci-registro loads the sound libraries" >&2; exit 1; }
cd /

exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
printf '<JWM><FocusModel>click</FocusModel><Desktops width="1" height="1"/></JWM>\n' >"$work/jwmrc"
jwm -f "$work/jwmrc" >/dev/null 2>&1 &
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
# The machine's own lab settings (/etc/xdg/dieci) are not this test's.
export XDG_CONFIG_DIRS="$work/xdg" XDG_CONFIG_HOME="$work/home/.config"
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$HOME"
# Whatever the caller runs its other tests on, this one needs the X server.
export QT_QPA_PLATFORM=xcb
records="$HOME/.local/share/dieci"

# On standard error: a failure inside $(...) must still be seen.
fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits for a new top-level window with this exact title, focuses it.
focus_window() {
    local id
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | tail -n 1) ||
        fail "no window titled '$1'; there are: $(xdotool search --onlyvisible --name . \
            getwindowname %@ 2>/dev/null | tr '\n' '|')"
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    echo "$id"
}

# Waits until a window has gone away.
gone() { for _ in $(seq 100); do xdotool getwindowname "$1" >/dev/null 2>&1 || return 0; sleep 0.1; done; fail "window $1 stays"; }

# Presses a key in a box until the box has gone: on a busy machine a key can
# reach a box before the box has taken the keyboard, and is lost.
press_until_gone() {
    local _
    [ -n "$1" ] || fail "no window to press $2 in"
    for _ in $(seq 20); do
        xdotool key "$2"
        for _ in $(seq 30); do xdotool getwindowname "$1" >/dev/null 2>&1 || return 0; sleep 0.1; done
    done
    fail "window $1 stays after $2"
}

start() {
    "$dieci" >"$work/out.log" 2>&1 &
    pid=$!
    local box
    box=$(focus_window dieci)
    xdotool type --delay 20 "$1"
    xdotool key Return
    gone "$box"
    press_until_gone "$(focus_window dieci)" Return
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
[ "$(ls -A "$records")" = "$(printf 'zorlak10.txt\nzorlak100.txt')" ] ||
    fail "the record folder holds $(ls -A "$records")"
echo "ok 1 - exit without a record; nothing but the two record files written"

# 2. Sixty answers cycling 1..9 make a right one all but certain; Exit then
# saves the record and praises it.
# The name is plain ASCII: on a busy machine xdotool loses a typed "è" about
# once in three runs. Its Windows-1252 bytes are checked by tst_endgame.
# The class register is turned on first: the race is recorded answer by answer.
"$work/usr/bin/dieci-registro" --attiva >/dev/null
start "Mose"
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
[ "$(od -An -tx1 "$records/zorlak100.txt" | tr -d ' \n')" = "4d6f73650d0a" ] ||
    fail "name file holds $(od -An -c "$records/zorlak100.txt")"
"$work/usr/bin/dieci-registro" --esporta "$work/registro.csv"
[ "$(grep -c ';Mose;1;[1-9];[1-9];' "$work/registro.csv")" -eq 60 ] ||
    fail "the register holds $(wc -l <"$work/registro.csv") lines"
[ "$(grep -c ';sì;' "$work/registro.csv")" -eq "$points" ] || fail "right answers differ"
# The finished race lives in the file alone: a copy without its journal is whole.
[ ! -s "$records/registro.sqlite-wal" ] || fail "the race is left in the journal"
mkdir -p "$work/copia/dieci"
cp "$records/registro.sqlite" "$work/copia/dieci/"
XDG_DATA_HOME="$work/copia" "$work/usr/bin/dieci-registro" --esporta "$work/copia.csv"
cmp -s "$work/registro.csv" "$work/copia.csv" || fail "the copied register differs"
[ "$(grep -c ';uscita;$' <(tr -d '\r' <"$work/copia.csv"))" -eq 60 ] || fail "no ending in the export"
# The report the teacher prints: a PDF with the class and the child.
"$work/usr/bin/dieci-registro" --stampa "$work/registro.pdf" --nome mose
if command -v pdftotext >/dev/null; then
    [ "$(pdftotext "$work/registro.pdf" - | grep -c "Mose")" -ge 2 ] ||
        fail "the report names the child $(pdftotext "$work/registro.pdf" - | grep -c Mose) times"
fi
# Qt's own texts in Italian too, whatever the language of the system.
help=$(LANG=C LC_ALL=C "$work/usr/bin/dieci-registro" --help)
grep -q '^Utilizzo:' <<<"$help" && ! grep -qE 'Displays|Options|Usage' <<<"$help" ||
    fail "--help is not all in Italian: $help"
echo "ok 2 - record $points saved with the name, one CR LF line; 60 answers in the register;" \
     "its report printed"

# 3. Sound, with a private sound server: the installed sounds, then the
# teacher's own recording (24-bit stereo) from her data folder.
le() { local i; for ((i = 0; i < $2; i++)); do printf "\\x$(printf %02x $((($1 >> 8 * i) & 255)))"; done; }
recording24() { # three seconds of 24-bit stereo silence at 48 kHz
    local data=$((48000 * 6 * 3))
    { printf RIFF; le $((36 + data)) 4; printf 'WAVEfmt '; le 16 4; le 1 2; le 2 2
      le 48000 4; le $((48000 * 6)) 4; le 6 2; le 24 2; printf data; le "$data" 4
      head -c "$data" /dev/zero; } >"$1"
}
# Answers one question and prints the sample format of the sound it plays.
sound_of_an_answer() {
    local format
    xdotool type 5
    xdotool key Return
    for _ in $(seq 400); do
        format=$(pactl list sink-inputs | sed -n 's/.*Sample Spec[a-z]*: //p' | head -n 1)
        [ -n "$format" ] && { echo "$format"; return; }
        sleep 0.05
    done
    fail "no sound played"
}
if command -v pulseaudio >/dev/null && command -v pactl >/dev/null; then
    pulseaudio -n --daemonize=no --exit-idle-time=-1 -L module-native-protocol-unix \
        -L "module-null-sink sink_name=null" >"$work/pulse.log" 2>&1 &
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    start Leo
    format=$(sound_of_an_answer)
    [ "$format" = "s16le 1ch 22050Hz" ] || fail "installed sound played as $format"
    kill "$pid"
    wait "$pid" || true
    [ ! -s "$work/out.log" ] || fail "printed: $(cat "$work/out.log")"
    mkdir -p "$records/suoni"
    recording24 "$records/suoni/Esatto.wav"
    cp "$records/suoni/Esatto.wav" "$records/suoni/no.wav"
    start Leo
    format=$(sound_of_an_answer)
    [ "$format" = "s16le 2ch 48000Hz" ] || fail "the teacher's sound played as $format"
    kill "$pid"
    wait "$pid" || true
    echo "ok 3 - the installed sounds play, and the teacher's own 24-bit stereo one instead"
else
    echo "ok 3 # SKIP pulseaudio or pactl is not installed"
fi

# 4. What a screen reader hears at the focus, keyboard only: the number asked,
# the feedback with the right answer, the score; Tab leaves the answer box.
reader="$here/screenreader.py"
if [ -x /usr/libexec/at-spi-bus-launcher ] && /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    start Anna
    unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON
    n=$("$reader" "Scrivi qui la risposta" "Quanto manca da " | sed -n 's/^Quanto manca da \([1-9]\) per arrivare a 10?$/\1/p')
    [ -n "$n" ] || fail "no number asked"
    xdotool type $((10 - n))
    xdotool key Return
    "$reader" "Esatto! Anna Sei forte!" "Risposte esatte 1, errate 0, totali 1." >/dev/null
    xdotool key Return
    n=$("$reader" "Quanto manca da " | sed -n 's/^Quanto manca da \([1-9]\) per arrivare a 10?$/\1/p')
    wrong=$(( 10 - n == 1 ? 2 : 1 ))
    xdotool type "$wrong"
    xdotool key Return
    "$reader" "Sbagliato!! $((10 - n))" "Risposte esatte 1, errate 1, totali 2." >/dev/null
    # The window is black now: the score must still read against it.
    if command -v import >/dev/null; then
        contrast=$("$here/scorecontrast.py")
        awk -v c="$contrast" 'BEGIN { exit !(c >= 4.5) }' ||
            fail "the score reads at $contrast:1 on the black window"
    else
        echo "# SKIP the score's contrast: imagemagick is not installed"
    fi
    xdotool key Return
    "$reader" "Quanto manca da " >/dev/null
    xdotool key Tab
    "$reader" "Pulsante senza funzione" >/dev/null
    kill "$pid"
    wait "$pid" || true
    echo "ok 4 - a screen reader hears the number, the feedback and the score; Tab moves on;" \
         "the score reads on the black window (${contrast:-?}:1)"
else
    echo "ok 4 # SKIP the accessibility bus or python3-pyatspi is not installed"
fi

# 5. A record folder that refuses the points file: the error report, then a
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
echo "ok 5 - unwritable record file reported, exit status 1"
rmdir "$records/zorlak10.txt"

# 6. Keys alone start a new race: F10 opens the menu bar, the arrows reach
# "nuovo", and its question comes; then the new race asks the name again.
start Leo
xdotool key F10
xdotool key Right
xdotool key Down
xdotool key Return
press_until_gone "$(focus_window 'INIZIARE NUOVA GARA')" alt+s
press_until_gone "$(focus_window dieci)" Return # the table's limit: none typed
press_until_gone "$(focus_window dieci)" Return # "... arriviamo fino al 10."
box=$(focus_window dieci); xdotool type Eva; xdotool key Return; gone "$box"
press_until_gone "$(focus_window dieci)" Return
focus_window 'Dimmi il dorvo per arrivare a dieci' >/dev/null
xdotool key alt+x
finish 0
echo "ok 6 - F10, arrows and Enter reach a new race, keyboard only"

# 7. Under a lab's file-size limit a save fails with the error report naming
# the file, instead of the program being killed by SIGXFSZ.
printf -- '-1\r\n' >"$records/zorlak10.txt" # any score beats it: Exit saves
rm -f "$records"/registro.sqlite* # the register would complain of the limit too
(ulimit -f 0 && exec "$dieci") >"$work/out.log" 2>&1 &
pid=$!
box=$(focus_window dieci); xdotool type Leo; xdotool key Return; gone "$box"
box=$(focus_window dieci); xdotool key Return; gone "$box"
focus_window 'Dimmi il dorvo per arrivare a dieci' >/dev/null
xdotool key alt+x
focus_window dieci >/dev/null
xdotool key Return
finish 1
[ "$(cat "$records/zorlak10.txt")" = $'-1\r' ] || fail "the record changed under the limit"
echo "ok 7 - past a file-size limit: the error report and status 1, the record kept"

# 8. A race read aloud, with the private sound server of 3 and the teacher's
# silent sounds: whatever the recording holds is the voice. It speaks after
# the question and after each Enter, and leaves the child's stderr quiet.
if command -v pulseaudio >/dev/null && command -v parec >/dev/null &&
    command -v speech-dispatcher >/dev/null &&
    compgen -G '/usr/lib/*/qt6/plugins/texttospeech/libqtexttospeech_speechd.so' >/dev/null; then
    "$work/usr/bin/dieci-registro" --attiva >/dev/null
    "$work/usr/bin/dieci-registro" --adatta Vera --voce sì --contrasto sì >/dev/null
    parec -d null.monitor --raw --format=s16le --rate=16000 --channels=1 >"$work/voce.raw" &
    # Under AddressSanitizer, its strstr check makes the speech library's
    # reading of espeak-ng's thousands of voices take minutes.
    export ASAN_OPTIONS="${ASAN_OPTIONS:-}:intercept_strstr=0"
    heard() { "$here/speech.py" "$work/voce.raw" "$1" || fail "nothing said after $2"; }
    start Vera
    heard 0 "the question" >/dev/null
    size=$(stat -c %s "$work/voce.raw")
    xdotool type 5
    xdotool key Return
    heard "$size" "the answer" >/dev/null
    size=$(stat -c %s "$work/voce.raw")
    xdotool key Return
    heard "$size" "the next question" >/dev/null
    xdotool key alt+x
    # Any score beats the record 7 left: the praise is read aloud too.
    size=$(stat -c %s "$work/voce.raw")
    praise=$(focus_window dieci)
    heard "$size" "the praise" >/dev/null
    press_until_gone "$praise" Return
    finish 0
    [ ! -s "$work/out.log" ] || fail "printed: $(cat "$work/out.log")"
    # Without a speech engine to reach, the race goes on with one line said.
    SPEECHD_ADDRESS="unix_socket:$work/nessuno" start Vera
    xdotool key alt+x # no answer: no record, the program ends at once
    timeout 20 tail --pid="$pid" -f /dev/null || fail "the race without a voice did not end"
    grep -q '^dieci: voce non disponibile (.*): la gara continua senza voce$' "$work/out.log" &&
        [ "$(wc -l <"$work/out.log")" -eq 1 ] || fail "without a voice: $(cat "$work/out.log")"
    kill "$(cat "$XDG_RUNTIME_DIR/speech-dispatcher/pid/speech-dispatcher.pid" 2>/dev/null)" \
        2>/dev/null || true
    echo "ok 8 - a race read aloud: speech after the question and after each Enter;" \
         "without an engine, one line and a silent race"
else
    echo "ok 8 # SKIP pulseaudio, parec, speech-dispatcher or Qt's speechd plugin is missing"
fi
echo "8 passed, 0 failed"
