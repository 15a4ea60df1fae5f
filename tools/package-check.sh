#!/usr/bin/env bash
# Builds the Debian packages from an existing build (the program and the
# component library's development package), checks their metadata and
# contents, installs them with apt-get, runs the installed program, and builds
# and runs a small program against the installed library, outside this tree.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
[ -n "$version" ] || { echo "package check: no configured build in $build_dir" >&2; exit 1; }

rm -f "$build_dir"/tumblerset_*.deb "$build_dir"/libmarrowlight-dev_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
deb=$(ls "$build_dir"/tumblerset_*.deb)
dev_deb=$(ls "$build_dir"/libmarrowlight-dev_*.deb)
echo "== $deb"
echo "== $dev_deb"

info=$(dpkg-deb -I "$deb")
contents=$(dpkg-deb -c "$deb")
fail() { echo "package check: $*" >&2; exit 1; }
grep -q '^ Package: tumblerset$' <<<"$info" || fail "wrong package name"
grep -q "^ Version: $version\$" <<<"$info" || fail "wrong version"
for dependency in libqt6widgets6 libqt6core6 libicu72 samba-libs fonts-dejavu-core; do
    grep -q "^ Depends:.*$dependency" <<<"$info" || fail "no dependency on $dependency"
done
for file in ./usr/bin/tumblerset ./usr/lib/tumblerset/tumblerset-samba.so \
    ./usr/lib/tumblerset/tumblerset-window.so \
    ./usr/share/applications/tumblerset.desktop \
    ./usr/share/metainfo/io.github.marrowlight.Tumblerset.metainfo.xml \
    ./usr/share/man/man1/tumblerset.1 \
    ./usr/share/bash-completion/completions/tumblerset \
    ./usr/lib/tumblerset/tumblerset-local-helper \
    ./usr/share/polkit-1/actions/org.marrowlight.tumblerset.local-lockouts.policy \
    ./usr/share/icons/hicolor/16x16/apps/tumblerset.png \
    ./usr/share/icons/hicolor/32x32/apps/tumblerset.png \
    ./usr/share/icons/hicolor/48x48/apps/tumblerset.png \
    ./usr/share/icons/hicolor/scalable/apps/tumblerset.svg; do
    grep -q " $file\$" <<<"$contents" || fail "missing $file"
done
grep -q ' ./usr/include/marrowlight/\|\.a$' <<<"$contents" && fail "library files in the program's package"
# The polkit action names the helper where the package puts it, and pkexec
# comes recommended with it.
dpkg-deb --fsys-tarfile "$deb" |
    tar -xO ./usr/share/polkit-1/actions/org.marrowlight.tumblerset.local-lockouts.policy |
    grep -q '>/usr/lib/tumblerset/tumblerset-local-helper</annotate>' ||
    fail "the polkit action does not name the installed helper"
grep -q '^ Recommends:.*pkexec' <<<"$info" || fail "pkexec is not recommended"

# The development package: its own name and section, the same version, the
# libraries, their public headers (no private ones, no account calls), the
# CMake package and the pkg-config file.
dev_info=$(dpkg-deb -I "$dev_deb")
dev_contents=$(dpkg-deb -c "$dev_deb")
grep -q '^ Package: libmarrowlight-dev$' <<<"$dev_info" || fail "wrong development package name"
grep -q "^ Version: $version\$" <<<"$dev_info" || fail "wrong development package version"
grep -q '^ Section: libdevel$' <<<"$dev_info" || fail "development package not in libdevel"
for dependency in qt6-base-dev libicu-dev; do
    grep -q "^ Depends:.*$dependency" <<<"$dev_info" || fail "no dependency on $dependency"
