#!/usr/bin/env bash
# The typical exchange of a vend, boxsim in script mode against the real
# MdbReader.exe, with the e2e driver as the card holder. Runs inside the PC
# namespace of the test bed (scripts/test), the simulator in the box's.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
driver=$1  # e2e_tests.exe
boxsim=$root/build/native/tools/boxsim
wine=${MDB_WINE:-/usr/lib/wine/wine64}

marks=$(mktemp -d)
sim=""
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null
    rm -rf "$marks"
}
trap cleanup EXIT

"$wine" reg add 'HKCU\Software\Corvane\MdbReader\Settings' /v IPAddress /d "$MDB_SIM_IP" /f </dev/null >/dev/null 2>&1
ip netns exec "$MDB_NS_BOX" "$boxsim" script "$here/typical_exchange.script" --peer "$MDB_PC_IP" \
    --address "$MDB_SIM_IP" --mark-dir "$marks" </dev/null &
sim=$!
MDB_MARK_DIR="Z:${marks//\//\\}" "$wine" "$driver" --gtest_also_run_disabled_tests \
    --gtest_filter=Scripted.DISABLED_CardHolder </dev/null
driver_status=$?
wait "$sim"
sim_status=$?
sim=""
"$wine" reg delete 'HKCU\Software\Corvane\MdbReader' /f </dev/null >/dev/null 2>&1 || true
[ "$driver_status" = 0 ] && [ "$sim_status" = 0 ] && echo "1 passed, 0 failed" && exit 0
echo "the driver ended with $driver_status, the simulator's script with $sim_status"
exit 1
