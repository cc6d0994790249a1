#!/usr/bin/env bash
# Builds the module, the test hosts and the sample host (build/), and the
# native tests and fuzzers of the portable logic (build-native/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
if [ "${1:-}" != --module-only ]; then
    cmake -S . -B build-native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build build-native -j"$(nproc)"
fi
