#!/bin/bash
# Builds the Debian packages from a copy of the source tree with
# dpkg-buildpackage, checks them with lintian and by their files, and
# installs them with dpkg into a scratch root. As root, that root is then laid
# over the system's /usr in a private mount namespace, as if installed: a C
# program builds against libvelnip-dev with pkg-config alone and runs, and
# the installed velnor, run twice on a virtual display by an unprivileged
# user, keeps its window settings in that user's per-user copy.
# Usage: check_deb.sh SOURCE_DIR OUT_DIR C_PROGRAM_SOURCE
set -uo pipefail
# dpkg's helpers live in sbin, which a non-login root shell may lack.
export PATH="$PATH:/usr/sbin:/sbin"
here=$(cd "$(dirname "$0")" && pwd)
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# The window's saved bounds in a settings file: "Left,Top WidthxHeight".
saved_bounds() {
  awk -F= '{sub(/\r$/, "", $2); v[$1] = $2}
    END {print v["Left"] "," v["Top"] " " v["Width"] "x" v["Height"]}' "$1" 2>/dev/null
}

# Runs /usr/bin/velnor as nobody with HOME=$1 on $DISPLAY until its window
# shows, then closes the window as a window manager would and waits for the
# program to save its settings and exit.
run_velnor_as_nobody() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$1" DISPLAY="$DISPLAY" \
    XDG_RUNTIME_DIR="$1/runtime" QT_QPA_PLATFORM=xcb PATH=/usr/bin:/bin /usr/bin/velnor \
    >>"$out/velnor.log" 2>&1 &
  local pid=$! window tries=100
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Velnor$' | head -n 1)
  if [ -z "$window" ]; then
    kill "$pid" 2>/dev/null
    cat "$out/velnor.log"
    return 1
  fi
  python3 "$here/../tests/integration/gui/xclose.py" "$window"
  while kill -0 "$pid" 2>/dev/null && ((tries-- > 0)); do sleep 0.1; done
  kill "$pid" 2>/dev/null && return 1
  wait "$pid"
}

# In the private mount namespace, with the packages' files in /usr.
if [ "${1:-}" = --installed ]; then
  out=$2 caller=$3
  flags=$(pkg-config --cflags --libs velnip)
  echo "pkg-config --cflags --libs velnip: $flags"
  # shellcheck disable=SC2086
  if cc -std=c99 -Wall -o "$out/c_caller" "$caller" $flags; then
    "$out/c_caller" || fail "the C program built against the packages"
  else
    fail "a C program does not build against libvelnip-dev with pkg-config"
  fi
  echo "velnor loads: $(ldd /usr/bin/velnor | grep -o '/[^ ]*libvel[^ ]*' | tr '\n' ' ')"

  rm -f "$out/display" "$out/velnor.log"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" >/dev/null 2>&1 &
  xvfb=$!
  tries=100
  while [ ! -s "$out/display" ] && ((tries-- > 0)); do sleep 0.05; done
  DISPLAY=":$(tr -dc '0-9' <"$out/display")"
  export DISPLAY
  home=$(mktemp -d /tmp/velnor-home-XXXXXX)
  install -d -m 700 -o nobody -g nogroup "$home/runtime"
  chown nobody:nogroup "$home"
  copy=$home/.config/velnor/VirtualStore/usr/bin/velnor.ini
  if run_velnor_as_nobody "$home"; then
    echo "first run saved $(saved_bounds "$copy") in ${copy#"$home"/}"
    [ -s "$copy" ] || fail "no per-user copy of the settings"
    [ ! -e /usr/bin/velnor.ini ] || fail "the settings were written beside /usr/bin/velnor"
    # The next run must start from the copy: moved and resized there, it
    # opens and saves at those bounds.
    sed -i 's/^Left=.*/Left=300\r/; s/^Top=.*/Top=200\r/; s/^Width=.*/Width=640\r/' "$copy"
    run_velnor_as_nobody "$home" || fail "the second run of velnor"
    echo "second run saved $(saved_bounds "$copy")"
    [ "$(saved_bounds "$copy")" = "300,200 640x$(awk -F= '$1 == "Height" {print $2}' "$copy" |
      tr -d '\r')" ] || fail "the second run did not restore the bounds from the per-user copy"
  else
    fail "the installed velnor did not show its window under Xvfb"
  fi
  kill "$xvfb"
  rm -rf "$home"
  exit "$failed"
fi

source=$1 out=$2 caller=$3
rm -rf "$out"
mkdir -p "$out/tree"
# The tracked and new files of the tree (not build folders): the packages
# build there, leaving the working tree as it was, and land in $out.
if git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -C "$source" ls-files -z --cached --others --exclude-standard |
    tar -C "$source" --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$out/tree" -xf -
else
  tar -C "$source" --exclude='./build*' -cf - . | tar -C "$out/tree" -xf -
fi
# Two jobs, and no debugging information (nor its -dbgsym packages), which
# would only make this check slower; the packages are otherwise as built
# without these settings.
started=$SECONDS
if ! (cd "$out/tree" && DEB_BUILD_OPTIONS="nocheck noddebs parallel=2" DEB_CFLAGS_STRIP=-g \
  DEB_CXXFLAGS_STRIP=-g dpkg-buildpackage -b -us -uc) >"$out/build.log" 2>&1; then
  tail -n 40 "$out/build.log"
  exit 1
