#!/usr/bin/env bash
# End to end through the real polkit: a private system bus with polkitd on
# it, the action file and a rules file that lets one test user in, and that
# user's window listing and resetting a real pam_faillock lockout through
# pkexec and the helper.
#
# Everything it changes lives in a private mount namespace: the system bus
# socket folder, polkit's action and rules folders, passwd/shadow/group with
# the test user, the PAM services and pam_faillock's tally folder are
# replaced there by copies, so the machine's own are never touched.
#   polkit-e2e.sh TEST_PROGRAM HELPER POLICY INSTALLED_HELPER
# Exits 77 (skipped) where the machine does not allow it.
set -euo pipefail
program=$(realpath "$1") helper=$(realpath "$2") policy=$3 installed=$4
skip() { echo "SKIP: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "needs root (a mount namespace, polkitd, a test user)"
for tool in /usr/bin/pkexec /usr/lib/polkit-1/polkitd dbus-daemon pamtester unshare setpriv; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (tools/install-deps.sh installs it)"
done
[ -u /usr/bin/pkexec ] || skip "pkexec is not setuid root"

if [ -z "${TUMBLERSET_E2E_INSIDE:-}" ]; then
    exec env TUMBLERSET_E2E_INSIDE=1 unshare --mount --propagation private "$0" "$@"
fi

work=$(mktemp -d /tmp/tumblerset-polkit-e2e.XXXXXX)
user=tse2e uid=59990
cleanup() {
    [ -n "${polkitd_pid:-}" ] && kill "$polkitd_pid" 2>/dev/null
    [ -n "${bus_pid:-}" ] && kill "$bus_pid" 2>/dev/null
    wait 2>/dev/null || true
}
trap cleanup EXIT

# The test user, in copies of the account files.
for f in passwd shadow group; do cp -p /etc/$f "$work/$f"; done
echo "$user:x:$uid:$uid:Polkit Test:/nonexistent:/usr/sbin/nologin" >>"$work/passwd"
echo "$user:\$6\$salt\$nothingmatches:19000:0:99999:7:::" >>"$work/shadow"
echo "$user:x:$uid:" >>"$work/group"
for f in passwd shadow group; do mount --bind "$work/$f" /etc/$f; done

# A PAM service that records a failure each time it is asked.
cp -a /etc/pam.d "$work/pam.d"
printf 'auth requisite pam_faillock.so preauth\nauth [default=die] pam_faillock.so authfail\n' \
    >"$work/pam.d/tumblerset-e2e"
mount --bind "$work/pam.d" /etc/pam.d
mkdir -p /run/faillock
mount -t tmpfs -o mode=755 tmpfs /run/faillock

# polkit's folders: the shipped action, naming the helper where this test has
# it, and a rules file that lets the test user in for that action only.
mkdir -p "$work/actions" "$work/rules.d"
cp /usr/share/polkit-1/actions/*.policy "$work/actions/" 2>/dev/null || true
sed "s|$installed|$helper|" "$policy" >"$work/actions/$(basename "$policy")"
cat >"$work/rules.d/10-tumblerset-e2e.rules" <<RULES
polkit.addRule(function(action, subject) {
    if (action.id == "org.marrowlight.tumblerset.local-lockouts" && subject.user == "$user")
        return polkit.Result.YES;
});
RULES
chmod 755 "$work/rules.d"
mount --bind "$work/actions" /usr/share/polkit-1/actions
mount --bind "$work/rules.d" /etc/polkit-1/rules.d
mount -t tmpfs tmpfs /usr/share/polkit-1/rules.d

# A private system bus at the usual address (pkexec is setuid and reads no
# bus address from its environment), with polkitd on it.
mount -t tmpfs -o mode=755 tmpfs /run/dbus
dbus-daemon --system --nofork --nopidfile &
bus_pid=$!
for _ in $(seq 50); do [ -S /run/dbus/system_bus_socket ] && break; sleep 0.1; done
[ -S /run/dbus/system_bus_socket ] || { echo "the private system bus did not start"; exit 1; }
/usr/lib/polkit-1/polkitd --no-debug &
polkitd_pid=$!
for _ in $(seq 50); do
    dbus-send --system --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.PolicyKit1 2>/dev/null |
        grep -q true && break
    sleep 0.1
done

# Three failures: locked out, as pam_faillock decides by default.
for _ in 1 2 3; do echo wrong | pamtester tumblerset-e2e "$user" authenticate >/dev/null 2>&1 || true; done
[ -s /run/faillock/$user ] || { echo "pam_faillock recorded no failure"; exit 1; }

chmod 755 "$work"
install -d -m 700 -o $uid -g $uid "$work/runtime"
env -i PATH=/usr/bin:/bin HOME="$work" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    TUMBLERSET_E2E_HELPER="$helper" TUMBLERSET_E2E_USER="$user" \
    setpriv --reuid=$uid --regid=$uid --clear-groups \
    "$program" --gtest_filter='PolkitEndToEnd.*'
status=$?
[ ! -s /run/faillock/$user ] || { echo "the tally is still there"; exit 1; }
exit $status
