#!/usr/bin/env bash
# Builds FennmereSetup and runs it. Without arguments: starts the logger
# simulator on a pseudo-terminal and retrieves its configuration. With
# arguments: runs `fennmere` with them.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
fennmere_need_packages cmake ninja-build g++ libgtest-dev libgmock-dev
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFENNMERE_BUILD_TESTS=OFF -DFENNMERE_BUILD_GUI=OFF >/dev/null
cmake --build build/run -j "${FENNMERE_JOBS:-2}" >/dev/null
bin=build/run/tools
if [ $# -gt 0 ]; then
    exec "$bin/fennmere" "$@"
fi

state=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$state"' EXIT
"$bin/fennmere-loggersim" --state "$state/logger.txt" >"$state/port" &
sim=$!
for _ in $(seq 50); do [ -s "$state/port" ] && break; sleep 0.1; done
port=$(head -n 1 "$state/port")
echo "Logger simulator on $port; retrieving its configuration:" >&2
"$bin/fennmere" retrieve --port "$port"
