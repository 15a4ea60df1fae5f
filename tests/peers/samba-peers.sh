#!/usr/bin/env bash
# samba-peers.sh - real Samba servers for the remote account provider's tests.
#
# Starts, inside a network namespace of their own that has nothing but a
# loopback device, a standalone smbd (tdbsam) on 127.0.0.2 and a Samba AD
# domain controller on 127.0.0.3. The test programs join that namespace, so
# neither the servers nor the tests can send a packet anywhere else. Every file
# lives under PEERS_DIR; processes are stopped by the PIDs recorded there.
# Installs nothing: Samba, samba-ad-dc, smbclient and libnss-wrapper must be
# there already (tools/install-deps.sh). Needs root.
#
# Usage: samba-peers.sh start|stop|status [PEERS_DIR]
#   start   fresh servers from pristine state (the DC is provisioned once per
#           PEERS_DIR and copied afterwards); returns when both answer RPC
#   stop    stops what start started, by PID, and releases the namespace
#   PEERS_BULK=N with start: N more accounts bulk0001.. on the smbd peer (for
#           the benchmark); every 10th locked out, every 7th disabled
#   PEERS_DC_BULK=N with start: the same for the DC, dcbulk0001.., written
#           into its database before it starts (a copy; the pristine one stays)
#
# Single sign-on: start also writes krb5.conf (the realm TEST.LAN with its KDC
# on the DC) and hosts (dc1.test.lan for the DC, and files.test.lan, an alias
# without a service principal, for libnss-wrapper's NSS_WRAPPER_HOSTS) into
# PEERS_DIR, so a client gets a ticket with KRB5_CONFIG and KRB5CCNAME without
# touching the machine's configuration.
#
# Accounts (passwords below):
#   smbd 127.0.0.2  root (admin), alice, bob, carol (disabled), dave (locked),
#                   erin (disabled and locked), frank (locked out by three bad
#                   logons: the server locks after three for 30 minutes)
#   DC   127.0.0.3  TEST\Administrator (admin), worker, normal1, normal2
#                   (disabled), victim (locked out by three bad logons), both
#                   (disabled, then locked out), jürgen "Jürgen Größe-Øster",
#                   winlock, clilock and ssolock (locked out, for the window's,
#                   the command line's and the single sign-on tests), late
#                   (locked out by a test while it lists), opticket and
#                   oppass (operators whose bad logons the tests count)
set -euo pipefail

# Absolute: the daemons change directory, and every path in their
# configuration is under it.
PEERS_DIR=$(realpath -m "${2:-${PEERS_DIR:-$PWD/peers}}")
PEERS_BULK=${PEERS_BULK:-0}
PEERS_DC_BULK=${PEERS_DC_BULK:-0}
SMB_ADMIN_PASS='Adm1n-Pass!'
SMB_USER_PASS='User-Pass1'
DC_ADMIN_PASS='Adm1n-Pass!9'
DC_USER_PASS='User-Pass1x'
SMB_IP=127.0.0.2
DC_IP=127.0.0.3
START_TIMEOUT=60
DCERPCD=/usr/libexec/samba/samba-dcerpcd

NETNS="$PEERS_DIR/netns"
SMB="$PEERS_DIR/smbd"
SMB_CONF="$SMB/etc/smb.conf"
NSS="$SMB/nss"
DC="$PEERS_DIR/dc"
DC_CONF="$DC/etc/smb.conf"
# Named after the accounts it holds: change the name when they change.
DC_PRISTINE="$PEERS_DIR/dc-pristine-winlock-clilock-ssolock-late-ldapspn-operators.tar"
PIDS="$PEERS_DIR/pids"

die() { echo "samba-peers.sh: $*" >&2; exit 1; }
need_root() { [ "$(id -u)" -eq 0 ] || die "must run as root"; }
in_ns() { nsenter --net="$NETNS" "$@"; }
port_open() { in_ns bash -c "(exec 3<>/dev/tcp/$1/445) 2>/dev/null"; }

smb_env() { # smbd's accounts live in private passwd/group files
    export LD_PRELOAD=libnss_wrapper.so NSS_WRAPPER_PASSWD="$NSS/passwd" \
        NSS_WRAPPER_GROUP="$NSS/group"
}

