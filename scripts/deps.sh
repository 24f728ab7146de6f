# Packages the builds and tests need, installed when missing (Debian). Sourced by ./run and ./test.
CZ_PACKAGES=(cmake g++ g++-multilib g++-mingw-w64-i686 googletest nlohmann-json3-dev clang-format
  libbenchmark-dev clang libclang-rt-14-dev llvm valgrind osslsigncode openssl cmark-gfm python3 nsis)

install_deps() {
  local missing=()
  for p in "${CZ_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # A stale or unreachable index must not stop the install of what is already listed.
  $sudo apt-get update || echo "apt-get update failed; installing from the package lists at hand"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# 32-bit Wine and Xvfb, for running the real DLL, with 64-bit Wine beside it for the setup's test
# in a 64-bit prefix (scripts/wine-setup.sh). The i386 package index of the security suite
# may lag behind the main one, so the packages come from the release itself (-t bookworm).
install_wine() {
  if command -v wine >/dev/null && command -v xvfb-run >/dev/null &&
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" &&
    [ -x /usr/lib/wine/wine64 ] &&
    [ -d /usr/share/i18n/locales ]; then
    return 0
  fi
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing 32-bit Wine and Xvfb"
  $sudo dpkg --add-architecture i386
  $sudo apt-get update || echo "apt-get update failed; installing from the package lists at hand"
  # The i386 index of one suite can be out of step with the amd64 one, either way: the security
  # suite's i386 list behind its amd64 list (then only bookworm's own versions fit together), or
  # this machine's amd64 libc6 already from the security suite, newer than bookworm's (then the
  # i386 libc6 must come from there too: a Multi-Arch package's versions must match). Each
  # suite's choice in turn.
  local packages=(wine wine32:i386 wine64 xvfb xauth locales)
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${packages[@]}" ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends -t bookworm \
      "${packages[@]}"
}

# 32-bit x86 programs (the linux32 preset, the 32-bit allocation test, Wine). Some kernels are
# built without 32-bit support; there the programs run under qemu's user-mode emulation, which the
# kernel starts for them once it is registered with binfmt_misc. Sets CZ_I386_NATIVE to 1 when the
# kernel runs them itself, 0 when they run emulated; returns 1 when they cannot run at all.
CZ_I386_NATIVE=0
enable_i386_programs() {
  local probe=build/i386-probe
  mkdir -p build
  printf 'int main(void) { return 0; }\n' >"$probe.c"
  g++ -x c -m32 "$probe.c" -o "$probe" || { echo "cannot build a 32-bit program"; return 1; }
  local misc=/proc/sys/fs/binfmt_misc
  local emulated=0
  [ -f "$misc/qemu-i386" ] && head -n 1 "$misc/qemu-i386" | grep -q enabled && emulated=1
  if "$probe" 2>/dev/null; then
    [ $emulated -eq 0 ] && CZ_I386_NATIVE=1
    return 0
  fi
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "This kernel does not run 32-bit x86 programs: running them under qemu's user emulation"
  if ! command -v qemu-i386-static >/dev/null; then
    $sudo apt-get update || echo "apt-get update failed; installing from the package lists at hand"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends qemu-user-static
  fi
  [ -f "$misc/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$misc" || true
  if [ -f "$misc/qemu-i386" ]; then
    echo 1 | $sudo tee "$misc/qemu-i386" >/dev/null || true
  elif [ -f "$misc/register" ]; then
    # ELF, 32-bit, little-endian, executable or shared object, machine 3 (i386); F: the emulator
    # is opened now, so that it serves every later program.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
      $sudo tee "$misc/register" >/dev/null || true
  fi
  "$probe" 2>/dev/null || { echo "32-bit x86 programs cannot run on this machine"; return 1; }
}
