#!/usr/bin/env bash
# Installs the Debian 12 packages QuillonV needs, asking apt only for what is missing.
# Usage: install-deps.sh build|test|bench|package
set -euo pipefail

# qt6-base-dev: the windows; libsdl2-mixer-dev: the new-mail sound; fonts-ipafont-gothic: the Japanese
# proportional and fixed-pitch fonts the windows ask for.
# xdg-utils: the tray icon's double-click asks its xdg-mime for the default mail program.
# libssl-dev, ca-certificates: mail servers over TLS, verified against the system's trust store.
# qt6-svg-dev: the build draws the program's icon into the scalable icon of the desktop's icon theme.
build_packages=(cmake ninja-build g++ clang python3 qt6-base-dev libsdl2-mixer-dev fonts-ipafont-gothic xdg-utils
  libssl-dev ca-certificates qt6-svg-dev)
# dovecot-pop3d: the tests start their own private instance; a system one the package may start is left alone.
# python3-aiosmtpd: the SMTP receiver the tests start on a free port.
# openssl: the TLS tests make their own certificate authority and server certificates.
# xvfb, xauth, xdotool, x11-utils, imagemagick: the program's real windows on a virtual display, and their screenshots;
# trayer: a notification area on that display for the tray icon.
# dbus-daemon, dbus-bin, python3-gi: a private session bus with a scripted StatusNotifierItem host and notification
# service; lxqt-panel, dunst: a real panel and notification daemon on that bus.
test_packages=(libgtest-dev libgmock-dev libclang-rt-14-dev dovecot-pop3d python3-aiosmtpd openssl
  xvfb xauth xdotool x11-utils imagemagick trayer dbus-daemon dbus-bin python3-gi lxqt-panel dunst)
# xvfb, trayer, xdotool: the window benchmarks run the program on a virtual display with a notification area and
# click it; libx11-dev: they watch the display.
# dovecot-pop3d, openssl: the TLS benchmark checks a private Dovecot over TLS with its own certificates.
bench_packages=(libbenchmark-dev xvfb libx11-dev trayer xdotool dovecot-pop3d openssl)
# The Debian package: dpkg-buildpackage with debhelper builds it; lintian, appstreamcli and desktop-file-validate
# check it; man reads its manual pages; locales: the tests make a Shift_JIS locale of their own with localedef.
package_packages=(dpkg-dev debhelper fakeroot lintian appstream desktop-file-utils man-db locales)

case "${1:-build}" in
  build) wanted=("${build_packages[@]}") ;;
  test) wanted=("${build_packages[@]}" "${test_packages[@]}" "${bench_packages[@]}" "${package_packages[@]}") ;;
  bench) wanted=("${build_packages[@]}" "${bench_packages[@]}") ;;
  package) wanted=("${build_packages[@]}" "${package_packages[@]}") ;;
  *) echo "usage: $0 build|test|bench|package" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

# Progress goes to stderr and apt reads nothing from stdin: callers may be filters in a pipe.
echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q </dev/null >&2
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null >&2