# ------------------------------------------------------------ namespace ---
ns_up() {
    if mountpoint -q "$NETNS" 2>/dev/null || findmnt -n "$NETNS" >/dev/null 2>&1; then
        return 0
    fi
    : >"$NETNS"
    unshare --net="$NETNS" true
    in_ns ip link set lo up
    in_ns ip addr add "$SMB_IP/8" dev lo
    in_ns ip addr add "$DC_IP/8" dev lo
}

ns_down() {
    if findmnt -n "$NETNS" >/dev/null 2>&1; then umount "$NETNS" || true; fi
    rm -f "$NETNS"
}

# ------------------------------------------------------- standalone smbd ---
smb_setup() {
    rm -rf "$SMB"
    mkdir -p "$SMB"/{etc,lock,state,cache,private,pid,log,ncalrpc,nss}
    chmod 700 "$SMB/private"
    cat >"$SMB_CONF" <<EOF
[global]
    workgroup = TESTGRP
    netbios name = PEER
    server role = standalone server
    security = user
    passdb backend = tdbsam:$SMB/private/passdb.tdb
    interfaces = $SMB_IP
    bind interfaces only = yes
    smb ports = 445
    disable netbios = yes
    name resolve order = host
    restrict anonymous = 2
    map to guest = never
    lock directory = $SMB/lock
    state directory = $SMB/state
    cache directory = $SMB/cache
    private dir = $SMB/private
    pid directory = $SMB/pid
    ncalrpc dir = $SMB/ncalrpc
    binddns dir = $SMB/private/bind-dns
    log file = $SMB/log/log.%m
    max log size = 10000
    log level = 1
    rpc start on demand helpers = no
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes
    usershare max shares = 0
EOF
    printf '%s\n' 'root:x:0:0:root:/root:/bin/bash' \
        'nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin' >"$NSS/passwd"
    printf '%s\n' 'root:x:0:' 'users:x:100:' 'nogroup:x:65534:' >"$NSS/group"
    (
        smb_env
        printf '%s\n%s\n' "$SMB_ADMIN_PASS" "$SMB_ADMIN_PASS" |
            in_ns smbpasswd -c "$SMB_CONF" -s -a root >"$SMB/log/seed.out" 2>&1
        local u uid=30000
        for u in alice bob carol dave erin frank; do
            uid=$((uid + 1))
            echo "$u:x:$uid:100::/nonexistent:/usr/sbin/nologin" >>"$NSS/passwd"
            printf '%s\n%s\n' "$SMB_USER_PASS" "$SMB_USER_PASS" |
                in_ns pdbedit -s "$SMB_CONF" -a -t -u "$u" -f "Full ${u^}" >/dev/null
        done
        # pdbedit -c takes N D H L X only; "[ ]" clears them.
        in_ns pdbedit -s "$SMB_CONF" -u alice -c "[ ]" >/dev/null
        in_ns pdbedit -s "$SMB_CONF" -u bob -c "[ ]" >/dev/null
        in_ns pdbedit -s "$SMB_CONF" -u carol -c "[D]" >/dev/null
        in_ns pdbedit -s "$SMB_CONF" -u dave -c "[L]" >/dev/null
        in_ns pdbedit -s "$SMB_CONF" -u erin -c "[DL]" >/dev/null
        in_ns pdbedit -s "$SMB_CONF" -u frank -c "[ ]" >/dev/null
        # Locked by hand, dave and erin have no bad password time, which
        # keeps their lockouts from running out.
        in_ns pdbedit -s "$SMB_CONF" -P "bad lockout attempt" -C 3 >/dev/null
        in_ns pdbedit -s "$SMB_CONF" -P "lockout duration" -C 30 >/dev/null
    )
}

