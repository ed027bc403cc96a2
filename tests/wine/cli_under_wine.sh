#!/usr/bin/env bash
# The Windows command line (fennmere.exe, cross-built with mingw-w64) run
# under Wine against the logger simulator, side by side with the native one.
#
# Usage: cli_under_wine.sh FENNMERE-EXE NATIVE-BUILD-DIR
#   NATIVE-BUILD-DIR holds tools/fennmere and tools/fennmere-loggersim.
#
# A throw-away Wine prefix maps COM5 onto the simulator's pseudo-terminal
# (dosdevices/com5); COM9 is mapped nowhere. Wine does not refuse a second
# open of a port, so "port in use" (exit 5) cannot be shown here.
set -u
exe=$1
native=$(cd "$2" && pwd)
fennmere=$native/tools/fennmere
simulator=$native/tools/fennmere-loggersim
wine=${FENNMERE_WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export FENNMERE_LOGBOOK=$work/logbook
sims=()
cleanup() {
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    WINEPREFIX=$work/prefix "${wine%64}server" -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...: the command's status tells
    if "${@:2}"; then
        passed=$((passed + 1))
        echo "ok    $1"
    else
        failed=$((failed + 1))
        echo "FAIL  $1"
    fi
}

# wait_for SECONDS COMMAND...: polls until the command succeeds; fails once
# SECONDS have passed without. The limits are for a loaded machine: Wine
# alone may take many seconds to start a program there.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# win ARGS...: fennmere.exe under Wine, its output in $work/out and $work/err,
# its exit status in $status.
win() {
    local from=$(date +%s%N)
    timeout 120 "$wine" "$exe" "$@" >"$work/out" 2>"$work/err"
    status=$?
    echo "      fennmere.exe $1: exit $status, $(( ($(date +%s%N) - from) / 1000000 )) ms"
}

# has_line FILE: FILE holds a whole line.
has_line() { [ "$(wc -l <"$1")" -ge 1 ]; }

# simulator NAME ARGS...: starts one, maps it to COM5 when NAME is com5;
# $pty is its device.
simulator() {
    local name=$1
    shift
    # Emptied here: the one started in the background may empty it only
    # after the first look, which would then find the last one's device.
    : >"$work/$name.sim"
    "$simulator" "$@" >"$work/$name.sim" 2>"$work/$name.simerr" &
    sims+=($!)
    if ! wait_for 60 has_line "$work/$name.sim"; then
        echo "      the simulator printed no device within 60 s: $(cat "$work/$name.simerr")" >&2
    fi
    pty=$(head -n 1 "$work/$name.sim")
    if [ "$name" = com5 ]; then ln -sfn "$pty" "$WINEPREFIX/dosdevices/com5"; fi
}

stop_simulators() {
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null; done
    wait "${sims[@]}" 2>/dev/null
    sims=()
}

# The executable itself: one file, the program's version record.
system_dlls() {
    ! x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
        grep -viE '^(kernel32|advapi32|msvcrt|user32|ws2_32|shell32|ole32)\.dll$'
}
check "needs no DLL beside it" system_dlls
version_record() { strings -el "$exe" | grep -qx "Setup Software" && strings -el "$exe" | grep -qx "1.0.0.1"; }
check "carries the version record 1.0.0.1, Setup Software" version_record

started=$(date +%s.%N)
# The server's own messages go to a file of their own.
mkdir -p "$WINEPREFIX"
"${wine%64}server" -p >"$work/wineserver.log" 2>&1
"$wine" wineboot -i >"$work/wineboot.log" 2>&1
awk -v from="$started" -v to="$(date +%s.%N)" 'BEGIN { printf "--- Wine prefix made in %.1f s\n", to - from }'
rm -f "$WINEPREFIX/dosdevices/com"*

win --version
check "--version" grep -qx "fennmere (FennmereSetup) 1.10" "$work/out"

# Setup files: written new and written over (the old one replaced whole).
win new -o "$work/new.txt"
check "new writes a setup file" cmp -s "$work/new.txt" <("$fennmere" new -o -)
printf 'Name Over\r\n' >"$work/over.txt"
win convert "$work/new.txt" -o "$work/over.txt"
check "convert replaces an existing file" cmp -s "$work/new.txt" "$work/over.txt"

# Retrieve: the same bytes as the native program's from the same logger.
simulator com5
win retrieve --port COM5 -o "$work/retrieved-win.txt"
check "retrieve exits 0" test "$status" -eq 0
"$fennmere" retrieve --port "$pty" -o "$work/retrieved-native.txt" 2>/dev/null
check "retrieve writes the native program's setup file, byte for byte" \
    cmp -s "$work/retrieved-win.txt" "$work/retrieved-native.txt"
win retrieve --port COM5 --json -o "$work/retrieved-win.json"
"$fennmere" retrieve --port "$pty" --json -o "$work/retrieved-native.json" 2>/dev/null
# The same but for the logger's clock, read a moment apart, and the port.
same_json() {
    local moment='"(year|month|day|hour|minute|second|comPort)":'
    cmp -s <(grep -vE "$moment" "$work/retrieved-win.json") <(grep -vE "$moment" "$work/retrieved-native.json")
}
check "retrieve --json writes what the native program writes" same_json
stop_simulators

# Send with backup and verification, changing the serial 2 rate: the lines
# on the wire are the native program's, the reading back at 9600 included.
printf 'Name WineTest\r\nSerial2 9600\r\nMeasInterval 30\r\n' >"$work/send.txt"
# A Send takes some 20 s of the logger's own pauses: both run at once.
simulator native --log "$work/send-native.wire"
"$fennmere" send "$work/send.txt" --port "$pty" >/dev/null 2>&1 &
native_send=$!
simulator com5 --log "$work/send-win.wire"
win send "$work/send.txt" --port COM5
check "send exits 0 (backed up, sent, verified)" test "$status" -eq 0
wait "$native_send"
check "send puts the native program's lines on the wire" cmp -s "$work/send-win.wire" "$work/send-native.wire"
check "send switches to serial 2's rate and reads back at it" \
    grep -qP '^115200\tSerial2 9600\\r$' "$work/send-win.wire"
check "the verification runs at 9600" grep -qP '^9600\tService\\r$' "$work/send-win.wire"
win ports
check "ports lists COM5 as free" grep -qE '^COM5 .* free$' "$work/out"
stop_simulators

# Default configuration.
simulator com5 --log "$work/default.wire"
win default-config --port COM5
check "default-config exits 0" test "$status" -eq 0
simulator native --log "$work/default-native.wire"
"$fennmere" default-config --port "$pty" >/dev/null 2>&1
check "default-config puts the native program's lines on the wire" \
    cmp -s "$work/default.wire" "$work/default-native.wire"
stop_simulators

# Live: rows as the native program prints them.
printf 'o 1, I=A1, N=1, X=0, S=0, V=0, P=1, A=Level\r\n' >"$work/live.txt"
simulator com5 --data-interval 0.05 --columns 2 --seed 7
win live --port COM5 --count 20 --format csv --config "$work/live.txt" --sensors NUL
check "live exits 0" test "$status" -eq 0
check "live prints the header and 20 rows" test "$(wc -l <"$work/out")" -eq 21
check "live names the columns as the native program does" \
    test "$(head -n 1 "$work/out")" = "$(printf 'Date,Time,Level,Min\r')"
check "live rows have Date, Time and two values" \
    bash -c "tail -n +2 '$work/out' | tr -d '\r' | awk -F, 'NF != 4 { bad = 1 } END { exit bad }'"
stop_simulators

# Failures: a logger that never answers, a port that is not there.
simulator com5 --silent
win retrieve --port COM5 -o "$work/silent.txt"
check "a silent logger: exit 1" test "$status" -eq 1
check "a silent logger: nothing written" test ! -e "$work/silent.txt"
stop_simulators
win retrieve --port COM9 -o "$work/missing.txt"
check "a missing port: exit 6" test "$status" -eq 6
check "a missing port: named on stderr" grep -q COM9 "$work/err"

# Ctrl+C (Wine turns SIGINT into the console's Ctrl+C event) during a Send:
# the logger is told to leave service mode, exit 130.
simulator com5 --pace --log "$work/cancel.wire"
# --foreground: otherwise timeout hands the SIGINT below on to its whole
# process group as well, Wine sees a second Ctrl+C, and a second one ends the
# program at once, before it has told the logger anything.
timeout --foreground 120 "$wine" "$exe" send "$work/send.txt" --port COM5 --no-backup >"$work/out" 2>"$work/err" &
sender=$!
sending_or_gone() { grep -q 'MeasInterval' "$work/cancel.wire" 2>/dev/null || ! kill -0 "$sender" 2>/dev/null; }
wait_for 120 sending_or_gone || echo "      the Send did not get to MeasInterval within 120 s" >&2
kill -INT "$sender"
wait "$sender"
status=$?
check "Ctrl+C cancels the Send: exit 130" test "$status" -eq 130
last_line_is_exit() { tail -n 1 "$work/cancel.wire" | grep -qP '\tExit\\r$'; }
told_to_exit() {  # the simulator may log the last line a moment after the program ended
    wait_for 60 last_line_is_exit && return 0
    tail -n 3 "$work/cancel.wire"
    return 1
}
check "Ctrl+C: the logger is told to leave service mode" told_to_exit
stop_simulators

echo "wine checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
