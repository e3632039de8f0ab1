#!/usr/bin/env bash
# Builds the .deb from the source tree, then checks its files, control fields, lintian's verdict, the metadata,
# the desktop entry, the manual pages and the extracted programs.
# Usage: package_test.sh SOURCE_FOLDER TEST_BUILD_FOLDER
set -euo pipefail
source_folder="$1"

missing=()
for tool in dpkg-buildpackage dh lintian appstreamcli desktop-file-validate man; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIPPED: ${missing[*]} not installed (scripts/install-deps.sh test installs them)"
  exit 77
fi

# Outside the source tree, under a name fixed per build tree, so ccache finds the same paths every run.
work="${TMPDIR:-/tmp}/quillonv-package-test.$(printf '%s' "$2" | md5sum | cut -c1-12)"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# debhelper gives the build a HOME of its own, so the compiler cache is told where the user's cache is.
if [ -d /usr/lib/ccache ] && command -v ccache >/dev/null; then
  export PATH="/usr/lib/ccache:$PATH" CCACHE_DIR="$(ccache --get-config cache_dir)" \
    CCACHE_MAXSIZE="$(ccache --get-config max_size)" CCACHE_NOHASHDIR=1
fi
DEB_BUILD_OPTIONS="nocheck noddebs" "$source_folder/scripts/package.sh" "$work/out" >"$work/build.log" 2>&1 ||
  { tail -n 40 "$work/build.log"; echo "FAILED: scripts/package.sh"; exit 1; }
deb=$(ls "$work"/out/quillonv_*.deb)

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for wanted in ./usr/bin/quillonv ./usr/bin/quillonv-cli ./usr/share/applications/quillonv.desktop \
    ./usr/share/metainfo/org.quillonv.QuillonV.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/quillonv.svg \
    ./usr/share/man/man1/quillonv.1.gz ./usr/share/man/man1/quillonv-cli.1.gz ./usr/share/doc/quillonv/copyright; do
  grep -qxF "$wanted" <<<"$files" || fail "$wanted is not in the package"
done
for size in 16 32 48 64 128 256; do
  grep -qxF "./usr/share/icons/hicolor/${size}x${size}/apps/quillonv.png" <<<"$files" || fail "no ${size} px icon"
done
# The program never starts itself for every user: start at login is each user's own choice.
grep -q '^./etc/' <<<"$files" && fail "the package installs into /etc"

version=$(dpkg-deb -f "$deb" Version)
[ "$(dpkg-deb -f "$deb" Package)" = quillonv ] || fail "Package field"
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in fonts-ipafont-gothic xdg-utils libqt6widgets6 libssl3; do
  grep -q "$dependency" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }

root="$work/root"
dpkg-deb -x "$deb" "$root"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
desktop-file-validate "$root/usr/share/applications/quillonv.desktop" || fail "desktop-file-validate"
[ "$("$root/usr/bin/quillonv-cli" --version)" = "quillonv-cli $version" ] || fail "quillonv-cli --version is not $version"
[ "$("$root/usr/bin/quillonv" --version)" = "quillonv $version" ] || fail "quillonv --version is not $version"
for page in quillonv quillonv-cli; do
  shown=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.err")
  [ -s "$work/man.err" ] && { cat "$work/man.err"; fail "man -l $page.1 warns"; }
  grep -q "^SYNOPSIS" <<<"$shown" || fail "man -l $page.1 shows no SYNOPSIS"
done

[ "$failures" -eq 0 ] || exit 1
echo "package $(basename "$deb") checked"