smb_bulk() { # N
    local n=${1:?usage: bulk N} i name flags nthash lct tmp uid
    smb_env
    nthash=$(in_ns pdbedit -s "$SMB_CONF" -w -u alice | cut -d: -f4)
    lct=$(printf 'LCT-%08X' "$(date +%s)")
    tmp="$SMB/bulk.smbpasswd"
    : >"$tmp"
    chmod 600 "$tmp"
    uid=40000
    for i in $(seq 1 "$n"); do
        name=$(printf 'bulk%04d' "$i")
        grep -q "^$name:" "$NSS/passwd" && continue
        echo "$name:x:$((uid + i)):100:Bulk $i:/nonexistent:/usr/sbin/nologin" >>"$NSS/passwd"
        flags=U
        [ $((i % 10)) -eq 0 ] && flags="${flags}L"
        [ $((i % 7)) -eq 0 ] && flags="${flags}D"
        printf '%s:%s:XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX:%s:[%-11s]:%s:\n' \
            "$name" "$((uid + i))" "$nthash" "$flags" "$lct" >>"$tmp"
    done
    in_ns pdbedit -s "$SMB_CONF" -i "smbpasswd:$tmp" >/dev/null 2>&1 || die "pdbedit import failed"
    rm -f "$tmp"
    echo "smbd peer holds $(in_ns pdbedit -s "$SMB_CONF" -L 2>/dev/null | wc -l) accounts"
}

smb_start() {
    port_open "$SMB_IP" && die "something already listens on $SMB_IP:445"
    (
        smb_env
        # Foreground mode under setsid: each daemon leads a process group of
        # its own and, as nsenter and setsid exec, $! is the daemon itself.
        nsenter --net="$NETNS" setsid "$DCERPCD" -F --libexec-rpcds -s "$SMB_CONF" \
            </dev/null >"$SMB/log/samba-dcerpcd.out" 2>&1 &
        record_pid samba-dcerpcd $!
        nsenter --net="$NETNS" setsid smbd -F --no-process-group -s "$SMB_CONF" \
            </dev/null >"$SMB/log/smbd.out" 2>&1 &
        record_pid smbd $!
    )
}

smb_wait() {
    local t=0
    until port_open "$SMB_IP" && [ -S "$SMB/ncalrpc/np/samr" ] &&
        in_ns rpcclient -s "$SMB_CONF" -U "root%$SMB_ADMIN_PASS" -c getdompwinfo \
            "$SMB_IP" >/dev/null 2>&1; do
        sleep 0.2
        t=$((t + 1))
        if [ $t -ge $((START_TIMEOUT * 5)) ]; then
            cat "$SMB/log/smbd.out" "$SMB/log/samba-dcerpcd.out" >&2 || true
            die "smbd peer did not come up within ${START_TIMEOUT}s"
        fi
    done
}

# ---------------------------------------------------------------- AD DC ---
dc_provision() {
    rm -rf "$DC"
    mkdir -p "$DC"
    # No DNS server, so no forwarder traffic either.
    samba-tool domain provision --realm=TEST.LAN --domain=TEST \
        --server-role=dc --dns-backend=NONE --host-name=dc1 --host-ip="$DC_IP" \
        --adminpass="$DC_ADMIN_PASS" --targetdir="$DC" \
        >"$PEERS_DIR/dc-provision.log" 2>&1 ||
        {
            tail -20 "$PEERS_DIR/dc-provision.log" >&2
            die "provision failed"
        }
    # The provisioned smb.conf inherits from the system's one; replace it
    # with one that owns every path.
    mkdir -p "$DC"/{pid,ncalrpc,log,cache,run}
    cat >"$DC_CONF" <<EOF
[global]
    netbios name = DC1
    realm = TEST.LAN
    workgroup = TEST
    server role = active directory domain controller
    server services = s3fs, rpc, ldap, cldap, kdc, drepl, winbindd, kcc
    interfaces = $DC_IP
    bind interfaces only = yes
    disable netbios = yes
    name resolve order = host
    map to guest = never
    private dir = $DC/private
    lock directory = $DC
    state directory = $DC/state
    cache directory = $DC/cache
    binddns dir = $DC/bind-dns
    pid directory = $DC/pid
    ncalrpc dir = $DC/ncalrpc
    log file = $DC/log/log.%m
    max log size = 10000
    log level = 1
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes

[sysvol]
    path = $DC/state/sysvol
    read only = No

[netlogon]
    path = $DC/state/sysvol/test.lan/scripts
    read only = No
EOF
    local H=(-s "$DC_CONF" -H "$DC/private/sam.ldb") u
    samba-tool domain passwordsettings set "${H[@]}" --complexity=off \
        --account-lockout-threshold=3 --account-lockout-duration=30 \
        --reset-account-lockout-after=30 >/dev/null
    for u in victim worker normal1 normal2 both winlock clilock ssolock late opticket oppass; do
        samba-tool user create "$u" "$DC_USER_PASS" "${H[@]}" \
            --given-name="Gn$u" --surname="Sn$u" >/dev/null
    done
    samba-tool user create 'jürgen' "$DC_USER_PASS" "${H[@]}" \
        --given-name='Jürgen' --surname='Größe-Øster' >/dev/null
    # A DC's own update of its service principals (samba_spnupdate) runs with
    # its DNS service, which this one has not: add the directory's, so that a
    # Kerberos ticket reaches LDAP as on any other DC.
    samba-tool spn add ldap/dc1.test.lan 'DC1$' "${H[@]}" >/dev/null
    samba-tool spn add ldap/DC1 'DC1$' "${H[@]}" >/dev/null
    # Disabled before the lockout: disabling an account clears its lockout.
    samba-tool user disable normal2 "${H[@]}" >/dev/null
    samba-tool user disable both "${H[@]}" >/dev/null
    tar -C "$PEERS_DIR" -cf "$DC_PRISTINE" dc
}

