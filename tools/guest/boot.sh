#!/usr/bin/env bash
# Runs one command on an emulated x86-64 machine that runs 32-bit programs, for machines whose
# own kernel runs none:
#
#     tools/guest/boot.sh RESULTS_DIR TIME_LIMIT COMMAND...
#
# qemu-system-x86_64 (TCG: no KVM needed) boots Debian's own amd64 kernel with a small
# initramfs made here from busybox-static and the kernel's 9p and overlay modules. Its init
# (tools/guest/init) sees this machine's root, read-only, under a tmpfs where it may write,
# runs COMMAND there in the current folder, and leaves COMMAND's output in RESULTS_DIR/guest.log
# and its exit status in RESULTS_DIR/status; whatever else COMMAND writes to /guest-out lands in
# RESULTS_DIR. Exits with COMMAND's status, or 124 when the machine ran past TIME_LIMIT seconds
# (it is killed then), or 125 when it stopped without a status. The kernel's console is kept
# in RESULTS_DIR/console.log. VELMORA_GUEST_CPUS and VELMORA_GUEST_MEMORY (MB) size the machine.
set -euo pipefail
results="$(realpath -m "$1")" limit="$2"
shift 2
here="$(cd "$(dirname "$0")" && pwd)"

kernel="$(ls /boot/vmlinuz-*-amd64 2>/dev/null | sort -V | tail -n 1)"
[ -n "$kernel" ] || { echo "guest: no amd64 kernel in /boot (tools/setup.sh installs one)" >&2; exit 125; }
release="${kernel#/boot/vmlinuz-}"

# The initramfs: busybox, our init, and the modules for virtio-9p and overlayfs, each after the
# ones it needs (modprobe reads that from the kernel's modules.dep). Made once per kernel.
cache="${XDG_CACHE_HOME:-$HOME/.cache}/velmora/guest"
initramfs="$cache/initramfs-$release-$(sha256sum "$here/init" | cut -c1-12).cpio"
if [ ! -f "$initramfs" ]; then
  tree="$(mktemp -d)"
  trap 'rm -rf "$tree"' EXIT
  mkdir -p "$tree"/{bin,dev,proc,sys,modules}
  cp /bin/busybox "$tree/bin/busybox"
  cp "$here/init" "$tree/init"
  modprobe -S "$release" --show-depends -a virtio_pci 9pnet_virtio 9p overlay |
    awk '$1 == "insmod" && !seen[$2]++ { print $2 }' | while read -r module; do
      cp "$module" "$tree/modules/"
      basename "$module" >>"$tree/modules/order"
    done
  mkdir -p "$cache"
  (cd "$tree" && find . | sort | busybox cpio -o -H newc -R 0:0 2>/dev/null) >"$initramfs.new"
  mv "$initramfs.new" "$initramfs"
fi

mkdir -p "$results"
rm -f "$results/status" "$results/guest.log" "$results/console.log"
run="$(printf '%s ' "$@" | base64 -w0)"
share() {  # share TAG FOLDER [OPTIONS]
  echo "-fsdev local,id=$1,path=$2,security_model=none${3:+,$3} -device virtio-9p-pci,fsdev=$1,mount_tag=$1"
}
# -cpu max,-smap: with SMAP on, every 32-bit Wine process dies of a "supervisor read access in
# user mode" fault at an iret. -no-reboot with panic=-1: a kernel panic ends qemu too.
set +e
# shellcheck disable=SC2046
timeout --kill-after=10 "$limit" qemu-system-x86_64 \
  -accel tcg -cpu max,-smap -smp "${VELMORA_GUEST_CPUS:-2}" -m "${VELMORA_GUEST_MEMORY:-4096}" \
  -nodefaults -no-user-config -display none -no-reboot -serial "file:$results/console.log" \
  -kernel "$kernel" -initrd "$initramfs" \
  -append "console=ttyS0 panic=-1 quiet velmora_dir=$PWD velmora_run=$run" \
  $(share host-root / readonly=on,multidevs=remap) $(share results "$results")
machine=$?
set -e
[ "$machine" -eq 124 ] || [ "$machine" -eq 137 ] && { echo "guest: still running after ${limit}s: stopped" >&2; exit 124; }
[ -f "$results/status" ] || { echo "guest: stopped without finishing (qemu status $machine)" >&2; exit 125; }
exit "$(cat "$results/status")"
