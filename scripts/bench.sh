#!/usr/bin/env bash
# Builds the module and the benchmark (build/), runs build/bench.exe once
# under Wine and prints its table: per-report cost beside the common controls
# and the shell's progress dialog, status text fitting, the animation
# thread's CPU time, finish latency, load time, and the steadiness of the
# time-left line. Takes about two minutes; figures under emulation are slow
# in absolute terms, so compare the ratios within one run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh --module-only
cmake --build build --target bench -j"$(nproc)"

echo "progress.dll at $(git log -1 --format='%h %s' 2>/dev/null || echo 'an unknown commit')"
if [ -n "$(git status --porcelain -- src include res 2>/dev/null)" ]; then
    echo "(with uncommitted changes in src/, include/ or res/)"
fi

scripts/wine-env.sh start build
trap 'scripts/wine-env.sh stop build' EXIT
scripts/wine-run.sh 900 build/bench.exe
