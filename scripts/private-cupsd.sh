#!/usr/bin/env bash
# A private CUPS daemon for the tests, the demo and the benchmark: its own configuration,
# spool, logs and local socket, printers writing to files. Clients reach it with
# CUPS_SERVER=DIR/cups.sock.
#
#   private-cupsd.sh start DIR                     start it (stopping one this script left there)
#   private-cupsd.sh queue DIR NAME DESCRIPTION PPD
#                                                  add an enabled queue printing to DIR/out/NAME.prn;
#                                                  PPD is a file or a LabelWriter driver model such
#                                                  as dymo:0/cups/model/lw450.ppd
#   private-cupsd.sh stop DIR                      stop it, and remove its run folder
#
# cupsd refuses to run as "User root": it runs as root and drops to lp for filters and
# backends. DIR may lie where lp cannot go (a checkout under /root, mode 0700), so everything
# they read or write (configuration, PPDs, spool, the printers' output files) lives in a run
# folder of its own under /tmp (TMPDIR), readable and writable by group lp, and removed by
# stop. DIR holds the logs, the daemon's process id and links into the run folder: DIR/run,
# DIR/cups.sock, DIR/out (the printers' files) and DIR/ppd (for PPDs the caller writes).
set -euo pipefail

command=${1:?usage: private-cupsd.sh start|queue|stop DIR ...}
dir=$(realpath -m "${2:?usage: private-cupsd.sh start|queue|stop DIR ...}")
socket=$dir/cups.sock
if [ ${#socket} -ge 104 ]; then
  echo "private-cupsd: $socket is too long a path for a local socket; use a shorter folder" >&2
  exit 2
fi

# The run folder DIR/run leads to, when it is one this script made.
run_folder() {
  local target
  [ -L "$dir/run" ] || return 1
  target=$(readlink -- "$dir/run")
  [[ $(basename -- "$target") == vantory-cupsd.* && -d $target ]] || return 1
  echo "$target"
}

stop() {
  local pid run
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    # Only the daemon this script started on this folder's configuration.
    if tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -q -- "-c $dir/run/cupsd.conf"; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/cupsd.pid"
  fi
  if run=$(run_folder); then rm -rf -- "$run"; fi
  rm -f -- "$dir/run" "$socket" "$dir/out" "$dir/ppd"
}

case $command in
  start)
    stop
    rm -rf -- "$dir"
    mkdir -p -- "$dir/log"
    run=$(mktemp -d "${TMPDIR:-/tmp}/vantory-cupsd.XXXXXX")
    ln -s -- "$run" "$dir/run"
    ln -s -- "$run/cups.sock" "$socket"
    ln -s -- "$run/out" "$dir/out"
    ln -s -- "$run/ppd" "$dir/ppd"
    mkdir -p "$run"/{spool/tmp,cache,state,ppd,out}
    cat > "$run/cupsd.conf" <<CONF
Listen $run/cups.sock
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
    cat > "$run/cups-files.conf" <<CONF
ServerRoot $run
RequestRoot $run/spool
TempDir $run/spool/tmp
CacheDir $run/cache
StateDir $run/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
FileDevice Yes
User lp
Group lp
CONF
    chown -R root:lp "$run"
    chmod -R g+rwX "$run"
    chmod 755 "$run"
    # Started through the link, so that stop knows it by DIR.
    cupsd -f -c "$dir/run/cupsd.conf" -s "$dir/run/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
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
    run=$(run_folder) || { echo "private-cupsd: no cupsd of this script in $dir (start it first)" >&2; exit 1; }
    if [[ $ppd == dymo:* ]]; then
      /usr/lib/cups/driver/dymo cat "$ppd" > "$run/ppd/$name.source.ppd"
      ppd=$run/ppd/$name.source.ppd
    fi
    CUPS_SERVER=$socket lpadmin -p "$name" -E -v "file://$run/out/$name.prn" -P "$ppd" -D "$description" \
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
