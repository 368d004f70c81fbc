# Sourced by scripts/test: a Debian 13 root file system with Wine 10 and the X
# servers the tests use, made with Debian's mmdebstrap and kept in a cache
# outside the clone, so that later runs and later clones reuse it.

debian13_cache=${ORVANE_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/orvane-fullscreen}
debian13_root="$debian13_cache/debian13"
# Wine with the X libraries it loads at run time (only recommended by the
# package), the X servers and compositor of the desktops, and xrandr to lay
# out two monitors. A change of this list makes the root anew.
debian13_packages=(wine wine64 libxrandr2 libxinerama1 libxcomposite1 libxrender1 libxfixes3
  libxi6 libxcursor1 libxxf86vm1 xvfb xcompmgr xserver-xorg-core xserver-xorg-video-dummy
  x11-xserver-utils)

# Makes the root unless the cache holds one made from the same list; holds a
# shared lock on it until the calling script ends, so that no other run makes
# it anew meanwhile.
ensure_debian13_root() {
  mkdir -p "$debian13_cache"
  exec 8>"$debian13_cache/debian13.lock"
  local made="$debian13_root/.orvane-packages"
  if [ "$(cat "$made" 2>/dev/null)" != "${debian13_packages[*]}" ]; then
    flock -x 8
    if [ "$(cat "$made" 2>/dev/null)" != "${debian13_packages[*]}" ]; then
      echo "making the Debian 13 root in $debian13_root (once) ..."
      local started=$SECONDS
      # Runs mount only in namespaces of their own, so nothing is mounted
      # here; were anything, removing the root would reach into it.
      if [[ $'\n'$(findmnt --list --noheadings --output TARGET) == *$'\n'"$debian13_root"* ]]; then
        echo "something is mounted in $debian13_root: not making it anew" >&2
        return 1
      fi
      rm -rf "$debian13_root" "$debian13_root.new"
      # From the Debian mirror the host's apt already uses.
      local mirror list
      mirror=$(apt-get indextargets --format '$(REPO_URI)' 'Identifier: Packages' 'Component: main' \
        "Release: $(. /etc/os-release && echo "$VERSION_CODENAME")" | head -n 1)
      list=$(IFS=, && echo "${debian13_packages[*]}")
      unshare --mount --propagation private mmdebstrap --quiet --variant=minbase \
        --include="$list" trixie "$debian13_root.new" "$mirror" </dev/null
      echo "${debian13_packages[*]}" >"$debian13_root.new/.orvane-packages"
      mv "$debian13_root.new" "$debian13_root"
      echo "Debian 13 root made in $((SECONDS - started)) s"
    fi
  fi
  flock -s 8
}

# Runs COMMAND... in a mount and a PID namespace of its own, where the root
# has /proc and the clone at its own path. The mounts end with the
# namespace's last process, and every process of the namespace, a hung Wine
# one too, with the command, on every way out, Ctrl+C and kill included.
# COMMAND is not the namespace's first process, which ignores the signals it
# has no handler for: it gets Ctrl+C as anywhere else. An end by a signal
# comes back as 128 and the signal's number.
in_debian13_namespace() {
  local clone=$1
  shift
  unshare --mount --propagation private --pid --fork --kill-child bash -c '
    set -e
    root=$1 clone=$2
    shift 2
    mount -t proc proc "$root/proc"
    mkdir -p "$root$clone"
    mount --bind "$clone" "$root$clone"
    "$@" || exit $?' bash "$debian13_root" "$clone" "$@"
}
