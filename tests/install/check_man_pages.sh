#!/bin/sh
# Formats each manual page given with groff and with man and fails on any warning.
# Exits with 77 (reported as skipped by CTest) when groff is not installed.
set -u

if ! command -v groff >/dev/null 2>&1; then
  echo "groff is not installed: manual pages not checked"
  exit 77
fi
have_man=no
command -v man >/dev/null 2>&1 && have_man=yes

status=0
for page in "$@"; do
  if [ ! -r "$page" ]; then
    echo "$page: cannot be read"
    status=1
    continue
  fi
  # A configure_file placeholder left in the page means the version was never substituted.
  if grep -n '@[A-Z_]*@' "$page"; then
    echo "$page: placeholder left unsubstituted"
    status=1
  fi
  if ! warnings=$(groff -ww -man -z "$page" 2>&1) || [ -n "$warnings" ]; then
    echo "$page: groff -ww -man -z:"
    echo "$warnings"
    status=1
  fi
  if [ "$have_man" = yes ]; then
    if ! warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) ||
       [ -n "$warnings" ]; then
      echo "$page: man --warnings -l:"
      echo "$warnings"
      status=1
    fi
  fi
done
[ "$status" -eq 0 ] && echo "$# manual pages format without warnings"
exit "$status"