done
for file in ./usr/lib/libmarrowlight-platform.a ./usr/lib/libmarrowlight-framework.a \
    ./usr/lib/libmarrowlight-components.a \
    ./usr/include/marrowlight/components/mru/JMRU.h \
    ./usr/include/marrowlight/framework/Forms.h \
    ./usr/include/marrowlight/platform/registry/RegistryRoots.h \
    ./usr/lib/cmake/Marrowlight/MarrowlightConfig.cmake \
    ./usr/lib/cmake/Marrowlight/MarrowlightConfigVersion.cmake \
    ./usr/lib/cmake/Marrowlight/MarrowlightTargets.cmake \
    ./usr/lib/pkgconfig/marrowlight.pc; do
    grep -q " $file\$" <<<"$dev_contents" || fail "missing $file"
done
grep -q '_p\.h$\|/netapi/\|samba' <<<"$dev_contents" && fail "private files in the development package"

desktop-file-validate app/desktop/tumblerset.desktop
appstreamcli validate --no-net "$build_dir/app/io.github.marrowlight.Tumblerset.metainfo.xml" >/dev/null

# Install it as a user would, then run the installed program. The apt-get
# front end wants an absolute or ./-relative path.
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$(realpath "$deb")" "$(realpath "$dev_deb")" >/dev/null
work=$(mktemp -d --tmpdir tumblerset-package-XXXXXX)
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tumblerset libmarrowlight-dev >/dev/null; rm -rf "$work"' EXIT
[ "$(/usr/bin/tumblerset --version)" = "tumblerset $version" ] || fail "installed --version"
demo=$work/demo-directory.json
cp examples/demo-directory.json "$demo"
/usr/bin/tumblerset --directory "$demo" --list dc01.ad.corp.example.com | tail -n 2
/usr/bin/tumblerset --directory "$demo" --unlock alindqvist --server dc01.ad.corp.example.com >/dev/null ||
    fail "the installed program cannot reset in a private copy of the demo directory"
# Named servers: the installed program finds its Samba module. The name is
# refused before any lookup, so nothing is sent; without the module the
# answer would be error 50 and a line on standard error.
named=$(USER=nobody PASSWD=unused /usr/bin/tumblerset --list 'bad%name' 2>&1 || true)
[ "$named" = "Invalid server name." ] || fail "installed program and its Samba module: $named"
# The command line maps none of the window's libraries; the window comes from
# its module, found beside the installed program (offscreen: it runs until it
# is stopped).
LD_DEBUG=files /usr/bin/tumblerset --directory "$demo" --list 2>&1 >/dev/null |
    grep -q 'libQt6Widgets\|libQt6Gui\|tumblerset-window' && fail "the command line loads the window's libraries"
mkdir -m 700 "$work/window-runtime"
status=0
XDG_CONFIG_HOME="$work/window-config" XDG_RUNTIME_DIR="$work/window-runtime" QT_QPA_PLATFORM=offscreen \
    timeout 5 /usr/bin/tumblerset --directory "$demo" >"$work/window.log" 2>&1 || status=$?
[ "$status" = 124 ] || fail "the installed window did not start (status $status): $(cat "$work/window.log")"
# A program of its own against the installed library only: its sources are
# copied out of this tree, so nothing here can stand in for the package.
cp -r examples/recent-files "$work/src"
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" >/dev/null
# The same through pkg-config.
pkg-config --exists --print-errors "marrowlight = $version" || fail "pkg-config marrowlight $version"
# shellcheck disable=SC2046 # the flags are words
g++ -fPIC -o "$work/recent-files-pc" "$work/src/RecentFiles.cpp" $(pkg-config --cflags --libs marrowlight)
mkdir -m 700 "$work/config" "$work/runtime"
recent() {
    XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen "$@"
}
first=$(recent "$work/build/recent-files" --once a.txt b.txt)
expected=$'&Recent\n&0 b.txt\n&1 a.txt\nE&xit\namount 2.5, button &Go'
[ "$first" = "$expected" ] || fail "example program against the package: $first"
# What one run opened, the next one lists.
second=$(recent "$work/recent-files-pc" --once c.txt)
expected=$'&Recent\n&0 c.txt\n&1 b.txt\n&2 a.txt\nE&xit\namount 2.5, button &Go'
[ "$second" = "$expected" ] || fail "example program through pkg-config: $second"
echo "package check passed"
