# shellcheck shell=bash
# Shared pieces of scripts/test, scripts/run and scripts/bench (sourced, not run).
#
# Everything a function starts or creates is recorded, and lab_cleanup undoes all of it:
# callers install it as their EXIT trap and call it once more before their last line.
# The program under test broadcasts from every local address, so it only ever runs inside
# the two network namespaces made here (lan_up), never in the machine's own network.

ORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# wine32:i386 lets the 64-bit Wine run the 32-bit product (it needs the i386 architecture).
# fonts-wine gives Wine the fonts Windows has (Tahoma for dialogs), so text measures as there.
ORVANE_PACKAGES=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 wine32:i386 fonts-wine xvfb
                 xauth imagemagick xdotool tesseract-ocr ffmpeg iproute2 cmake ninja-build g++ googletest
                 curl python3 e2fsprogs unzip xclip nftables)

# Both builds: the product (32-bit) and the same program 64-bit, each with its own tests.
ORVANE_ALL_ARCHES=(i686 x86_64)

# The test LAN, the one place its addresses are written down. Two links join the PC and the
# BOX namespace; a.b.c.N/24 addresses, one subnet per link.
LAN_NET1=10.86.1                      # link 1: pc1 - box1
LAN_NET2=10.86.2                      # link 2: pc2 - box2
LAN_PC_ADDRS=("$LAN_NET1.1/24" "$LAN_NET2.1/24")                # pc1, pc2
LAN_PC_ADDR=$LAN_NET1.1               # the PC address the tests know (ORVANE_PC_ADDR)
# box1 holds the addresses of ten boxes and one in a subnet no PC address covers.
LAN_BOX1_ADDRS=("$LAN_NET1".{10..19}/24 172.20.5.10/24)
LAN_BOX2_ADDRS=("$LAN_NET2.10/24")
LAN_BOX_FIRST=10                      # host number of the first box address on link 1
BOXSIM_CONTROL=$LAN_NET1.$LAN_BOX_FIRST:7000   # the simulator's control port
LAN_FFMPEG_TS=$LAN_NET1.19:8080       # ffmpeg's live stream (tests/record_ffmpeg_server.sh)

# lan_box_addr K: the K-th box address on link 1 (K from 0; from K = 10 on, addresses that the
# BOX namespace does not hold, whose simulated boxes answer every probe).
lan_box_addr() { echo "$LAN_NET1.$((LAN_BOX_FIRST + $1))"; }

# Behind a router: link 2 runs through a bridge in the ROUTER namespace, whose address on it is
# the PC's gateway to the FAR namespace. The far namespace takes every address of LAN_FAR_ALL as
# its own (an AnyIP route), so one box simulator there receives a probe to any far address and
# answers from the box's own. Broadcasts stay on link 2; unicast crosses.
LAN_ROUTER_ADDR=$LAN_NET2.254         # the router on link 2
LAN_TRANSIT_NET=10.86.9               # router (.1) - far (.2)
LAN_FAR_ALL=172.30.0.0/16             # every far address (and the widest sweep, 65,536)
LAN_FAR_NETS=(172.30.1.0/24 172.30.2.0/24 172.30.3.0/24)  # the tests' far boxes live here
LAN_FAR_BLOCK=172.30.16.0/20          # 4,096 far addresses, for the benchmark's boxes
FAR_BOXSIM_CONTROL=$LAN_TRANSIT_NET.2:7001  # the far simulator's control port

# What the tests read to find the LAN: ORVANE_TEST_LAN=1 also lets them start the program.
LAN_TEST_ENV=(ORVANE_TEST_LAN=1 "ORVANE_BOXSIM=$BOXSIM_CONTROL" "ORVANE_PC_ADDR=$LAN_PC_ADDR"
              "ORVANE_FFMPEG_TS=$LAN_FFMPEG_TS" "ORVANE_FAR_BOXSIM=$FAR_BOXSIM_CONTROL"
              "ORVANE_FAR_NETS=${LAN_FAR_NETS[*]}")

