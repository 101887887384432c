#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs `bash scripts/test.sh` on a minimal Debian 12 (bookworm) made with
# debootstrap, on a clone of this repository's last commit, as root with an
# empty environment and no network: a test that leans on something this
# machine happens to have installed, configured or running fails there. Needs root, debootstrap and a
# Debian mirror; downloads a whole system, so it is not part of CI.
#
#   bash scripts/test-in-chroot.sh [FOLDER]
#
# FOLDER (default /var/tmp/glimview-bookworm) keeps the Debian system between
# runs; delete it for a fresh one. The clone inside is made anew each time.
# MIRROR names the Debian mirror (default http://deb.debian.org/debian).
# The output is also written to FOLDER.log.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
target="$(realpath -m "${1:-/var/tmp/glimview-bookworm}")"
mirror="${MIRROR:-http://deb.debian.org/debian}"
security="${SECURITY_MIRROR:-http://deb.debian.org/debian-security}"

if [ "$(id -u)" != 0 ]; then
    echo "test-in-chroot.sh must run as root (debootstrap, chroot, mount)" >&2
    exit 1
fi
command -v debootstrap >/dev/null || {
    echo "debootstrap is not installed: apt-get install debootstrap" >&2
    exit 1
}

if [ ! -x "$target/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase bookworm "$target" "$mirror"
    # The updates a freshly installed machine has.
    cat >"$target/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
    # No service starts inside the chroot while packages are installed.
    printf '#!/bin/sh\nexit 101\n' >"$target/usr/sbin/policy-rc.d"
    chmod 755 "$target/usr/sbin/policy-rc.d"
fi

mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
    done
}
trap cleanup EXIT
mount_in() { # type-or-bind source mount-point
    mkdir -p "$3"
    if [ "$1" = bind ]; then mount --bind "$2" "$3"; else mount -t "$1" "$2" "$3"; fi
    mounted+=("$3")
}
# The chroot's / a mount point of its own, as on a machine: `unshare
# --propagation private` (a test uses it) refuses a root that is not one.
mount_in bind "$target" "$target"
mount_in proc proc "$target/proc"
mount_in sysfs sysfs "$target/sys"
mount_in bind /dev "$target/dev"
mount_in bind /dev/pts "$target/dev/pts"
# Shared memory and /tmp of the chroot's own, empty as on a machine just started.
mount_in tmpfs tmpfs "$target/dev/shm"
mount_in tmpfs tmpfs "$target/tmp"
chmod 1777 "$target/dev/shm" "$target/tmp"
cp /etc/resolv.conf "$target/etc/resolv.conf"

# A clone of the last commit, not the work tree: what a fresh clone holds.
rm -rf "$target/root/glimview"
git clone --quiet --no-hardlinks "$root" "$target/root/glimview"
git -C "$target/root/glimview" checkout --quiet --detach "$(git -C "$root" rev-parse HEAD)"

# Runs a command in the clone, as root with an empty environment; the other
# arguments go before chroot (unshare) when given.
in_chroot() {
    local command="$1"
    shift
    "$@" chroot "$target" /usr/bin/env -i HOME=/root USER=root LOGNAME=root TERM="${TERM:-dumb}" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c "cd /root/glimview && $command"
}
# The packages come from the mirror; then the test command runs without a
# network, as a machine of its own would: a network namespace with loopback
# only, which also keeps this machine's X servers (abstract sockets) and
# services out of the tests' way. Its package step finds everything installed.
cat >"$target/root/loopback-up.py" <<'EOF'
import fcntl, socket, struct
s = socket.socket()
flags = struct.unpack("16sH", fcntl.ioctl(s, 0x8913, struct.pack("16sH", b"lo", 0)))[1]  # SIOCGIFFLAGS
fcntl.ioctl(s, 0x8914, struct.pack("16sH", b"lo", flags | 1))  # SIOCSIFFLAGS, IFF_UP
EOF
{
    in_chroot 'bash scripts/install-deps.sh' &&
        in_chroot 'python3 /root/loopback-up.py && bash scripts/test.sh' unshare --net
} 2>&1 | tee "$target.log"
exit "${PIPESTATUS[0]}"
