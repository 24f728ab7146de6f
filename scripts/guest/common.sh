# What scripts/guest/build and scripts/guest/run share: where the image is kept and its key, the
# choice of accelerator, and starting and stopping the guest's qemu.
#
# The image is kept outside the clone, in /var/cache/cenyzak-guest (or CZ_GUEST_CACHE), in a
# folder named after the hash of its recipe: the files of scripts/guest/ that go into the image and
# scripts/wine-env.sh, whose settings are baked into its Wine prefix. A changed recipe is a new
# folder, so it is built anew; an unchanged one is used as it is. This file is not part of the
# recipe: how the guest is started changes nothing in the image.
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

# The qemu that boots the guest. CZ_GUEST_QEMU and CZ_GUEST_KVM_DEVICE put a stand-in in the place
# of qemu and of /dev/kvm: scripts/guest/check runs this file's choices and time limits against
# guests that hang, fail or boot, which no real machine here can be made to do on demand.
guest_qemu_bin=${CZ_GUEST_QEMU:-qemu-system-x86_64}
guest_kvm_device=${CZ_GUEST_KVM_DEVICE:-/dev/kvm}

# The two ways to run the guest's CPUs. -cpu max without SMAP and PKU: with them emulated, every
# 32-bit Wine process dies in the guest's kernel on its return to user mode.
guest_tcg=(-accel tcg,thread=multi -cpu max,-smap,-pku)
guest_kvm=(-accel kvm -cpu host)

# The accelerator for a guest of the image in $1: sets guest_accel (qemu's options),
# guest_accel_name and guest_accel_line (the one line that says which and why). CZ_GUEST_ACCEL=tcg
# or kvm forces one; auto, the default, takes KVM only where the machine offers it and it has shown
# that it boots the guest (guest_kvm_probe). Not every KVM does: a paravirtual kind stops a stock
# kernel before its first line while software emulation boots it in seconds, and a guest that never
# boots would otherwise hold its caller until the caller's own time limit. The probe's verdict is
# kept per machine beside the images, so it costs one boot per machine, host kernel, qemu and guest
# kernel.
guest_choose_accel() {
  local img=$1 how=${CZ_GUEST_ACCEL:-auto}
  case $how in
  tcg)
    guest_accel=("${guest_tcg[@]}") guest_accel_name="software emulation"
    guest_accel_line="guest: software emulation, as CZ_GUEST_ACCEL=tcg asks"
    ;;
  kvm)
    guest_accel=("${guest_kvm[@]}") guest_accel_name=KVM
    guest_accel_line="guest: KVM, as CZ_GUEST_ACCEL=kvm asks (not probed)"
    ;;
  auto)
    if [ ! -w "$guest_kvm_device" ]; then
      guest_accel=("${guest_tcg[@]}") guest_accel_name="software emulation"
      guest_accel_line="guest: software emulation — no writable $guest_kvm_device"
      return 0
    fi
    local verdict_file verdict lock
    verdict_file=$(guest_kvm_verdict_file "$img") || return 1
    # One probe at a time: two runs starting together wait for one verdict.
    exec {lock}>"$verdict_file.lock"
    flock "$lock"
    if [ ! -s "$verdict_file" ]; then
      guest_kvm_probe "$img" "$verdict_file.log"
      echo "$guest_probe_verdict" >"$verdict_file"
    fi
    exec {lock}>&-
    verdict=$(head -n 1 "$verdict_file")
    if [ "${verdict%% *}" = kvm ]; then
      guest_accel=("${guest_kvm[@]}") guest_accel_name=KVM
      guest_accel_line="guest: KVM — ${verdict#* } (verdict kept in $verdict_file)"
    else
      guest_accel=("${guest_tcg[@]}") guest_accel_name="software emulation"
      guest_accel_line="guest: software emulation — ${verdict#* } (verdict kept in $verdict_file; delete it to probe again)"
    fi
    ;;
  *)
    echo "guest: CZ_GUEST_ACCEL is auto, kvm or tcg, not '$how'" >&2
    return 2
    ;;
  esac
}

# Where the probe's verdict for this machine and the guest's kernel in $1 is kept: what KVM does
# with a kernel depends on the machine (its id and kernel), on qemu and on the guest's kernel.
guest_kvm_verdict_file() {
  local root id
  root=$(guest_cache_root) || return 1
  id=$({
    cat /etc/machine-id 2>/dev/null || hostname
    uname -srvm
    "$guest_qemu_bin" --version 2>/dev/null | head -n 1
    sha256sum <"$1/vmlinuz"
  } | sha256sum | cut -c1-16)
  echo "$root/kvm-verdict-$id"
}

