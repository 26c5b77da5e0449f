#!/usr/bin/env bash
# boxsim's command line and script mode, on loopback: clear errors for bad
# input, and a scenario passed and failed against a responder.
set -u
boxsim=$1
responder=$2
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
passed=0 failed=0

# check NAME WANTED-STATUS PATTERN COMMAND...: the status and a line of output
check() {
    local name=$1 want=$2 pattern=$3
    shift 3
    "$@" >"$work/out" 2>&1
    local got=$?
    if [ "$got" = "$want" ] && grep -q -- "$pattern" "$work/out"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name: status $got (wanted $want), output:"
        sed 's/^/    /' "$work/out"
    fi
}

port=$((20000 + RANDOM % 20000))
check "no peer" 2 "--peer ADDR" "$boxsim"
check "bad peer" 2 "bad PC address '1.2.3'" "$boxsim" --peer 1.2.3
check "bad box address" 2 "bad box address 'box'" "$boxsim" --peer 127.0.0.1 --address box
check "unknown option" 2 "unknown option --speed" "$boxsim" --peer 127.0.0.1 --speed 3
check "bad number" 2 "bad value '70000' for --comm-port" "$boxsim" --peer 127.0.0.1 --comm-port 70000
check "unknown mode" 2 "unknown mode 'fly'" "$boxsim" fly
check "help" 0 "expect-control HEX" "$boxsim" --help

python3 -c "import socket,time; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(('127.0.0.2', $port)); time.sleep(30)" &
pids+=($!)
sleep 0.3
check "port in use" 2 "cannot bind 127.0.0.2:$port: Address already in use" \
    "$boxsim" --peer 127.0.0.1 --address 127.0.0.2 --comm-port "$port" --ctrl-port $((port + 1))
kill "${pids[@]}"; pids=()

check "missing script" 2 "cannot read the script" "$boxsim" script "$work/none" --peer 127.0.0.1
printf 'send 12\n\nfly away\n' >"$work/bad"
check "unknown step" 2 "bad:3: unknown step 'fly'" "$boxsim" script "$work/bad" --peer 127.0.0.1 --address 127.0.0.3
printf 'expect 10 0\n' >"$work/odd"
check "odd hex" 2 "odd:1: expect needs the bytes in hex" "$boxsim" script "$work/odd" --peer 127.0.0.1 --address 127.0.0.3
printf '# nothing\n' >"$work/empty"
check "no steps" 2 "has no steps" "$boxsim" script "$work/empty" --peer 127.0.0.1 --address 127.0.0.3

"$responder" "$port" 127.0.0.1 &
pids+=($!)
sleep 0.2
cat >"$work/pass" <<'SCRIPT'
send 11 00 03 10 02 00   # SETUP CONFIG DATA
expect 10 01 02 19 78 01 02 05 0F within 1000
send 13 00 00 96 00 0C
expect none within 100
send 12
expect 10 05 00 96
mark vended
SCRIPT
check "script passes" 0 "script passed: 7 steps" \
    "$boxsim" script "$work/pass" --peer 127.0.0.1 --address 127.0.0.2 --comm-port "$port" --ctrl-port $((port + 1)) --mark-dir "$work"
[ -f "$work/vended" ] && passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAILED: the mark was not made"; }
printf 'send 12\nexpect 10 00 within 200\n' >"$work/fail"
check "script fails at the first difference" 1 "fail:2: expected 10 00 within 200 ms, got nothing" \
    "$boxsim" script "$work/fail" --peer 127.0.0.1 --address 127.0.0.2 --comm-port "$port" --ctrl-port $((port + 1)) --quiet
printf 'send 11 00\nexpect 10 01\n' >"$work/differs"
check "script shows what came instead" 1 "expected 10 01, got 10 01 02 19 78 01 02 05 0F" \
    "$boxsim" script "$work/differs" --peer 127.0.0.1 --address 127.0.0.2 --comm-port "$port" --ctrl-port $((port + 1)) --quiet

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
