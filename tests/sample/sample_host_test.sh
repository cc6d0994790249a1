#!/usr/bin/env bash
# The sample setup host end to end under Wine: a full copy is identical to
# its source; a confirmed cancel removes what was copied; a declined cancel
# goes on to a full copy.
#   tests/sample/sample_host_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/sample-test
rm -rf "$work"
mkdir -p "$work/source"

# A small tree: nested folders, a long path, empty and larger files.
src=$work/source
mkdir -p "$src/bin" "$src/share/doc/Very Long Folder Name For Documentation Of The Sample Application"
for i in $(seq 1 12); do
    head -c $((i * 7919)) /dev/urandom >"$src/bin/file$i.dll"
done
: >"$src/bin/empty.txt"
head -c 200000 /dev/urandom >"$src/share/doc/Very Long Folder Name For Documentation Of The Sample Application/manual with a long name.txt"

win() { echo "Z:${1//\//\\}"; }
run() { "$root/scripts/wine-run.sh" 300 "$build/setup_host.exe" --source "$(win "$src")" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "-- full copy"
run --dest "$(win "$work/full")" >"$work/full.log" 2>&1 || { cat "$work/full.log"; fail "full copy exited with $?"; }
diff -r "$src" "$work/full" >/dev/null || fail "the copy differs from its source"

echo "-- cancel, confirmed"
status=0
run --dest "$(win "$work/cancelled")" --cancel-at 5 --answer yes >"$work/cancel.log" 2>&1 || status=$?
[ "$status" -eq 3 ] || { cat "$work/cancel.log"; fail "cancelled run exited with $status"; }
[ ! -e "$work/cancelled" ] || fail "the cancelled run left $(find "$work/cancelled" | wc -l) entries"
grep -q "Installation cancelled" "$work/cancel.log" || fail "no cancel message"

echo "-- cancel, declined"
run --dest "$(win "$work/resumed")" --cancel-at 5 --answer no >"$work/resume.log" 2>&1 || { cat "$work/resume.log"; fail "resumed run failed"; }
diff -r "$src" "$work/resumed" >/dev/null || fail "the resumed copy differs from its source"

echo "-- an existing destination is refused"
status=0
run --dest "$(win "$work/full")" >"$work/exists.log" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "an existing destination gave $status"

rm -rf "$work"
echo "sample host: all paths passed"
