# Sourced by the scripts: installs the Debian packages that the build, the
# tests and the demo need, when any is missing.

# libxrandr2 is only recommended by Wine, which reads a desktop's monitors
# through it: without it the two-monitor desktop is one monitor.
required_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 libxrandr2 xvfb
  xcompmgr googletest clang clang-format python3-pefile)

ensure_packages() {
  local missing=() package
  for package in "${required_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
