#!/bin/sh
# Stops rawinflate in its decoder worker at build_fixed_tables and checks that gdb's
# backtrace walks from the worker's frames through the switch to main: what the call frame
# notes of worker/switch_*.S are for. Under an emulator gdb-multiarch uses qemu-user's gdb
# stub on a Unix socket in a fresh folder (its TCP port would listen on every address).
# Usage: check_backtrace.sh RAWINFLATE [EMULATOR ARGUMENT...]; 77 (skipped) without gdb.
set -u
program=$1
shift
debugger=gdb
[ "$#" -gt 0 ] && debugger=gdb-multiarch
command -v "$debugger" > /dev/null 2>&1 || { echo "no $debugger: backtrace not checked"; exit 77; }

folder=$(mktemp -d) || exit 1
emulator_pid=
# An emulator that waits for its debugger ignores SIGTERM.
trap '[ -n "$emulator_pid" ] && kill -KILL "$emulator_pid" 2> /dev/null; rm -rf "$folder"' EXIT
trap 'exit 1' HUP INT TERM

# A final fixed-code block with nothing but its end code. Its bits as read, from the lowest
# bit of the first byte up: 1 (final), 1 0 (type 1), 0000000 (code 256), zeros: 03 00.
printf '\003\000' > "$folder/fixed.raw"
set -- "$@" "$program" "$folder/fixed.raw" "$folder/fixed.out"
# No debuginfod lookups: the test stays off the network.
quiet='set debuginfod enabled off'
stop='break build_fixed_tables'

if [ "$debugger" = gdb ]; then
  trace=$(timeout 120 gdb -nx -batch -iex "$quiet" -ex "$stop" -ex run -ex bt --args "$@" 2>&1)
else
  socket=$folder/gdb.socket
  emulator=$1
  shift
  "$emulator" -g "$socket" "$@" > "$folder/emulator.log" 2>&1 &
  emulator_pid=$!
  tries=0
  until [ -S "$socket" ] || [ "$tries" -gt 300 ] || ! kill -0 "$emulator_pid" 2> /dev/null; do
    tries=$((tries + 1))
    sleep 0.1
  done
  [ -S "$socket" ] || { echo "no gdb stub at $socket:"; cat "$folder/emulator.log"; exit 1; }
  # The emulator's -L folder holds the target's libraries, for gdb too.
  sysroot=$(printf '%s\n' "$*" | sed -n 's/.*-L \([^ ]*\) .*/\1/p')
  trace=$(timeout 120 gdb-multiarch -nx -batch -iex "$quiet" -ex "set sysroot $sysroot" \
          -ex "target remote $socket" -ex "$stop" -ex continue -ex bt -ex kill "$program" 2>&1)
fi

# A machine that lets no process trace another (a container without ptrace) has nothing to check.
case $trace in
  *"ptrace: Operation not permitted"*|*"Could not trace the inferior process"*)
    echo "$debugger cannot trace a process here: backtrace not checked"; exit 77 ;;
esac
frames=$(printf '%s\n' "$trace" | grep '^#')
printf 'backtrace at build_fixed_tables:\n%s\n' "$frames"
# Each frame's function, between two spaces of its own and without its namespaces, from
# "#1  0x... in inflate::decode_blocks (" or, inlined, "#8  inflate::decode_file (" (no templates).
list=$(printf '%s\n' "$frames" | sed -e 's/^#[0-9]* *//' -e 's/^0x[0-9a-f]* in //' \
       | sed -n 's/^\([A-Za-z_0-9:]*::\)\{0,1\}\([A-Za-z_0-9]*\) (.*/ \2 /p' | tr -d '\n')
order=' build_fixed_tables * decode_blocks * start_worker  driver_switch_step * decode_file * main '
# shellcheck disable=SC2254
case $list in $order) exit 0 ;; esac
printf 'not the worker, start_worker, driver_switch_step, on to main; %s said:\n%s\n' \
       "$debugger" "$trace"
exit 1