# Boots the guest's kernel and initrd alone under KVM, its console into $2, and stops it at the
# kernel's line that starts the first program ("Run /init as init process": by then the kernel has
# come up on every CPU with all its built-in drivers, and user code runs next), or after
# CZ_GUEST_KVM_PROBE_LIMIT seconds (30; a working KVM takes a second or two, software emulation 5 on
# an idle machine and 40 on a busy one). Sets guest_probe_verdict to "kvm HOW" or "tcg WHY".
# panic=-1 with -no-reboot ends qemu at once on a kernel panic, so a kernel that fails early is told
# as fast as one that boots.
guest_kvm_probe() {
  local img=$1 log=$2 limit=${CZ_GUEST_KVM_PROBE_LIMIT:-30} start=$SECONDS started
  guest_doing="probing KVM (the guest's kernel alone; its console in $log)"
  started=$(guest_now)
  : >"$log"
  guest_start "$log" "${guest_kvm[@]}" "${guest_machine[@]}" \
    -kernel "$img/vmlinuz" -initrd "$img/initrd.img" -append "console=ttyS0 loglevel=7 panic=-1"
  guest_probe_verdict=""
  while [ -z "$guest_probe_verdict" ]; do
    if grep -q 'Run /init as init process' "$log"; then
      guest_probe_verdict="kvm it booted the guest's kernel to its init in $(guest_seconds_since "$started") s"
    elif ! kill -0 "$guest_pid" 2>/dev/null; then
      guest_probe_verdict="tcg qemu with KVM stopped before the guest's kernel reached its init ($(tr -d '\r' <"$log" | grep -v '^[[:space:]]*$' | tail -n 1))"
    elif [ $((SECONDS - start)) -ge "$limit" ]; then
      guest_probe_verdict="tcg KVM did not boot the guest within $limit s"
    else
      sleep 0.2
    fi
  done
  guest_stop
  guest_doing=""
}

# The time now, and the seconds with one decimal since a time now gave ($1).
guest_now() { date +%s.%N; }
guest_seconds_since() { LC_ALL=C awk -v a="$1" -v b="$(guest_now)" 'BEGIN { printf "%.1f\n", b - a }'; }

# The machine every boot of the guest gets, less the accelerator, the kernel and the disk.
guest_machine=(-smp 2 -m 4096 -nographic -no-reboot -nic none)

# Starts qemu with the arguments after $1 in the background, its console (and its own messages)
# into the file or pipe $1 ("-": the caller's standard output and error), and sets guest_pid. qemu
# stays in its caller's process group, so that Ctrl+C and a signal to the group (timeout's) reach it
# too; when its caller dies without stopping it (SIGKILL), the kernel ends it (--pdeathsig).
guest_start() {
  local console=$1
  shift
  local orphan_guard=()
  setpriv --pdeathsig KILL true 2>/dev/null && orphan_guard=(setpriv --pdeathsig KILL)
  if [ "$console" = - ]; then
    "${orphan_guard[@]}" "$guest_qemu_bin" "$@" </dev/null &
  else
    "${orphan_guard[@]}" "$guest_qemu_bin" "$@" </dev/null >"$console" 2>&1 &
  fi
  guest_pid=$!
}

# Stops the qemu guest_start started, if it still runs: SIGTERM, and SIGKILL 5 s later.
guest_stop() {
  local pid=${guest_pid:-}
  [ -n "$pid" ] || return 0
  guest_pid=""
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# Whatever ends the calling script (its end, Ctrl+C, SIGTERM, SIGHUP) stops its guest first; the
# signal's name is left in guest_signal for the EXIT trap to report. A caller with more to do on
# its way out sets its own EXIT trap after this one and calls guest_stop from it.
guest_signal=""
guest_hold() {
  trap 'guest_signal=INT; exit 130' INT
  trap 'guest_signal=TERM; exit 143' TERM
  trap 'guest_signal=HUP; exit 129' HUP
  trap guest_stop EXIT
}

# qemu with the guest's kernel and disk, for scripts/guest/build's one boot that makes the Wine
# prefix; the caller adds the kernel command line's job and its own time limit. build runs this
# under timeout, which puts itself in a process group of its own: a Ctrl+C that ends build (or
# ./test around it) does not reach this shell or qemu, so the guest is stopped as soon as the
# process that started timeout is gone, rather than at timeout's limit.
guest_qemu() {
  local img=$1 owner
  shift
  owner=$(ps -o ppid= -p "$PPID" 2>/dev/null | tr -d ' ')
  guest_choose_accel "$img" || return
  echo "$guest_accel_line" >&2
  guest_hold
  guest_start - "${guest_accel[@]}" "${guest_machine[@]}" \
    -kernel "$img/vmlinuz" -initrd "$img/initrd.img" \
    -drive "file=$img/root.img,format=raw,if=virtio" "$@"
  while kill -0 "$guest_pid" 2>/dev/null; do
    if [ -n "$owner" ] && [ "$owner" -gt 1 ] && ! kill -0 "$owner" 2>/dev/null; then
      echo "guest: the image's build (process $owner) has ended; stopping its guest" >&2
      guest_stop
      return 1
    fi
    sleep 1
  done
  wait "$guest_pid"
}

guest_append() { echo "root=/dev/vda rw console=ttyS0 quiet loglevel=1 init=/usr/local/sbin/cz-guest-init cz.job=$1"; }