LAB_NAMESPACES=()
LAB_PIDS=()
LAB_PREFIXES=()
LAB_DIRS=()

log() { printf '== %s\n' "$*"; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

require_root() {
    [[ $(id -u) -eq 0 ]] || die "run this as root (it installs packages and makes network namespaces)"
}

# Installs the whole package list when any of it is missing.
install_missing_packages() {
    local missing=() package
    for package in "${ORVANE_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed' ||
            missing+=("$package")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    log "installing (missing: ${missing[*]})"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 || return 1
    # An unrelated index may be broken and make update exit 100; the lists needed here are fine.
    apt-get update || true
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${ORVANE_PACKAGES[@]}" || return 1
}

# Once wine32 is installed, `wine` starts every program through Wine's 32-bit loader, a 32-bit
# Linux program. Some kernels refuse those ("Exec format error"); there the kernel is told to hand
# them to qemu's user-mode i386 emulator, so the i686 product runs under Wine all the same. qemu
# 7.2 (bookworm) takes about 50 s to start a Wine process; the backport takes about 3 s, so that
# one is installed. Everything but a 32-bit exe then starts through the 64-bit loader directly
# (0.4 s instead of 4 s): a `wine` first on PATH chooses by the exe's machine type.
I386_ELF_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_ELF_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
QEMU_I386=/usr/bin/qemu-i386-static

run_32bit_programs() {
    local loader32=/usr/lib/wine/wine binfmt=/proc/sys/fs/binfmt_misc bin="$ORVANE_ROOT/out/wine-loader" name
    [[ -x $loader32 ]] || return 0
    if [[ ! -e $binfmt/orvane-i386 ]]; then
        "$loader32" --version >/dev/null 2>&1 && return 0
        log "this kernel refuses 32-bit programs: running them through qemu-i386"
        if ! "$QEMU_I386" --version 2>/dev/null | grep -Eq 'version ([89]|[1-9][0-9])\.'; then
            echo 'deb http://deb.debian.org/debian bookworm-backports main' >/etc/apt/sources.list.d/orvane-backports.list &&
                { apt-get update || true; } &&
                DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends -t bookworm-backports \
                    qemu-user-static || return 1
        fi
        [[ -e $binfmt/register ]] || mount -t binfmt_misc binfmt_misc "$binfmt" || return 1
        printf ':orvane-i386:M::%s:%s:%s:FOC\n' "$I386_ELF_MAGIC" "$I386_ELF_MASK" "$QEMU_I386" >"$binfmt/register" ||
            return 1
        "$loader32" --version >/dev/null 2>&1 || return 1
    fi
    mkdir -p "$bin" || return 1
    for name in wine wine-stable; do
        cat >"$bin/$name" <<'LOADER' && chmod +x "$bin/$name" || return 1
#!/bin/sh
# A 32-bit exe (PE machine 014c) goes to Wine's own script; everything else to the 64-bit loader.
if [ -f "$1" ]; then
    pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$pe" ] && [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')" = 014c ] &&
        exec /usr/bin/wine-stable "$@"
fi
exec /usr/lib/wine/wine64 "$@"
LOADER
    done
    export PATH="$bin:$PATH"
}

# build_windows ARCH TESTS(ON|OFF) [TARGET...]: configures (quick when nothing changed, and it
# keeps -Werror and the test option set whoever configured the folder before), then builds.
build_windows() {
    local arch=$1 tests=$2 dir="$ORVANE_ROOT/build/$1"
    shift 2
    cmake -S "$ORVANE_ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ORVANE_ROOT/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS="$tests" -DORVANE_WERROR=ON >/dev/null || return 1
    ninja -j2 -C "$dir" "$@"
}

