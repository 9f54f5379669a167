#!/usr/bin/env bash
# A private CUPS daemon for the tests and the benchmark: its own configuration, spool, logs and
# local socket under DIR, printers writing to files under DIR/out. Clients reach it with
# CUPS_SERVER=DIR/cups.sock.
#
#   private-cupsd.sh start DIR                     start it (stopping one this script left there)
#   private-cupsd.sh queue DIR NAME DESCRIPTION PPD
#                                                  add an enabled queue printing to DIR/out/NAME.prn;
#                                                  PPD is a file or a LabelWriter driver model such
#                                                  as dymo:0/cups/model/lw450.ppd
#   private-cupsd.sh stop DIR                      stop it
#
# cupsd refuses to run as "User root": it runs as root and drops to lp for filters, so DIR is
# made readable and writable by group lp.
set -euo pipefail

command=${1:?usage: private-cupsd.sh start|queue|stop DIR ...}
dir=$(realpath -m "${2:?usage: private-cupsd.sh start|queue|stop DIR ...}")
socket=$dir/cups.sock
if [ ${#socket} -ge 104 ]; then
  echo "private-cupsd: $socket is too long a path for a local socket; use a shorter folder" >&2
  exit 2
fi

stop() {
  [ -f "$dir/cupsd.pid" ] || return 0
  local pid
  pid=$(cat "$dir/cupsd.pid")
  # Only the daemon this script started on this folder's configuration.
  if tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -q -- "-c $dir/cupsd.conf"; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$dir/cupsd.pid" "$socket"
}

case $command in
  start)
    stop
    rm -rf "$dir"
    mkdir -p "$dir"/{spool/tmp,cache,state,log,ppd,out}
    cat > "$dir/cupsd.conf" <<CONF
Listen $socket
LogLevel warn
MaxJobs 0
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    cat > "$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
FileDevice Yes
User lp
Group lp
CONF
    chown -R root:lp "$dir"
    chmod -R g+rwX "$dir"
    chmod 755 "$dir"
    cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
    echo $! > "$dir/cupsd.pid"
    for _ in $(seq 100); do
      if CUPS_SERVER=$socket lpstat -r 2>/dev/null | grep -q 'is running'; then exit 0; fi
      kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break
      sleep 0.1
    done
    echo "private-cupsd: cupsd did not start; see $dir/log" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    stop
    exit 1
    ;;
  queue)
    name=${3:?queue NAME}
    description=${4:?queue DESCRIPTION}
    ppd=${5:?queue PPD}
    if [[ $ppd == dymo:* ]]; then
      /usr/lib/cups/driver/dymo cat "$ppd" > "$dir/ppd/$name.source.ppd"
      ppd=$dir/ppd/$name.source.ppd
    fi
    CUPS_SERVER=$socket lpadmin -p "$name" -E -v "file://$dir/out/$name.prn" -P "$ppd" -D "$description" \
      2> >(grep -v 'Printer drivers are deprecated' >&2)
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: private-cupsd.sh start|queue|stop DIR ..." >&2
    exit 2
    ;;
esac
