#!/usr/bin/env bash
# Builds the Debian package from an existing build, checks its metadata and
# contents, installs it with apt-get and runs the installed program.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
[ -n "$version" ] || { echo "package check: no configured build in $build_dir" >&2; exit 1; }

rm -f "$build_dir"/tumblerset_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
deb=$(ls "$build_dir"/tumblerset_*.deb)
echo "== $deb"

info=$(dpkg-deb -I "$deb")
contents=$(dpkg-deb -c "$deb")
fail() { echo "package check: $*" >&2; exit 1; }
grep -q '^ Package: tumblerset$' <<<"$info" || fail "wrong package name"
grep -q "^ Version: $version\$" <<<"$info" || fail "wrong version"
for dependency in libqt6widgets6 libqt6core6 libicu72 samba-libs fonts-dejavu-core; do
    grep -q "^ Depends:.*$dependency" <<<"$info" || fail "no dependency on $dependency"
done
for file in ./usr/bin/tumblerset ./usr/lib/tumblerset/tumblerset-samba.so \
    ./usr/share/applications/tumblerset.desktop \
    ./usr/share/metainfo/io.github.marrowlight.Tumblerset.metainfo.xml \
    ./usr/share/man/man1/tumblerset.1 \
    ./usr/share/bash-completion/completions/tumblerset \
    ./usr/share/icons/hicolor/16x16/apps/tumblerset.png \
    ./usr/share/icons/hicolor/32x32/apps/tumblerset.png \
    ./usr/share/icons/hicolor/48x48/apps/tumblerset.png \
    ./usr/share/icons/hicolor/scalable/apps/tumblerset.svg; do
    grep -q " $file\$" <<<"$contents" || fail "missing $file"
done
desktop-file-validate app/desktop/tumblerset.desktop
appstreamcli validate --no-net "$build_dir/app/io.github.marrowlight.Tumblerset.metainfo.xml" >/dev/null

# Install it as a user would, then run the installed program. The apt-get
# front end wants an absolute or ./-relative path.
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$(realpath "$deb")" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tumblerset >/dev/null' EXIT
[ "$(/usr/bin/tumblerset --version)" = "tumblerset $version" ] || fail "installed --version"
demo=$(mktemp --tmpdir tumblerset-demo-XXXXXX.json)
cp examples/demo-directory.json "$demo"
/usr/bin/tumblerset --directory "$demo" --list dc01.ad.corp.example.com | tail -n 2
rm -f "$demo"
# Named servers: the installed program finds its Samba module. The name is
# refused before any lookup, so nothing is sent; without the module the
# answer would be error 50 and a line on standard error.
named=$(USER=nobody PASSWD=unused /usr/bin/tumblerset --list 'bad%name' 2>&1 || true)
[ "$named" = "Invalid server name." ] || fail "installed program and its Samba module: $named"
echo "package check passed"