dc_bulk() { # N: offline, into the stopped DC's database, in one transaction
    local n=${1:?}
    /usr/bin/python3 - "$DC_CONF" "$n" <<'EOF'
import sys, time
from samba.samdb import SamDB
from samba.auth import system_session
from samba.param import LoadParm
conf, n = sys.argv[1], int(sys.argv[2])
lp = LoadParm()
lp.load(conf)
db = SamDB(url=lp.private_path("sam.ldb"), session_info=system_session(), lp=lp)
base = db.domain_dn()
# Locked out now: lockoutTime within the domain's lockout duration.
now = int((time.time() + 11644473600) * 10**7)
db.transaction_start()
for i in range(1, n + 1):
    name = "dcbulk%04d" % i
    # A normal account that needs no password, so none has to be hashed.
    uac = 0x200 | 0x20 | (0x2 if i % 7 == 0 else 0)
    msg = {"dn": "CN=%s,CN=Users,%s" % (name, base), "objectClass": "user",
           "sAMAccountName": name, "displayName": "DC Bulk %d" % i,
           "userAccountControl": str(uac)}
    if i % 10 == 0:
        msg["lockoutTime"] = str(now)
    db.add(msg)
db.transaction_commit()
EOF
    echo "DC peer holds $n bulk accounts"
}

client_files() { # what a client needs for a ticket from the DC
    cat >"$PEERS_DIR/krb5.conf" <<EOF
[libdefaults]
    default_realm = TEST.LAN
    dns_lookup_kdc = false
    dns_lookup_realm = false
    rdns = false
[realms]
    TEST.LAN = {
        kdc = $DC_IP
    }
[domain_realm]
    .test.lan = TEST.LAN
    test.lan = TEST.LAN
EOF
    # files.test.lan: an alias the DC has no service principal for.
    echo "$DC_IP dc1.test.lan dc1 files.test.lan" >"$PEERS_DIR/hosts"
}

dc_start() {
    port_open "$DC_IP" && die "something already listens on $DC_IP:445"
    # The DC's smbd finds winbindd under the compiled-in /run/samba: give it a
    # private one in a mount namespace of its own.
    mkdir -p /run/samba
    nsenter --net="$NETNS" unshare -m --propagation private sh -c \
        'mount --bind "$1/run" /run/samba && exec setsid samba -F --no-process-group -s "$2"' \
        sh "$DC" "$DC_CONF" </dev/null >"$DC/log/samba.out" 2>&1 &
    record_pid samba $!
}

dc_wait() {
    local t=0
    until port_open "$DC_IP" &&
        in_ns rpcclient -s "$DC_CONF" -U "TEST\\Administrator%$DC_ADMIN_PASS" \
            -c getdompwinfo "$DC_IP" >/dev/null 2>&1; do
        sleep 0.2
        t=$((t + 1))
        if [ $t -ge $((START_TIMEOUT * 5)) ]; then
            tail -20 "$DC/log/samba.out" >&2 || true
            die "domain controller did not come up within ${START_TIMEOUT}s"
        fi
    done
}

