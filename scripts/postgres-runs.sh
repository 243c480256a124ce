# Shared by the scripts that run the program against a PostgreSQL server of their own: sourced,
# not run. The caller sets `work` (a fresh directory the server's user can pass through) before
# calling start_pg_server; stop_pg_server ends it. The server is a cluster of its own, listening
# only on a Unix socket in $work/server, run as the user postgres when this runs as root.

pg_bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
pg_as_server=()
if [ "$(id -u)" = 0 ]; then
    pg_as_server=(runuser -u postgres --)
fi

start_pg_server() {
    pg_server="$work/server"
    mkdir -m 700 "$pg_server"
    pg_password=$(head -c 18 /dev/urandom | base64)
    (umask 077; printf '%s\n' "$pg_password" > "$pg_server/superuser.password")
    printf '*:*:*:tusko:%s\n' "$pg_password" > "$work/psql.pass"
    chmod 600 "$work/psql.pass"
    [ ${#pg_as_server[@]} -eq 0 ] || chown -R postgres "$pg_server"
    "${pg_as_server[@]}" "$pg_bin/initdb" -D "$pg_server/data" -U tusko \
        --auth=scram-sha-256 --pwfile="$pg_server/superuser.password" -E UTF8 --locale=C \
        --no-sync >/dev/null
    "${pg_as_server[@]}" "$pg_bin/pg_ctl" -D "$pg_server/data" -l "$pg_server/server.log" -w \
        -o "-c listen_addresses='' -k $pg_server" start >/dev/null
}

stop_pg_server() {
    [ -n "${pg_server:-}" ] || return 0
    # A server stopped with SIGSTOP would not hear the stop.
    pkill -CONT -f "postgres -D $pg_server/data" 2>/dev/null || true
    pkill -CONT -f "postgres: " 2>/dev/null || true
    "${pg_as_server[@]}" "$pg_bin/pg_ctl" -D "$pg_server/data" -m fast -w stop >/dev/null 2>&1 ||
        true
}

# Every process of the server: the postmaster and its children.
pg_server_pids() {
    local main
    main=$(head -n 1 "$pg_server/data/postmaster.pid")
    echo "$main" $(pgrep -P "$main")
}

# Writes records.conf and its password file into the current directory, for `site`.
write_records_conf() {
    (umask 077; printf '%s\n' "$pg_password" > records.password)
    printf '# the plant-wide records store\nhost=%s\nport=5432\ndatabase=postgres\n' \
        "$pg_server" > records.conf
    printf 'user=tusko\npassword_file=records.password\nsite=%s\n' "$1" >> records.conf
}

pg_query() {
    PGPASSFILE="$work/psql.pass" psql -h "$pg_server" -U tusko -d postgres -X -q "$@"
}
