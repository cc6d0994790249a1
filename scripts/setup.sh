#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, from Debian's
# packages: the mingw-w64 i686 cross compiler, Wine with its 32-bit part,
# Xvfb, CMake and clang. Safe to run again: it installs only what is missing.
#
# Where the kernel cannot start 32-bit Linux programs itself (Wine's 32-bit
# loader is one), it registers qemu's user-mode emulator for them with
# binfmt_misc. qemu 8 or newer is needed there: older ones spend minutes
# starting every Wine process.
set -euo pipefail

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
updated=

apt_update() {
    [ -n "$updated" ] || $SUDO apt-get update -qq
    updated=1
}

apt_install() {
    apt_update
    $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-i686)
command -v wine >/dev/null 2>&1 || need+=(wine)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
command -v Xvfb >/dev/null 2>&1 || need+=(xvfb)
command -v xauth >/dev/null 2>&1 || need+=(xauth)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v clang++ >/dev/null 2>&1 || need+=(clang)
command -v python3 >/dev/null 2>&1 || need+=(python3)
[ -d /usr/src/googletest ] || need+=(googletest)
[ -f /usr/share/wine/fonts/marlett.ttf ] || need+=(fonts-wine)

if [ ${#need[@]} -gt 0 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    apt_install "${need[@]}"
fi

# 32-bit programs.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    exit 0
fi

qemu_major() {
    { qemu-i386-static --version 2>/dev/null || echo "version 0"; } |
        sed -n 's/.*version \([0-9]*\).*/\1/p' | head -n 1
}

if [ "$(qemu_major)" -lt 8 ]; then
    target=()
    . /etc/os-release
    if [ "${VERSION_CODENAME:-}" = bookworm ]; then
        list=/etc/apt/sources.list.d/bookworm-backports.list
        if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
            echo 'deb http://deb.debian.org/debian bookworm-backports main' | $SUDO tee "$list" >/dev/null
            updated=
        fi
        target=(-t bookworm-backports)
    fi
    apt_update
    $SUDO apt-get install -y -qq --no-install-recommends "${target[@]}" qemu-user-static >/dev/null
fi

binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
# Registered afresh each time: the F flag keeps the emulator file that was
# current at registration, which an upgrade may have replaced.
if [ -e "$binfmt/qemu-i386" ]; then
    echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
fi
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":qemu-i386:M::$magic:$mask:$(readlink -f "$(command -v qemu-i386-static)"):F" | $SUDO tee "$binfmt/register" >/dev/null
/lib/ld-linux.so.2 --version >/dev/null
