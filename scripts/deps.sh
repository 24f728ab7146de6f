# Packages the builds and tests need, installed when missing (Debian). Sourced by ./run and ./test.
CZ_PACKAGES=(cmake g++ g++-multilib g++-mingw-w64-i686 googletest nlohmann-json3-dev clang-format
  libbenchmark-dev clang libclang-rt-14-dev llvm)

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

# 32-bit Wine and Xvfb, for running the real DLL. The i386 package index of the security suite
# may lag behind the main one, so the packages come from the release itself (-t bookworm).
install_wine() {
  if command -v wine >/dev/null && command -v xvfb-run >/dev/null &&
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" &&
    [ -d /usr/share/i18n/locales ]; then
    return 0
  fi
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing 32-bit Wine and Xvfb"
  $sudo dpkg --add-architecture i386
  $sudo apt-get update || echo "apt-get update failed; installing from the package lists at hand"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends -t bookworm \
    wine wine32:i386 xvfb xauth locales
}
