#!/usr/bin/env bash
# The same Retrieve timed natively and under Wine: fennmere retrieve and
# fennmere.exe retrieve, alternately, against one logger simulator at 115200
# baud with byte pacing. Prints each run and the medians, wall-clock time of
# the whole program (Wine's start included) and its CPU time.
#
# Usage: wine_retrieve_bench.sh [NATIVE-BUILD [WINDOWS-BUILD [RUNS]]]
# Default: build/bench, build/bench-win, 5 runs; each is built when missing.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
native=${1:-build/bench}
windows=${2:-build/bench-win}
runs=${3:-5}
wine=${FENNMERE_WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}
if [ ! -x "$native/tools/fennmere" ] || [ ! -x "$native/tools/fennmere-loggersim" ]; then
    cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_GUI=OFF >/dev/null
fi
cmake --build "$native" -j 2 --target fennmere fennmere-loggersim >/dev/null
if [ ! -f "$windows/build.ninja" ]; then
    cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
fi
cmake --build "$windows" -j 2 --target fennmere >/dev/null

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sim=""
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    "${wine%64}server" -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# The server's own messages go to a file of their own.
mkdir -p "$WINEPREFIX"
"${wine%64}server" -p >"$work/wineserver.log" 2>&1
"$wine" wineboot -i >/dev/null 2>&1
"$native/tools/fennmere-loggersim" --pace --baud 115200 >"$work/port" 2>/dev/null &
sim=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
pty=$(head -n 1 "$work/port")
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com5"
# Wine's server stays up between runs, as it does on a desktop.
"$wine" "$windows/tools/fennmere.exe" --version >/dev/null

# timed NAME COMMAND...: one run; wall and CPU seconds appended to NAME.
timed() {
    local name=$1
    shift
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" -o "$work/$name.txt" >/dev/null 2>"$work/$name.err" ||
        { echo "$name run $run failed:"; cat "$work/$name.err"; exit 1; }
    read -r wall user system <"$work/time"
    echo "$wall $(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" >>"$work/$name.times"
    printf '%-7s run %d: %5.2f s, CPU %4.2f s\n' "$name" "$run" "$wall" "$(tail -n 1 "$work/$name.times" | cut -d' ' -f2)"
}
for run in $(seq "$runs"); do
    timed native "$native/tools/fennmere" retrieve --port "$pty"
    timed wine "$wine" "$windows/tools/fennmere.exe" retrieve --port COM5
done
cmp -s "$work/native.txt" "$work/wine.txt" && echo "both wrote the same setup file" || echo "THE SETUP FILES DIFFER"
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for name in native wine; do
    printf '%-7s median: %.2f s, CPU %.2f s\n' "$name" "$(cut -d' ' -f1 "$work/$name.times" | median)" \
        "$(cut -d' ' -f2 "$work/$name.times" | median)"
done
