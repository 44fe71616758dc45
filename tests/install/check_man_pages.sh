#!/bin/sh
# Checks each manual page given: its footer names the version of project(), and groff and
# man format it without warnings. The version is written in the pages themselves, so that
# a page read from the source tree (man -l man/rawinflate.1) shows it; this check keeps it
# in step with CMakeLists.txt.
# Usage: check_man_pages.sh VERSION PAGE...
# Exits with 77 (reported as skipped by CTest) when the versions agree but groff is not
# installed to format the pages.
set -u

if [ "$#" -lt 2 ]; then
  echo "usage: check_man_pages.sh VERSION PAGE..." >&2
  exit 2
fi
version=$1
shift
version_pattern=$(printf '%s' "$version" | sed 's/[.]/\\./g')

status=0
for page in "$@"; do
  if [ ! -r "$page" ]; then
    echo "$page: cannot be read"
    status=1
    continue
  fi
  # A configure_file placeholder would be printed as it is by man -l.
  if grep -n '@[A-Z_]*@' "$page"; then
    echo "$page: placeholder instead of a value"
    status=1
  fi
  # .TH NAME SECTION DATE "flatebits VERSION" "User Commands"
  if ! grep -q "^\.TH [A-Z]* 1 \"[^\"]*\" \"flatebits $version_pattern\" " "$page"; then
    echo "$page: the .TH line does not name flatebits $version (the version in CMakeLists.txt):"
    grep -n '^\.TH' "$page"
    status=1
  fi
done

if ! command -v groff >/dev/null 2>&1; then
  echo "groff is not installed: manual pages not formatted"
  [ "$status" -eq 0 ] && exit 77
  exit "$status"
fi
have_man=no
command -v man >/dev/null 2>&1 && have_man=yes

for page in "$@"; do
  [ -r "$page" ] || continue
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
[ "$status" -eq 0 ] && echo "$# manual pages name flatebits $version and format without warnings"
exit "$status"
