#!/usr/bin/env bash
# Makes a local CUPS ready for the printing test: starts the scheduler where it can run
# (systemd, or cupsd on its own in a container) and makes sure it has the cups-pdf queue
# "PDF" on A4 paper, the default destination when there is no other. Idempotent; the
# packages come from `scripts/install-deps.sh --printing`, which runs this script.
#
# Never fails the caller: where CUPS cannot run (no packages, no root or sudo, no room for
# a daemon) it says why and exits 0, and the printing test skips with the same reason.
set -euo pipefail
export LC_ALL=C
queue=${BARVELLO_PDF_QUEUE:-PDF}

say() { echo "setup-printing: $*"; }

if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null; then
  say "CUPS is not installed; scripts/install-deps.sh --printing installs it"
  exit 0
fi
if [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
  say "the cups-pdf backend is not installed (Debian package printer-driver-cups-pdf)"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    SUDO="sudo -n"
  else
    SUDO="no-root"
  fi
fi
as_root() {
  if [ "$SUDO" = "no-root" ]; then return 1; fi
  $SUDO "$@"
}

running() { lpstat -r 2>/dev/null | grep -q "is running"; }

if ! running; then
  if [ -d /run/systemd/system ] && command -v systemctl >/dev/null; then
    as_root systemctl start cups.service >/dev/null 2>&1 || true
  else
    # No service manager (a container): the scheduler runs as its own daemon.
    as_root mkdir -p /run/cups >/dev/null 2>&1 || true
    as_root cupsd >/dev/null 2>&1 || true
  fi
  for _ in $(seq 1 50); do
    running && break
    sleep 0.2
  done
fi
if ! running; then
  if [ "$SUDO" = "no-root" ]; then
    say "the CUPS scheduler is not running and starting it needs root (sudo without a password)"
  else
    say "the CUPS scheduler could not be started here"
  fi
  exit 0
fi

if ! lpstat -v "$queue" >/dev/null 2>&1; then
  ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
  [ -f "$ppd" ] || ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
  if ! as_root lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -o PageSize=A4 >/dev/null 2>&1; then
    say "could not create the queue $queue (lpadmin needs root)"
    exit 0
  fi
fi
as_root cupsenable "$queue" >/dev/null 2>&1 || true
as_root cupsaccept "$queue" >/dev/null 2>&1 || true
if ! lpstat -d 2>/dev/null | grep -q "system default destination:"; then
  as_root lpadmin -d "$queue" >/dev/null 2>&1 || true
fi
say "CUPS is running with the queue $queue ($(lpstat -v "$queue" 2>/dev/null | sed 's/.*: //'))"
