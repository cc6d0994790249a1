#!/usr/bin/env bash
# The whole test suite: installs what it needs, builds, then runs the native
# tests and fuzzers and, under Wine, the test hosts against build/progress.dll.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh || exit 1

scripts/wine-env.sh start build || exit 1
trap 'scripts/wine-env.sh stop build' EXIT

passed=0
failed=0
status=0
for dir in build-native build; do
    log=$(mktemp)
    ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    total=$(sed -n 's/.* tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    bad=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
    passed=$((passed + ${total:-0} - ${bad:-0}))
    failed=$((failed + ${bad:-0}))
    rm -f "$log"
done
echo
echo "All: $passed passed, $failed failed"
exit $status