# product_check: the 32-bit product imports only DLLs that Windows itself ships; prints its size.
product_check() {
    local exe="$ORVANE_ROOT/build/i686/Orvane.exe" imports dll bad=0
    [[ -f $exe ]] || return 1
    imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p') && [[ -n $imports ]] || return 1
    echo "build/i686/Orvane.exe: $(stat -c %s "$exe") bytes; imports:"
    while read -r dll; do
        case ${dll,,} in
        kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | iphlpapi.dll | ws2_32.dll | msvcrt.dll | \
            shell32.dll | advapi32.dll) echo "  $dll" ;;
        *)
            echo "  $dll (not shipped with Windows)"
            bad=1
            ;;
        esac
    done <<<"$imports"
    return $bad
}

# package_product: the release zip of the 32-bit product (CPack, build/i686/package/); prints
# its path. Builds Orvane.exe first; the operator's guide is made when build/i686 is configured.
package_product() {
    local made
    ninja -j2 -C "$ORVANE_ROOT/build/i686" Orvane >/dev/null || return 1
    # cpack's last word: "CPack: - package: PATH generated."
    made=$(cd "$ORVANE_ROOT/build/i686" && cpack -G ZIP -B package) || return 1
    sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' <<<"$made" | grep .
}

# package_check ZIP: the zip holds, in one folder named after it, exactly the i686 Orvane.exe
# that was built, the operator's guide and every picture the guide shows, at the guide's
# relative links.
package_check() {
    local zip=$1 top files=() file expected listed unpacked pictures picture status=0
    top=$(basename "$zip" .zip)
    files=("$top/OperatorGuide.md" "$top/Orvane.exe")
    for file in "$ORVANE_ROOT"/docs/*.png; do
        files+=("$top/docs/$(basename "$file")")
    done
    expected=$(printf '%s\n' "${files[@]}" | sort)
    listed=$(unzip -Z1 "$zip" | grep -v '/$' | sort) || return 1
    if [[ $listed != "$expected" ]]; then
        printf 'the package holds:\n%s\nexpected:\n%s\n' "$listed" "$expected"
        return 1
    fi
    unpacked=$(mktemp -d) || return 1
    unzip -q "$zip" -d "$unpacked" || status=1
    cmp -s "$unpacked/$top/Orvane.exe" "$ORVANE_ROOT/build/i686/Orvane.exe" ||
        { echo "the package's Orvane.exe is not build/i686/Orvane.exe"; status=1; }
    i686-w64-mingw32-objdump -f "$unpacked/$top/Orvane.exe" | grep -q 'file format pei-i386' ||
        { echo "the package's Orvane.exe is not a 32-bit x86 program"; status=1; }
    grep -q "^## Operator's guide" "$unpacked/$top/OperatorGuide.md" ||
        { echo "the guide lacks its heading"; status=1; }
    pictures=$(grep -o '](docs/[^)]*)' "$unpacked/$top/OperatorGuide.md" | sed 's/^](\(.*\))$/\1/')
    [[ -n $pictures ]] || { echo "the guide shows no pictures"; status=1; }
    for picture in $pictures; do
        [[ -f $unpacked/$top/$picture ]] || { echo "the guide shows $picture, which the package lacks"; status=1; }
    done
    rm -rf "$unpacked"
    [[ $status -eq 0 ]] && echo "$(basename "$zip"): $(unzip -Z1 "$zip" | grep -vc '/$') files, the guide's pictures at its links"
    return $status
}

# The native box simulator; rebuilt when one of its sources (or the datagram code it shares
# with the program) is newer.
build_boxsim() {
    local binary="$ORVANE_ROOT/build/native/boxsim"
    if [[ -x $binary ]] && [[ -z $(find "$ORVANE_ROOT/tools/boxsim" "$ORVANE_ROOT"/discovery/DeviceDatagram.* "$ORVANE_ROOT"/discovery/AnnouncedBox.h \
                                       -newer "$binary" \( -name '*.cpp' -o -name '*.h' \) | head -n1) ]]; then
        return 0
    fi
    mkdir -p "$ORVANE_ROOT/build/native"
    (cd "$ORVANE_ROOT" && g++ -std=c++17 -O2 -Wall -Wextra -pthread -I. tools/boxsim/*.cpp -o build/native/boxsim)
}

# A scratch folder under /tmp for Wine prefixes (about 700 MB each), removed by lab_cleanup.
lab_scratch_dir() {
    LAB_SCRATCH=$(mktemp -d "/tmp/orvane-$1.XXXXXX") || die "mktemp failed"
    LAB_DIRS+=("$LAB_SCRATCH")
}

# lan_up NAME: the PC namespace NAME-pc-PID and the BOX namespace NAME-box-PID joined by two
# veth links, link 2 through a bridge in the ROUTER namespace NAME-rt-PID, which forwards to the
# FAR namespace NAME-far-PID. Sets LAN_PC, LAN_BOX, LAN_ROUTER and LAN_FAR.
lan_up() {
    LAN_PC="$1-pc-$$"
    LAN_BOX="$1-box-$$"
    LAN_ROUTER="$1-rt-$$"
    LAN_FAR="$1-far-$$"
    local ns
    for ns in "$LAN_PC" "$LAN_BOX" "$LAN_ROUTER" "$LAN_FAR"; do
        ip netns add "$ns" || return 1
        LAB_NAMESPACES+=("$ns")
    done
    # Each veth pair is created directly inside the namespaces: nothing appears in the host's.
    ip link add pc1 netns "$LAN_PC" type veth peer name box1 netns "$LAN_BOX" || return 1
    ip link add pc2 netns "$LAN_PC" type veth peer name lan2pc netns "$LAN_ROUTER" || return 1
    ip link add box2 netns "$LAN_BOX" type veth peer name lan2box netns "$LAN_ROUTER" || return 1
    ip link add rtfar netns "$LAN_ROUTER" type veth peer name far0 netns "$LAN_FAR" || return 1

    ip -n "$LAN_PC" addr add "${LAN_PC_ADDRS[0]}" dev pc1 || return 1
    ip -n "$LAN_PC" addr add "${LAN_PC_ADDRS[1]}" dev pc2 || return 1
    # The subnet no PC address covers reaches the PC too, as rp_filter is off (below).
    local address
    for address in "${LAN_BOX1_ADDRS[@]}"; do
        ip -n "$LAN_BOX" addr add "$address" dev box1 || return 1
    done
    for address in "${LAN_BOX2_ADDRS[@]}"; do
        ip -n "$LAN_BOX" addr add "$address" dev box2 || return 1
    done
    lan_router_up || return 1

    local dev
    for dev in pc1 pc2; do
        ip -n "$LAN_PC" link set "$dev" up || return 1
    done
    for dev in box1 box2; do
        ip -n "$LAN_BOX" link set "$dev" up || return 1
    done
    for ns in "$LAN_PC" "$LAN_BOX" "$LAN_ROUTER" "$LAN_FAR"; do
        ip -n "$ns" link set lo up || return 1
        # rp_filter off everywhere (all, default and each link) inside the namespace.
        ip netns exec "$ns" sh -c 'for f in /proc/sys/net/ipv4/conf/*/rp_filter; do echo 0 >"$f"; done' || return 1
    done
    lan_routes
}

