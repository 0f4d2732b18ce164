#!/bin/bash
# Makes the Debian package from this build and checks it: its dependencies
# (from dpkg-shlibdeps) and files; then installs it with dpkg into a scratch
# root, builds a C program against the installed library with pkg-config
# alone and runs it, and starts the installed program.
# Usage: check_deb.sh CPACK CPACK_CONFIG OUT_DIR LIBDIR C_PROGRAM_SOURCE
set -uo pipefail
# dpkg's helpers live in sbin, which a non-login root shell may lack.
export PATH="$PATH:/usr/sbin:/sbin"
cpack=$1 config=$2 out=$3 libdir=$4 caller=$5
rm -rf "$out"
mkdir -p "$out"
if ! "$cpack" -G DEB --config "$config" -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  exit 1
fi
deb=$(ls "$out"/*.deb)
failed=0
fail() { echo "FAIL: $*"; failed=1; }

dpkg-deb -f "$deb" Package Version Architecture Depends Recommends
depends=$(dpkg-deb -f "$deb" Depends)
depended=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for package in libc6 libstdc++6 libqt6widgets6 libsmbclient libnl-route-3-200; do
  grep -qxF "$package" <<<"$depended" || fail "Depends does not name $package"
done
control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -tf -)
grep -qx './shlibs' <<<"$control" || fail "no shlibs file"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in usr/bin/velnor "usr/$libdir/libvelnip.so.1" "usr/$libdir/libvelnip.so" \
  "usr/$libdir/libvelplatform.so.1" usr/include/velnip.h "usr/$libdir/pkgconfig/velnip.pc" \
  usr/share/applications/velnor.desktop usr/share/icons/hicolor/scalable/apps/velnor.svg; do
  grep -qx "./$file" <<<"$contents" || fail "the package lacks /$file"
done

# An empty dpkg database in a scratch root; the package's dependencies are
# on this machine, not in that root.
root=$out/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/etc"
touch "$root/var/lib/dpkg/status"
# dpkg runs the package's scripts (ldconfig once installed) chrooted into
# that root, so it gets a shell and ldconfig and nothing else. Without root
# there is no chroot: the package is then only unpacked, not configured.
install=--install
if [ "$(id -u)" -eq 0 ]; then
  for tool in /bin/sh /sbin/ldconfig $(ldd /bin/sh | grep -o '/[^ ]*'); do
    mkdir -p "$root$(dirname "$tool")"
    cp -L "$tool" "$root$tool"
  done
else
  install=--unpack
  echo "not root: the package is unpacked, its scripts are not run"
fi
if ! dpkg --root="$root" --force-depends --force-not-root --log=/dev/null "$install" "$deb" \
  >"$out/dpkg.log" 2>&1; then
  cat "$out/dpkg.log"
  fail "dpkg $install into a scratch root"
fi
state=$(dpkg --root="$root" -s velnor 2>/dev/null | sed -n 's/^Status: //p')
echo "dpkg $install: $state"
lib=$root/usr/$libdir
soname=$(objdump -p "$lib/libvelnip.so" 2>/dev/null | awk '$1 == "SONAME" {print $2}')
echo "installed: $(cd "$root" && find usr -type f -o -type l | sort | tr '\n' ' ')"
echo "SONAME of libvelnip.so: $soname"
[ "$soname" = libvelnip.so.1 ] || fail "libvelnip.so's SONAME is '$soname'"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/velnor.desktop" ||
    fail "the menu entry is not valid"
fi
grep -q '^Name\[ja\]=' "$root/usr/share/applications/velnor.desktop" ||
  fail "the menu entry has no Japanese name"

# pkg-config alone tells the compiler where the header and library are.
flags=$(PKG_CONFIG_PATH="" PKG_CONFIG_LIBDIR="$lib/pkgconfig" pkg-config --cflags --libs velnip)
echo "pkg-config --cflags --libs velnip: $flags"
# shellcheck disable=SC2086
if cc -std=c99 -Wall -o "$out/c_caller" "$caller" $flags; then
  LD_LIBRARY_PATH="$lib" "$out/c_caller" || fail "the C program built against the package"
else
  fail "a C program does not build against the package with pkg-config"
fi

# The installed program finds its library by itself and runs until stopped.
status=$(QT_QPA_PLATFORM=offscreen timeout -s KILL 5 "$root/usr/bin/velnor" >"$out/velnor.log" 2>&1
  echo $?)
if [ "$status" != 137 ]; then
  cat "$out/velnor.log"
  fail "the installed velnor did not start (status $status)"
fi

[ "$failed" -eq 0 ] && echo "the Debian package installs, builds a C caller and starts velnor"
exit "$failed"
