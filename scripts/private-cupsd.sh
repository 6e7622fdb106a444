#!/bin/bash
# A private CUPS scheduler for the tests and the demo, run as root:
#
#   scripts/private-cupsd.sh start DIR BACKEND   prints CUPS_SERVER=<socket>
#   scripts/private-cupsd.sh stop DIR
#
# Everything it has lives under DIR: configuration, spool, logs, state and
# its socket; it listens on its own loopback port too. Its ServerBin holds
# links to the system's filters and helper daemons but, as backends, only a
# root-owned 0700 copy of BACKEND, so that device discovery never runs the
# network-searching backends. Jobs that ask to be retried are retried after
# two seconds. Clients reach it with CUPS_SERVER set to the printed socket.
set -euo pipefail
CMD=${1:?usage: $0 start DIR BACKEND | stop DIR}
DIR=${2:?usage: $0 start DIR BACKEND | stop DIR}
SYSBIN=$(cups-config --serverbin)

stop() {
  local pid
  pid=$(cat "$DIR/run/cupsd.pid" 2>/dev/null) || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
  rm -f "$DIR/run/cupsd.pid"
}

if [ "$CMD" = stop ]; then
  stop
  exit 0
fi
[ "$CMD" = start ] || { echo "usage: $0 start DIR BACKEND | stop DIR" >&2; exit 2; }
BACKEND=${3:?usage: $0 start DIR BACKEND}
[ "$(id -u)" -eq 0 ] || { echo "private-cupsd: needs root" >&2; exit 1; }

# cupsd runs filters as lp and checks that what it runs is root's and not
# writable by others, up the whole path.
install -d -m 0755 "$DIR" "$DIR/etc" "$DIR/log" "$DIR/cache" "$DIR/run" \
  "$DIR/bin" "$DIR/bin/backend" "$DIR/bin/filter" "$DIR/bin/daemon"
install -d -m 0710 -g lp "$DIR/spool"
install -d -m 1770 -g lp "$DIR/spool/tmp"
install -m 0700 "$BACKEND" "$DIR/bin/backend/jex"
for d in filter daemon; do
  for f in "$SYSBIN/$d"/*; do ln -sfn "$f" "$DIR/bin/$d/"; done
done

# A free loopback port: nothing answers there.
port=$((20000 + $$ % 20000))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done

cat >"$DIR/etc/cups-files.conf" <<CONF
ServerRoot $DIR/etc
ServerBin $DIR/bin
DataDir $(cups-config --datadir)
RequestRoot $DIR/spool
TempDir $DIR/spool/tmp
CacheDir $DIR/cache
StateDir $DIR/run
ErrorLog $DIR/log/error_log
AccessLog $DIR/log/access_log
PageLog $DIR/log/page_log
User lp
Group lp
SystemGroup root
FileDevice No
CONF
cat >"$DIR/etc/cupsd.conf" <<CONF
LogLevel debug
Listen $DIR/run/cups.sock
Listen 127.0.0.1:$port
Browsing Off
BrowseLocalProtocols none
DefaultShared No
WebInterface No
JobRetryInterval 2
JobRetryLimit 30
PreserveJobFiles No
<Location />
  Order allow,deny
  Allow localhost
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

stop
cupsd -f -c "$DIR/etc/cupsd.conf" -s "$DIR/etc/cups-files.conf" </dev/null \
  >>"$DIR/log/cupsd.out" 2>&1 &
echo $! >"$DIR/run/cupsd.pid"
for _ in $(seq 100); do
  if CUPS_SERVER=$DIR/run/cups.sock lpstat -r 2>/dev/null | grep -q 'is running'; then
    echo "CUPS_SERVER=$DIR/run/cups.sock"
    exit 0
  fi
  kill -0 "$(cat "$DIR/run/cupsd.pid")" 2>/dev/null || break
  sleep 0.1
done
echo "private-cupsd: cupsd did not start; see $DIR/log" >&2
tail -n 20 "$DIR/log/error_log" "$DIR/log/cupsd.out" >&2 2>/dev/null || true
stop
exit 1
