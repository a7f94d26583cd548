# Starts Debian's own kernel in a QEMU guest, for the file systems this
# machine's kernel may lack (FAT32 and exFAT as USB sticks carry them) and
# for power cuts, which only a machine of its own can have.
# Sourced by the tests that need it; they set GUEST_KERNEL (where the
# kernel is kept) and GUEST_WORK (a folder of their own) first.
set -euo pipefail

guest_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# In the order they load, each after those it needs.
guest_modules="virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci virtio_blk
               fat vfat exfat nls_cp437 nls_utf8 nls_ascii crc16 crc32c_generic mbcache jbd2 ext4"

# Debian's kernel package, unpacked beside the build rather than installed:
# the tests need its image and a few modules, not a new kernel for this machine.
guest_fetch_kernel() {
  local kernels=$GUEST_KERNEL module
  # Fetched again when a module was added to the list since.
  for module in $guest_modules; do [ -f "$kernels/modules/$module.ko" ] || rm -f "$kernels/vmlinuz"; done
  [ -f "$kernels/vmlinuz" ] && return 0
  local package
  package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -n 1)
  [ -n "$package" ] || { echo "no Debian kernel package found (apt-get update?)" >&2; return 1; }
  local unpacked
  unpacked=$(mktemp -d)
  (cd "$unpacked" && apt-get download -q "$package" >/dev/null && dpkg-deb -x ./*.deb root)
  mkdir -p "$kernels/modules"
  cp "$unpacked"/root/boot/vmlinuz-* "$kernels/vmlinuz.part"
  for module in $guest_modules; do
    find "$unpacked/root/lib/modules" -name "$module.ko" -exec cp {} "$kernels/modules/" \;
    [ -f "$kernels/modules/$module.ko" ] || { echo "module $module missing from $package" >&2; return 1; }
  done
  rm -rf "$unpacked"
  mv "$kernels/vmlinuz.part" "$kernels/vmlinuz"
}

# guest_initramfs OUT PROGRAM... : the guest's root: busybox, the init
# script, the modules, each PROGRAM with the libraries it loads, and
# whatever the caller put in $GUEST_WORK/root.
guest_initramfs() {
  local out=$1
  shift
  local root=$GUEST_WORK/root
  mkdir -p "$root/bin" "$root/modules"
  cp /bin/busybox "$root/bin/busybox"
  cp "$guest_dir/init" "$root/init"
  cp "$GUEST_KERNEL"/modules/*.ko "$root/modules/"
  echo $guest_modules >"$root/modules/order"
  local program library
  for program in "$@"; do
    strip -o "$root/bin/$(basename "$program")" "$program"
    for library in $(ldd "$program" | grep -o '/[^ ]*'); do
      mkdir -p "$root$(dirname "$library")"
      cp -L "$library" "$root$library"
    done
  done
  (cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null) >"$out"
}

# guest_boot IMAGE JOB [OPTIONS...] : boots the guest on IMAGE (its disk) and
# prints its "guest:" lines. Writes are held to a USB stick's speed.
# No fixed time limit: a loaded machine may run the guest many times slower
# than an idle one. The guest says it is alive every second of its own time
# (see init); only a guest silent for GUEST_SILENCE seconds of ours (120 by
# default, many times a boot here) is stopped, and the boot then fails.
guest_boot() {
  local image=$1 job=$2
  shift 2
  local log=$GUEST_WORK/console.log
  : >"$log"
  # It ends with this boot's shell (which watches the script in turn), also when either is killed.
  setpriv --pdeathsig KILL \
    qemu-system-x86_64 -m 512 -smp 1 -nographic -nodefaults -serial stdio -net none -no-reboot \
    -kernel "$GUEST_KERNEL/vmlinuz" -initrd "$GUEST_WORK/initrd" \
    -append "console=ttyS0 quiet panic=-1 guest.job=$job $*" \
    -drive "file=$image,if=virtio,format=raw,cache=writeback,throttling.bps-write=${GUEST_WRITE_SPEED:-8000000}" \
    </dev/null >"$log" 2>&1 &
  local qemu=$! size=-1 silent=0
  while kill -0 "$qemu" 2>/dev/null; do
    kill -0 $$ 2>/dev/null || { kill "$qemu"; exit 1; }
    sleep 1
    local now
    now=$(stat -c %s "$log")
    if [ "$now" != "$size" ]; then
      size=$now silent=0
    elif [ $((silent += 1)) -ge "${GUEST_SILENCE:-120}" ]; then
      kill "$qemu" 2>/dev/null
      echo "the guest was silent for $silent s and was stopped (job $job)" >&2
      break
    fi
  done
  wait "$qemu" 2>/dev/null || true
  tr -d '\r' <"$log" | sed -n 's/.*guest: //p'
}

# guest_format IMAGE FS : an empty disk of 256 MB.
guest_format() {
  rm -f "$1"
  truncate -s 256M "$1"
  case "$2" in
    vfat) mkfs.fat -F 32 -n STICK "$1" >/dev/null ;;
    exfat) mkfs.exfat -L STICK "$1" >/dev/null ;;
    ext4) mkfs.ext4 -q -L DISK "$1" ;;
    ext4-no-journal) mkfs.ext4 -q -L DISK -O ^has_journal "$1" ;;
  esac
}