fi
echo "dpkg-buildpackage -b -us -uc: $((SECONDS - started)) s"

debs=("$out"/*.deb)
lintian --fail-on error,warning "${debs[@]}" || fail "lintian"

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
lib=usr/lib/$multiarch
declare -A wanted=(
  [libvelnip1]="$lib/libvelnip.so.1 $lib/libvelnip.so.1.0 $lib/libvelplatform.so.1
                $lib/libvelplatform.so.1.0 $lib/velnip/browse-worker"
  [libvelnip-dev]="usr/include/velnip.h $lib/libvelnip.so $lib/pkgconfig/velnip.pc"
  [velnor]="usr/bin/velnor usr/share/man/man1/velnor.1.gz usr/bin/velnor-scan
            usr/share/man/man1/velnor-scan.1.gz usr/share/applications/velnor.desktop
            usr/share/icons/hicolor/scalable/apps/velnor.svg
            usr/share/metainfo/org.example.velnor.metainfo.xml
            usr/share/doc/velnor/examples/velnor-scan-compare.service
            usr/share/doc/velnor/examples/velnor-scan-compare.timer"
)
for package in libvelnip1 libvelnip-dev velnor; do
  deb=$(ls "$out/${package}_"*.deb 2>/dev/null) || {
    fail "no package $package"
    continue
  }
  contents=$(dpkg-deb -c "$deb" | awk '$6 !~ /\/$/ {print substr($6, 3)}')
  echo "$package: $(tr '\n' ' ' <<<"$contents")"
  for file in ${wanted[$package]}; do
    grep -qxF "$file" <<<"$contents" || fail "$package lacks /$file"
  done
done
depends=$(dpkg-deb -f "$out"/velnor_*.deb Depends)
for package in libvelnip1 libc6 libqt6widgets6; do
  grep -q "\b$package\b" <<<"$depends" || fail "velnor's Depends does not name $package"
done
[ "$(dpkg-deb -f "$out"/velnor_*.deb Recommends)" = "fonts-ipafont-gothic, ieee-data" ] ||
  fail "velnor does not recommend fonts-ipafont-gothic and ieee-data"
dpkg-deb -I "$out"/libvelnip1_*.deb triggers | grep -qx 'activate-noawait ldconfig' ||
  fail "libvelnip1 has no ldconfig trigger"

# An empty dpkg database in a scratch root; the packages' dependencies are
# on this machine, not in that root.
root=$out/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/etc"
touch "$root/var/lib/dpkg/status"
# dpkg runs the packages' scripts chrooted into that root, so it gets a
# shell. Without root there is no chroot: the packages are only unpacked.
install=--install
if [ "$(id -u)" -eq 0 ]; then
  for tool in /bin/sh $(ldd /bin/sh | grep -o '/[^ ]*'); do
    mkdir -p "$root$(dirname "$tool")"
    cp -L "$tool" "$root$tool"
  done
else
  install=--unpack
fi
if ! dpkg --root="$root" --force-depends --force-not-root --log=/dev/null "$install" \
  "${debs[@]}" >"$out/dpkg.log" 2>&1; then
  cat "$out/dpkg.log"
  fail "dpkg $install into a scratch root"
fi
echo "dpkg $install: $(dpkg --root="$root" -l 'libvelnip*' velnor | awk '/^.i/ {print $1, $2}' |
  tr '\n' ' ')"

for file in "$root/usr/bin/velnor" "$root/usr/bin/velnor-scan" "$root/$lib"/libvel*.so.1.0; do
  runpath=$(readelf -d "$file" | grep -E 'RUNPATH|RPATH')
  [ -z "$runpath" ] || fail "$(basename "$file") carries $runpath"
done
desktop-file-validate "$root/usr/share/applications/velnor.desktop" ||
  fail "the menu entry is not valid"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml || fail "the AppStream metainfo"
grep -q '<summary xml:lang="ja">' "$root"/usr/share/metainfo/*.xml ||
  fail "the AppStream metainfo has no Japanese summary"

if [ "$(id -u)" -eq 0 ]; then
  # The scratch root's /usr over the system's, writable (in memory), so that
  # root-owned /usr/bin is as an installed system has it.
  mkdir -p "$out/layer"
  # shellcheck disable=SC2016 # the positional parameters of that bash
  unshare --mount --propagation private bash -c '
    mount -t tmpfs tmpfs "$1" && mkdir "$1/upper" "$1/work" &&
      mount -t overlay overlay -o "lowerdir=$2/usr:/usr,upperdir=$1/upper,workdir=$1/work" /usr &&
      exec bash "$3" --installed "$4" "$5"' overlay "$out/layer" "$root" "$0" "$out" "$caller" ||
    fail "the installed packages"
elif [ "${CI:-}" = true ]; then
  fail "not root: the installed packages cannot be checked"
else
  echo "not root: the packages are only unpacked; the installed packages are not checked"
fi

[ "$failed" -eq 0 ] && echo "the Debian packages pass lintian, install, build a C caller and run velnor"
exit "$failed"
