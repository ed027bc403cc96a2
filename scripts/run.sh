#!/usr/bin/env bash
# Builds FennmereSetup and runs it. The logger simulator is started on a
# pseudo-terminal and the main window opens with that port chosen, so
# Retrieve works at once. The example sensor definitions (resources/sensor.ini)
# fill the Analog and Digital pages' sensor lists. Arguments go to the
# application (a setup file to open). FENNMERE_NO_SIMULATOR=1 starts the
# application alone, for a real logger.
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
fennmere_need_packages cmake ninja-build g++ qt6-base-dev nlohmann-json3-dev libcli11-dev libedit-dev pkg-config
cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFENNMERE_BUILD_TESTS=OFF \
    -DFENNMERE_BUILD_GUI=ON >/dev/null
cmake --build build/run -j "${FENNMERE_JOBS:-2}" >/dev/null
bin=build/run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: run this from a desktop session (or under xvfb-run)." >&2
fi
if [ "${FENNMERE_NO_SIMULATOR:-0}" = 1 ]; then
    exec "$bin/app/FennmereSetup" --sensors resources/sensor.ini "$@"
fi

state=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$state"' EXIT
"$bin/tools/fennmere-loggersim" --state "$state/logger.txt" --data-interval 1 >"$state/port" &
sim=$!
for _ in $(seq 50); do [ -s "$state/port" ] && break; sleep 0.1; done
port=$(head -n 1 "$state/port")
echo "Logger simulator on $port; press Retrieve to read its configuration." >&2
"$bin/app/FennmereSetup" --port "$port" --sensors resources/sensor.ini "$@"
