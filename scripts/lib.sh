# Shared by scripts/test, scripts/run and scripts/bench: packages, clean-up,
# the throw-away Wine prefix, the virtual display and the two-host test bed.
# Source it; it defines functions and sets nothing else.

MDB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

MDB_PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev googletest python3
              g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 xvfb x11-utils xdotool
              fonts-wine imagemagick iproute2 procps)

log() { printf '\033[1m== %s\033[0m\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Installs the Debian packages that are missing (as root, or through sudo).
ensure_packages() {
    local missing=() p
    for p in "${MDB_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Clean-up steps run in reverse order when the script ends, however it ends.
MDB_CLEANUP=()
on_exit() { MDB_CLEANUP+=("$*"); }
run_cleanup() {
    local i
    for ((i = ${#MDB_CLEANUP[@]} - 1; i >= 0; i--)); do eval "${MDB_CLEANUP[i]}" >/dev/null 2>&1 || true; done
    MDB_CLEANUP=()
}
trap run_cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

build_preset() {
    local preset=$1
    [ -f "$MDB_ROOT/build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" -S "$MDB_ROOT" >/dev/null
    cmake --build "$MDB_ROOT/build/$preset"
}

# Runs a command in the PC namespace when the test bed is up, else as it is.
# For a command started with '&', use the prefixes $MDB_IN_PC and
# $MDB_IN_BOX instead: then $! is the process itself, not a subshell.
in_pc() {
    if [ -n "${MDB_NS_PC:-}" ]; then ip netns exec "$MDB_NS_PC" "$@"; else "$@"; fi
}
in_box() { ip netns exec "$MDB_NS_BOX" "$@"; }

# A pair of network namespaces, PC and box, joined by a veth pair on a small
# private subnet with no route anywhere else. Names are unique per run.
testbed_up() {
    [ "$(id -u)" -eq 0 ] || die "the two-host test bed needs root (ip netns)"
    local tag
    tag=$(printf '%04x%04x' $$ $((RANDOM)))
    export MDB_NS_PC="mdbpc-$tag" MDB_NS_BOX="mdbbox-$tag"
    # The box agent of the tests answers at MDB_BOX_IP (MDB_BOX_IP2 is a second,
    # foreign address of the box side); the simulator plays the box at MDB_SIM_IP.
    export MDB_PC_IP=10.213.77.1 MDB_BOX_IP=10.213.77.2 MDB_BOX_IP2=10.213.77.3 MDB_SIM_IP=10.213.77.4
    on_exit ip netns del "$MDB_NS_PC"
    on_exit ip netns del "$MDB_NS_BOX"
    on_exit "kill_netns_processes $MDB_NS_PC $MDB_NS_BOX"
    ip netns add "$MDB_NS_PC"
    ip netns add "$MDB_NS_BOX"
    MDB_IN_PC="ip netns exec $MDB_NS_PC" MDB_IN_BOX="ip netns exec $MDB_NS_BOX"
    ip link add pc0 netns "$MDB_NS_PC" type veth peer name box0 netns "$MDB_NS_BOX"
    ip -n "$MDB_NS_PC" addr add "$MDB_PC_IP/24" dev pc0
    ip -n "$MDB_NS_BOX" addr add "$MDB_BOX_IP/24" dev box0
    ip -n "$MDB_NS_BOX" addr add "$MDB_BOX_IP2/24" dev box0
    ip -n "$MDB_NS_BOX" addr add "$MDB_SIM_IP/24" dev box0
    local ns
    for ns in "$MDB_NS_PC" "$MDB_NS_BOX"; do
        ip -n "$ns" link set lo up
    done
    ip -n "$MDB_NS_PC" link set pc0 up
    ip -n "$MDB_NS_BOX" link set box0 up
    # One port the PC has no route to, so that connecting to it fails for real.
    export MDB_UNREACHABLE_PORT=4999
    ip -n "$MDB_NS_PC" rule add ipproto udp dport "$MDB_UNREACHABLE_PORT" unreachable
    # The veth comes up asynchronously.
    local i
    for i in $(seq 50); do
        ip -n "$MDB_NS_PC" -o link show pc0 | grep -q 'state UP' && break
        sleep 0.1
    done
}

# The box side of the test bed: boxsim in agent mode, remote-controlled by
# the tests over the veth link (see tools/boxsim/Agent.cpp).
box_agent_up() {
    local boxsim=$MDB_ROOT/build/native/tools/boxsim
    $MDB_IN_BOX "$boxsim" agent --address "$MDB_BOX_IP" --peer "$MDB_PC_IP" --listen 4001,4002 </dev/null \
        >/dev/null 2>"${MDB_AGENT_LOG:-/dev/null}" &
    local pid=$!
    on_exit "kill $pid; wait $pid"
    sleep 0.2
    kill -0 "$pid" 2>/dev/null || die "the box agent did not start"
}

kill_netns_processes() {
    local ns pids
    for ns in "$@"; do
        pids=$(ip netns pids "$ns" 2>/dev/null) || continue
        [ -n "$pids" ] && kill $pids 2>/dev/null
    done
    sleep 0.3
    for ns in "$@"; do
        pids=$(ip netns pids "$ns" 2>/dev/null) || continue
        [ -n "$pids" ] && kill -9 $pids 2>/dev/null
    done
    return 0
}

# A throw-away 64-bit Wine prefix whose wineserver runs in the PC namespace
# (the wineserver makes the host sockets). Needs DISPLAY (xvfb_up) first.
wine_up() {
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d /tmp/mdbreader-wine.XXXXXX)
    export WINEARCH=win64 WINEDEBUG=fixme-all WINEDLLOVERRIDES="mscoree,mshtml="
    export MDB_WINE=/usr/lib/wine/wine64
    on_exit "rm -rf '$WINEPREFIX'"
    on_exit "WINEPREFIX='$WINEPREFIX' wineserver -k; WINEPREFIX='$WINEPREFIX' wineserver -w"
    in_pc wineserver -p </dev/null >/dev/null 2>&1
    in_pc "$MDB_WINE" wineboot -i </dev/null >/dev/null 2>&1
    # Every window of the prefix in one virtual desktop: without a window
    # manager Wine draws no title bars, and it waits two seconds for each
    # hidden window to be withdrawn.
    in_pc "$MDB_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
    in_pc "$MDB_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${MDB_DESKTOP_SIZE:-1280x1024}" /f \
        </dev/null >/dev/null 2>&1
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    in_pc wineserver -p </dev/null >/dev/null 2>&1
    # Start the helper processes and the desktop now, with their output thrown
    # away: started later by a test, they would hold its pipes open.
    in_pc "$MDB_WINE" wineboot </dev/null >/dev/null 2>&1
    in_pc "$MDB_WINE" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
}

# Stores a text setting of MdbReader in the test prefix's registry.
store_setting() {
    in_pc "$MDB_WINE" reg add 'HKCU\Software\Corvane\MdbReader\Settings' /v "$1" /t "${3:-REG_SZ}" /d "$2" /f \
        </dev/null >/dev/null 2>&1
}

# A virtual display.
xvfb_up() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    local pid=$!
    on_exit "kill $pid; wait $pid"
    local i
    for i in $(seq 100); do
        [ -s "$fdfile" ] && break
        sleep 0.05
    done
    [ -s "$fdfile" ] || die "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
}
