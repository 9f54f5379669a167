# Printing for real under Wine, shared by the demo (scripts/demo.sh) and the Wine printing test
# (tests/integration/spooler/spooler_run.sh). Sourced inside `wine-run.sh --host` (WINE and
# WINEPREFIX set, the control and the engine registered); needs script_host.sh's run_cscript.
#
#   printing_start WORK     a private cupsd in WORK/cupsd with two queues: PDF (Debian's generic
#                           PDF printer, given the 30334 label as a paper size; added first, so
#                           Wine makes it the default) and LW450 ("DYMO LabelWriter 450", the
#                           real LabelWriter driver, writing to $PRINTING_STREAM); CUPS_SERVER
#                           points Wine there, the engine prints (VANTORY_RECORD_ONLY=0)
#   printing_stop           stops the cupsd
#   print_sample SAMPLE [PRINTER [COPIES [DEBUGGER]]]
#                           examples/print-sample.vbs through the control; echoes True or False
#   wait_idle QUEUE         until the queue holds no job (false after a minute)
#   jobs_of QUEUE           how many jobs the queue ever had

printing_source=$(cd "$(dirname -- "${BASH_SOURCE[0]}")/.." && pwd)

printing_start() {
  local work=$1
  PRINTING_CUPSD=$work/cupsd
  # A daemon a killed run left there (its folder is about to be made anew).
  bash "$printing_source/scripts/private-cupsd.sh" stop "$PRINTING_CUPSD"
  bash "$printing_source/scripts/private-cupsd.sh" start "$PRINTING_CUPSD" || return 1
  export CUPS_SERVER=$PRINTING_CUPSD/cups.sock
  export VANTORY_RECORD_ONLY=0
  sed -e '/OpenUI \*PageSize/a *PageSize w162h90/30334 Label: ""' \
      -e '/OpenUI \*PageRegion/a *PageRegion w162h90/30334 Label: ""' \
      /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd > "$work/generic-label.ppd" &&
    printf '*ImageableArea w162h90: "0 0 162 90"\n*PaperDimension w162h90: "162 90"\n' >> "$work/generic-label.ppd" &&
    bash "$printing_source/scripts/private-cupsd.sh" queue "$PRINTING_CUPSD" PDF "Generic PDF printer" \
      "$work/generic-label.ppd" &&
    bash "$printing_source/scripts/private-cupsd.sh" queue "$PRINTING_CUPSD" LW450 "DYMO LabelWriter 450" \
      dymo:0/cups/model/lw450.ppd || return 1
  # Each job replaces what the file device wrote before.
  PRINTING_STREAM=$PRINTING_CUPSD/out/LW450.prn
}

printing_stop() {
  [[ -n ${PRINTING_CUPSD:-} ]] && bash "$printing_source/scripts/private-cupsd.sh" stop "$PRINTING_CUPSD"
  PRINTING_CUPSD=
}

# Wine's own processes (wineserver, services) may outlive the program that started them with
# its output: a program's output goes to a file, never to a pipe someone waits to see closed.
print_sample() {
  local output
  output=$(mktemp)
  run_cscript "$printing_source/examples/print-sample.vbs" "$@" >"$output" 2>&1
  tr -d '\r' <"$output" | sed -n 's/^RESULT: //p'
  rm -f -- "$output"
}

jobs_of() { lpstat -W all -o "$1" 2>/dev/null | wc -l; }

wait_idle() {
  local _
  for _ in $(seq 600); do
    [[ -z $(lpstat -o "$1" 2>/dev/null) ]] && return 0
    sleep 0.1
  done
  return 1
}