# The router's bridge on link 2 and its link to the far namespace (part of lan_up).
lan_router_up() {
    local port
    ip -n "$LAN_ROUTER" link add br2 type bridge || return 1
    for port in lan2pc lan2box; do
        ip -n "$LAN_ROUTER" link set "$port" master br2 up || return 1
    done
    ip -n "$LAN_ROUTER" addr add "$LAN_ROUTER_ADDR/24" dev br2 || return 1
    ip -n "$LAN_ROUTER" addr add "$LAN_TRANSIT_NET.1/24" dev rtfar || return 1
    ip -n "$LAN_FAR" addr add "$LAN_TRANSIT_NET.2/24" dev far0 || return 1
    ip -n "$LAN_ROUTER" link set br2 up || return 1
    ip -n "$LAN_ROUTER" link set rtfar up || return 1
    ip -n "$LAN_FAR" link set far0 up || return 1
    # Forwarding in the router only; the other namespaces keep the default (off).
    ip netns exec "$LAN_ROUTER" sysctl -q -w net.ipv4.ip_forward=1
}

# Routes between the test's own namespaces, none out of them (part of lan_up, once links are up).
lan_routes() {
    local net
    for net in "$LAN_FAR_ALL" "$LAN_TRANSIT_NET.0/24"; do
        ip -n "$LAN_PC" route add "$net" via "$LAN_ROUTER_ADDR" || return 1
    done
    ip -n "$LAN_ROUTER" route add "$LAN_FAR_ALL" via "$LAN_TRANSIT_NET.2" || return 1
    ip -n "$LAN_ROUTER" route add "$LAN_NET1.0/24" via "${LAN_PC_ADDRS[1]%/*}" || return 1
    ip -n "$LAN_FAR" route add default via "$LAN_TRANSIT_NET.1" || return 1
    ip -n "$LAN_FAR" route add local "$LAN_FAR_ALL" dev lo
}

