#!/usr/bin/env bash
# Runs one Windows program under Wine with a time limit, in the environment
# that wine-env.sh started for the program's build folder.
#   scripts/wine-run.sh SECONDS PROGRAM.exe [ARGS...]
set -euo pipefail
limit=$1
program=$2
shift 2
if [ -z "${WINEPREFIX:-}" ]; then
    envfile=$(cd "$(dirname "$program")" && pwd)/wine-env.sh
    # shellcheck disable=SC1090
    . "$envfile"
fi
exec timeout -k 10 "$limit" wine "$program" "$@" </dev/null