bad_logons() { # CONF IP USER: bad-password logons until the server locks the account out
    local i out=""
    for i in 1 2 3 4 5; do
        out=$(in_ns smbclient -s "$1" "//$2/IPC\$" -U "$3%definitely-wrong" -c exit 2>&1 || true)
        case "$out" in *ACCOUNT_LOCKED_OUT*) return 0 ;; esac
    done
    die "could not lock $3 out: $out"
}

dc_lock() { bad_logons "$DC_CONF" "$DC_IP" "TEST\\$1"; }

# ------------------------------------------------------------- commands ---
# A PID file holds the PID and the process's start time, so a PID that the
# system has since given to another process is never signalled.
start_time() { awk '{print $22}' "/proc/$1/stat" 2>/dev/null || true; }

record_pid() { # name pid
    local t="" i
    for i in 1 2 3 4 5 6 7 8 9 10; do
        t=$(start_time "$2")
        [ -n "$t" ] && break
        sleep 0.05
    done
    echo "$2 $t" >"$PIDS/$1"
}

alive_pid() { # name: prints the PID if that very process still runs
    local pid t
    read -r pid t <"$PIDS/$1" 2>/dev/null || return 1
    [ -n "$pid" ] && [ -n "$t" ] && [ "$(start_time "$pid")" = "$t" ] && echo "$pid"
}

stop_daemon() { # name: TERM to the daemon's process group, KILL after 5 s
    local pid i
    pid=$(alive_pid "$1") || return 0
    kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null || true
    for i in $(seq 1 50); do
        alive_pid "$1" >/dev/null || return 0
        sleep 0.1
    done
    kill -KILL -- "-$pid" 2>/dev/null || true
}

kill_stragglers() { # conf: helpers that left the process group still name it
    local pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$pid" = "$$" ] && continue
        if [ -r "/proc/$pid/cmdline" ] && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null |
            grep -qF -- "$1"; then
            kill -KILL "$pid" 2>/dev/null || true
        fi
    done
}

cmd_stop() {
    if [ -d "$PIDS" ]; then
        stop_daemon smbd &
        stop_daemon samba-dcerpcd &
        stop_daemon samba &
        wait
        kill_stragglers "$SMB_CONF"
        kill_stragglers "$DC_CONF"
        rm -rf "$PIDS"
    fi
    ns_down
}

cmd_start() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "samba-peers.sh: not root, so no peers: their tests skip"
        exit 0
    fi
    mkdir -p "$PEERS_DIR"
    cmd_stop
    mkdir -p "$PIDS"
    ns_up
    trap 'cmd_stop' ERR
    smb_setup
    if [ "$PEERS_BULK" -gt 0 ]; then (smb_bulk "$PEERS_BULK"); fi
    if [ -f "$DC_PRISTINE" ]; then
        rm -rf "$DC"
        tar -C "$PEERS_DIR" -xf "$DC_PRISTINE"
    else
        dc_provision
    fi
    if [ "$PEERS_DC_BULK" -gt 0 ]; then dc_bulk "$PEERS_DC_BULK"; fi
    client_files
    smb_start
    dc_start
    smb_wait
    dc_wait
    for u in victim both winlock clilock ssolock; do dc_lock "$u"; done
    bad_logons "$SMB_CONF" "$SMB_IP" frank
    trap - ERR
    echo "peers up in $PEERS_DIR: smbd on $SMB_IP, domain controller on $DC_IP"
}

cmd_status() {
    local f pid
    for f in smbd samba-dcerpcd samba; do
        if pid=$(alive_pid "$f"); then echo "$f: running (pid $pid)"; else echo "$f: not running"; fi
    done
}

case "${1:-}" in
start) cmd_start ;;
stop) if [ "$(id -u)" -eq 0 ]; then cmd_stop; fi ;;
status) cmd_status ;;
*)
    sed -n '2,32p' "$0"
    exit 2
    ;;
esac