# router_loss ROUTER_NAMESPACE on|off: the router drops 1% of the UDP datagrams it forwards to
# and from the far addresses, each way (this kernel has no netem; nftables does it).
router_loss() {
    ip netns exec "$1" nft delete table inet lab 2>/dev/null
    [[ $2 == off ]] && return 0
    ip netns exec "$1" nft -f - <<EOF
table inet lab {
    chain forward {
        type filter hook forward priority 0;
        ip daddr $LAN_FAR_ALL meta l4proto udp numgen random mod 100 lt 1 drop
        ip saddr $LAN_FAR_ALL meta l4proto udp numgen random mod 100 lt 1 drop
    }
}
EOF
}

# boxsim_start LOGDIR [OPTION...]: the simulator in the BOX namespace (LOGDIR/boxsim.log); waits
# until it is ready. Sets BOXSIM_PID.
boxsim_start() {
    boxsim_run "$LAN_BOX" "$1/boxsim" "${@:2}"
}

# far_boxsim_start LOGDIR [OPTION...]: a second simulator, for the far boxes, in the FAR
# namespace with its control port at FAR_BOXSIM_CONTROL (LOGDIR/boxsim-far.log). Sets BOXSIM_PID.
far_boxsim_start() {
    boxsim_run "$LAN_FAR" "$1/boxsim-far" --control-port "${FAR_BOXSIM_CONTROL##*:}" "${@:2}"
}

# boxsim_run NS LOGBASE [OPTION...]: logs to LOGBASE.log, its own output to LOGBASE.out.
boxsim_run() {
    local ns=$1 base=$2
    shift 2
    rm -f "$base.log"
    ip netns exec "$ns" "${BOXSIM_BIN:-$ORVANE_ROOT/build/native/boxsim}" --log "$base.log" "$@" \
        </dev/null >>"$base.out" 2>&1 &
    BOXSIM_PID=$!
    LAB_PIDS+=("$BOXSIM_PID")
    for _ in $(seq 100); do
        grep -q READY "$base.log" 2>/dev/null && return 0
        kill -0 "$BOXSIM_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "boxsim did not start; see $base.log and $base.out" >&2
    return 1
}

