#!/usr/bin/env bash
# A Send of changes only (with its backup and verification) against a plain
# whole Send, side by side against the logger simulator at 115200 baud with
# byte pacing: one changed setting, one changed alarm threshold, nothing
# changed. Prints figures. Usage: changesonly_bench.sh [BUILD-DIR] [ROUNDS]
set -eu
build=${1:-build/bench}
rounds=${2:-2}
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_GUI=OFF >/dev/null
fi
cmake --build "$build" -j 2 --target fennmere fennmere-loggersim >/dev/null
fennmere=$build/tools/fennmere
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT
export FENNMERE_LOGBOOK=$work/logbook
"$build/tools/fennmere-loggersim" --pace --baud 115200 >"$work/port" &
sim=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -n 1 "$work/port")
send() { "$fennmere" send "$@" --port "$port" --sensors /dev/null; }

# The whole configuration as a complete file, so that an alarm can change.
printf 'Name North\r\nMeasInterval 60\r\no 3, I=A1, A=Level\r\n' >"$work/a.txt"
"$fennmere" show "$work/a.txt" --json --sensors /dev/null >"$work/a.json"
sed '0,/"measInterval": 60/s//"measInterval": 120/' "$work/a.json" >"$work/setting.json"
sed '0,/"type": "NONE"/s//"type": "MORE"/' "$work/a.json" >"$work/alarm.json"
cmp -s "$work/a.json" "$work/setting.json" && { echo "setting.json did not change" >&2; exit 1; }
cmp -s "$work/a.json" "$work/alarm.json" && { echo "alarm.json did not change" >&2; exit 1; }

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
seconds() { calc "$2 - $1"; }
# Runs a changes-only Send and prints its seconds; what it said goes to $work/said.
timed() { local t0 t1; t0=$(now); send "$1" --changes-only 2>"$work/said"; t1=$(now); seconds "$t0" "$t1"; }

plain_total=0 setting_total=0 alarm_total=0 nothing_total=0
for round in $(seq "$rounds"); do
    t0=$(now); send "$work/a.json" --no-backup --no-verify; t1=$(now)
    plain=$(seconds "$t0" "$t1")
    setting=$(timed "$work/setting.json"); grep -q "Sent only the 1 configuration line" "$work/said" || cat "$work/said"
    nothing=$(timed "$work/setting.json"); grep -q "Nothing differs" "$work/said" || cat "$work/said"
    send "$work/a.json" --no-backup --no-verify
    alarm=$(timed "$work/alarm.json"); grep -q "Sent only the 1 configuration line" "$work/said" || cat "$work/said"
    printf 'round %d: plain whole send %.2f s; changes only: one setting %.2f s, one alarm %.2f s, nothing %.2f s\n' \
        "$round" "$plain" "$setting" "$alarm" "$nothing"
    plain_total=$(calc "$plain_total + $plain") setting_total=$(calc "$setting_total + $setting")
    alarm_total=$(calc "$alarm_total + $alarm") nothing_total=$(calc "$nothing_total + $nothing")
done
printf 'one setting / plain: %.3f (target at most 0.3)\n' "$(calc "$setting_total / $plain_total")"
printf 'one alarm / plain:   %.3f (target at most 0.3)\n' "$(calc "$alarm_total / $plain_total")"
printf 'nothing / plain:     %.3f (target at most 0.2)\n' "$(calc "$nothing_total / $plain_total")"
