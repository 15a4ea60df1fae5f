#!/usr/bin/env bash
# Checks the polkit action file against polkit's own DTD and its defaults:
# an administrator's password, kept for a while, for an active local
# session; nothing for anyone else; the action names the installed helper.
#   check-policy.sh POLICY INSTALLED_HELPER
set -euo pipefail
policy=$1 helper=$2
dtd=/usr/share/polkit-1/policyconfig-1.dtd
command -v xmllint >/dev/null || { echo "SKIP: xmllint is not installed"; exit 77; }

if [ -r "$dtd" ]; then
    xmllint --noout --dtdvalid "$dtd" "$policy"
else
    echo "polkit's DTD ($dtd) is not installed: checking well-formedness only"
    xmllint --noout "$policy"
fi

value() { xmllint --xpath "string($1)" "$policy"; }
fail=0
expect() {
    local got; got=$(value "$1")
    [ "$got" = "$2" ] || { echo "$1: '$got', expected '$2'"; fail=1; }
}
action='/policyconfig/action[@id="org.marrowlight.tumblerset.local-lockouts"]'
expect "count(/policyconfig/action)" 1
expect "$action/defaults/allow_any" no
expect "$action/defaults/allow_inactive" no
expect "$action/defaults/allow_active" auth_admin_keep
expect "$action/annotate[@key=\"org.freedesktop.policykit.exec.path\"]" "$helper"
[ -n "$(value "$action/message")" ] || { echo "the action has no message"; fail=1; }
exit $fail
