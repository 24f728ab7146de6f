# What scripts/guest/build and scripts/guest/run share: where the image is kept and its key.
#
# The image is kept outside the clone, in /var/cache/cenyzak-guest (or CZ_GUEST_CACHE), in a
# folder named after the hash of its recipe: the files of scripts/guest/ that go into the image and
# scripts/wine-env.sh, whose settings are baked into its Wine prefix. A changed recipe is a new
# folder, so it is built anew; an unchanged one is used as it is.
guest_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
guest_recipe=("$guest_dir/build" "$guest_dir/init" "$guest_dir/bake" "$guest_dir/../wine-env.sh")

guest_cache_root() {
  local c=${CZ_GUEST_CACHE:-/var/cache/cenyzak-guest}
  if ! mkdir -p "$c" 2>/dev/null || [ ! -w "$c" ]; then c=${XDG_CACHE_HOME:-$HOME/.cache}/cenyzak-guest; fi
  mkdir -p "$c" && echo "$c"
}

guest_key() { cat "${guest_recipe[@]}" | sha256sum | cut -c1-16; }

# The folder of the image of today's recipe: vmlinuz, initrd.img, root.img, and "ready" once done.
guest_image_dir() { echo "$(guest_cache_root)/$(guest_key)"; }

# qemu with the guest's kernel and disk; the caller adds the kernel command line's job and what to
# share. Software emulation unless the machine lets us use KVM. -cpu max without SMAP and PKU: with
# them emulated, every 32-bit Wine process dies in the guest's kernel on its return to user mode.
guest_qemu() {
  local img=$1
  shift
  local accel=(-accel tcg,thread=multi -cpu max,-smap,-pku)
  [ -w /dev/kvm ] && accel=(-accel kvm -cpu host)
  qemu-system-x86_64 "${accel[@]}" -smp 2 -m 4096 -nographic -no-reboot -nic none \
    -kernel "$img/vmlinuz" -initrd "$img/initrd.img" \
    -drive "file=$img/root.img,format=raw,if=virtio" "$@"
}

guest_append() { echo "root=/dev/vda rw console=ttyS0 quiet loglevel=1 init=/usr/local/sbin/cz-guest-init cz.job=$1"; }