# xvfb_start LOGDIR: a virtual display of XVFB_SIZE on the first free number from :90; sets
# XVFB_DISPLAY.
XVFB_SIZE=1280x1024
xvfb_start() {
    local n
    for n in $(seq 90 199); do
        [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
        Xvfb ":$n" -screen 0 "${XVFB_SIZE}x24" -nolisten tcp </dev/null >>"$1/xvfb.log" 2>&1 &
        local pid=$!
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            if [[ -S /tmp/.X11-unix/X$n ]]; then
                LAB_PIDS+=("$pid")
                XVFB_DISPLAY=":$n"
                return 0
            fi
            sleep 0.1
        done
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    echo "no free X display for Xvfb" >&2
    return 1
}

# wine_prefix_new NS PREFIX: a fresh prefix, made inside namespace NS (Mono/Gecko skipped), with
# Wine's own Windows fonts in its Fonts folder: Tahoma for the dialogs' text, Marlett for the
# caption buttons. Wine does not find them where Debian puts them, and would measure and draw
# with whatever the machine has instead.
wine_prefix_new() {
    LAB_PREFIXES+=("$2")
    ip netns exec "$1" env WINEPREFIX="$2" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        DISPLAY="${XVFB_DISPLAY:-${DISPLAY:-}}" wineboot -i </dev/null >/dev/null 2>&1
    cp "$WINE_FONTS"/*.ttf "$2/drive_c/windows/Fonts/" || return 1
    # The registry is written when the prefix's server ends.
    WINEPREFIX="$2" wineserver -w
    [[ -f $2/system.reg ]]
}

WINE_FONTS=/usr/share/wine/fonts  # from fonts-wine

# wine_prefix_copy TEMPLATE PREFIX
wine_prefix_copy() {
    LAB_PREFIXES+=("$2")
    cp -a "$1" "$2"
}

# wine_server_start NS PREFIX DISPLAY: a persistent wineserver for PREFIX inside NS, and its
# helper processes, all detached from our output (ctest otherwise waits for them).
# Wine makes its sockets inside the wineserver, so this decides the network of the prefix.
wine_server_start() {
    ip netns exec "$1" env WINEPREFIX="$2" WINEDEBUG=-all DISPLAY="$3" wineserver -p </dev/null >/dev/null 2>&1
    ip netns exec "$1" env WINEPREFIX="$2" WINEDEBUG=-all DISPLAY="$3" wine cmd /c exit </dev/null >/dev/null 2>&1
}

# in_pc COMMAND...: runs a command in the PC namespace LAN_PC with the Wine environment of the
# prefix PC_PREFIX and the display PC_DISPLAY, which the caller sets.
in_pc() {
    [[ -n ${LAN_PC:-} && -n ${PC_PREFIX:-} ]] || { echo "in_pc: no PC namespace or prefix" >&2; return 1; }
    ip netns exec "$LAN_PC" env WINEPREFIX="$PC_PREFIX" WINEDEBUG=-all DISPLAY="${PC_DISPLAY:-}" "$@"
}

# Undoes everything above; safe to call twice. Silent, so that the caller's last line stays
# its own, and deaf to SIGPIPE, so that a reader that went away (Ctrl+C on `scripts/test | tee`)
# cannot stop it half way.
lab_cleanup() {
    trap '' INT TERM PIPE
    lab_undo >/dev/null 2>&1
    trap - INT TERM PIPE
}

lab_undo() {
    local prefix pid ns dir
    for prefix in "${LAB_PREFIXES[@]}"; do
        [[ -d $prefix ]] && WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    done
    for pid in "${LAB_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
    done
    # Whatever still runs inside our own namespaces was started by this script.
    for ns in "${LAB_NAMESPACES[@]}"; do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            kill "$pid" 2>/dev/null
        done
    done
    for pid in "${LAB_PIDS[@]}"; do
        wait "$pid" 2>/dev/null
    done
    for prefix in "${LAB_PREFIXES[@]}"; do
        [[ -d $prefix ]] && WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
    done
    for ns in "${LAB_NAMESPACES[@]}"; do
        ip netns del "$ns" 2>/dev/null
    done
    for dir in "${LAB_DIRS[@]}"; do
        rm -rf "$dir"
    done
    LAB_PREFIXES=() LAB_PIDS=() LAB_NAMESPACES=() LAB_DIRS=()
}

# Callers: trap lab_cleanup EXIT, and Ctrl+C / TERM end the script through that trap.
lab_traps() {
    trap lab_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}
