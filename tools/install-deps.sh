#!/usr/bin/env bash
# Installs every Debian package Tumblerset needs to build, test, benchmark and
# package itself. Safe to run again: apt-get skips what is already there.
# Runs as root (apt-get); with sudo when started by another user.
set -euo pipefail

packages=(
    # build
    cmake g++ ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools libgl-dev libicu-dev samba-dev
    # fonts so text renders the same on a bare machine
    fonts-dejavu-core fonts-liberation
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # ldbsearch: the floor the domain controller's listing is measured against
    ldb-tools
    # fuzzing (libFuzzer comes with clang)
    clang
    # real servers on loopback for the account tests
    samba samba-ad-dc samba-ad-provision smbclient libnss-wrapper krb5-user iproute2
    # the real pam_faillock, driven through libpam, for the local lockout tests
    libpam-modules pamtester
    # the local helper's authorisation: polkit, pkexec, a bus to run polkitd
    # on, and xmllint to check the action file against polkit's DTD
    pkexec polkitd dbus-daemon libxml2-utils
    # screenshots, desktop checks, packaging
    xvfb xauth x11-utils xdotool imagemagick appstream desktop-file-utils file dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# Keep the packaged Samba services from starting: they would listen on every
# interface. The tests start their own servers on loopback only.
added_policy=0
if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee /usr/sbin/policy-rc.d >/dev/null
    $sudo chmod 755 /usr/sbin/policy-rc.d
    added_policy=1
fi
trap '[ "$added_policy" = 1 ] && $sudo rm -f /usr/sbin/policy-rc.d' EXIT

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
