#!/usr/bin/env bash
# One logger against four at once: the same Send (with backup and
# verification) and the same Retrieve, side by side against the simulator at
# 115200 baud with byte pacing. Prints figures. Usage: multiport_bench.sh [BUILD-DIR]
set -eu
build=${1:-build/bench}
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_GUI=OFF >/dev/null
fi
cmake --build "$build" -j 2 --target fennmere fennmere-loggersim >/dev/null
fennmere=$build/tools/fennmere
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT
export FENNMERE_LOGBOOK=$work/logbook
"$build/tools/fennmere-loggersim" --pace --baud 115200 --count 4 >"$work/ports" &
sim=$!
for _ in $(seq 50); do [ "$(wc -l <"$work/ports")" -ge 4 ] && break; sleep 0.1; done
mapfile -t ports <"$work/ports"
printf 'Name North\r\nMeasInterval 60\r\no 3, I=A1, A=Level\r\n' >"$work/a.txt"
mkdir "$work/out"
now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
all=()
for port in "${ports[@]}"; do all+=(--port "$port"); done

for command in retrieve send; do
    if [ "$command" = retrieve ]; then
        one_args=(retrieve -o "$work/one.txt") four_args=(retrieve -o "$work/out")
    else
        one_args=(send "$work/a.txt") four_args=(send "$work/a.txt")
    fi
    t0=$(now); "$fennmere" "${one_args[@]}" --port "${ports[0]}" --sensors /dev/null >/dev/null; t1=$(now)
    "$fennmere" "${four_args[@]}" "${all[@]}" --sensors /dev/null >"$work/summary"; t2=$(now)
    one=$(calc "$t1 - $t0") four=$(calc "$t2 - $t1")
    printf '%-8s one logger %.2f s, four at once %.2f s: ratio %s (target at most 1.15)\n' \
        "$command" "$one" "$four" "$(calc "$four / $one")"
done
cat "$work/summary"
