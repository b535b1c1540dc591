#!/usr/bin/env bash
# Runs the entry race test against a three-node MariaDB Galera cluster on loopback, with
# the workstations spread over the nodes (not part of ctest: it needs galera-4 and about
# 300 MB of memory, and takes about half a minute).
#   tests/entry/cluster-race.sh BUILD_DIR [WORK_DIR]
set -euo pipefail

build=$(cd "${1:?usage: cluster-race.sh BUILD_DIR [WORK_DIR]}" && pwd)
work=${2:-$(mktemp -d /tmp/ledrana-cluster.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
provider=/usr/lib/galera/libgalera_smm.so
[ -f "$provider" ] || { echo "cluster-race: $provider missing (package galera-4)" >&2; exit 2; }

base_port=$((34000 + RANDOM % 2000 * 10))
sql_port() { echo $((base_port + $1)); }
gcomm_port() { echo $((base_port + 100 + $1 * 10)); }
address=""
for n in 1 2 3; do address+="${address:+,}127.0.0.1:$(gcomm_port $n)"; done

stop() {
    for n in 1 2 3; do
        [ -f "$work/n$n.pid" ] && kill "$(cat "$work/n$n.pid")" 2>/dev/null || true
    done
    for n in 1 2 3; do
        for _ in $(seq 1 100); do
            [ -f "$work/n$n.pid" ] && kill -0 "$(cat "$work/n$n.pid")" 2>/dev/null || break
            sleep 0.1
        done
    done
}
trap stop EXIT

mariadb-install-db --no-defaults --auth-root-authentication-method=normal --skip-test-db \
    --datadir="$work/base" >"$work/install.log" 2>&1
start() {
    local n=$1 g
    shift
    g=$(gcomm_port "$n")
    rm -rf "$work/n$n"
    cp -a "$work/base" "$work/n$n"
    printf '[mysqld]\ninnodb_buffer_pool_size=64M\n' >"$work/my$n.cnf"
    mariadbd --defaults-file="$work/my$n.cnf" --user=root --datadir="$work/n$n" --port="$(sql_port "$n")" \
        --bind-address=127.0.0.1 --socket="$work/s$n.sock" --pid-file="$work/n$n.pid" \
        --log-error="$work/err$n.log" --skip-name-resolve \
        --character-set-server=utf8mb4 --collation-server=utf8mb4_czech_ci \
        --wsrep-on=ON --wsrep-provider="$provider" --wsrep-cluster-name=ledrana --wsrep-node-name="n$n" \
        --wsrep-cluster-address="gcomm://$address" --wsrep-node-address="127.0.0.1:$g" \
        "--wsrep-provider-options=base_port=$g;gmcast.listen_addr=tcp://127.0.0.1:$g;ist.recv_addr=127.0.0.1:$((g + 1));gcache.size=32M" \
        --wsrep-sst-method=mysqldump --wsrep-sst-auth=root: --wsrep-sst-receive-address="127.0.0.1:$(sql_port "$n")" \
        --binlog-format=ROW --default-storage-engine=InnoDB --innodb-autoinc-lock-mode=2 \
        --innodb-log-file-size=32M --performance-schema=OFF --max-allowed-packet=256M "$@" \
        >"$work/out$n.log" 2>&1 &
}
synced() {
    [ "$(mariadb --no-defaults -S "$work/s$1.sock" -uroot -N -e "show status like 'wsrep_local_state_comment'" \
        2>/dev/null | cut -f2)" = Synced ]
}
wait_synced() {
    for _ in $(seq 1 600); do
        synced "$1" && return 0
        sleep 0.1
    done
    echo "cluster-race: node $1 did not join; see $work/err$1.log" >&2
    exit 1
}
start 1 --wsrep-new-cluster
wait_synced 1
for n in 2 3; do
    start $n
    wait_synced $n
done

mkdir -p "$work/db"
sql_port 1 >"$work/db/port"
LEDRANA_TEST_DB_DIR="$work/db" LEDRANA_CLUSTER_PORTS="$(sql_port 1),$(sql_port 2),$(sql_port 3)" \
    LEDRANA_SOURCE_DIR="$src" LEDRANA_TEST_TMP="$work/tmp" QT_QPA_PLATFORM=offscreen \
    "$build/tests/entry/test_entry_race"
for n in 1 2 3; do
    mariadb --no-defaults -S "$work/s$n.sock" -uroot -N \
        -e "show status where variable_name in ('wsrep_local_cert_failures', 'wsrep_local_bf_aborts')" |
        tr '\n' ' ' | sed "s/^/node $n: /"
    echo
done
