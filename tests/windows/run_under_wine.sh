#!/usr/bin/env bash
# CTest's emulator for the Windows build: runs one test program under Wine, in the prefix that
# scripts/test-windows prepared. With KESTRILO_WITH_DEVICE=1 a kestrilo-devsim serves on COM1
# (the link KESTRILO_COM1_LINK) for the program's run, with the options KESTRILO_DEVSIM_ARGS;
# its dump folder is KESTRILO_DEVSIM_DUMP.
set -u
: "${WINEPREFIX:?run by scripts/test-windows}"
work=$(mktemp -d)
devsim=""
cleanup() {
  if [ -n "$devsim" ]; then
    kill -TERM "$devsim" 2>/dev/null
    wait "$devsim" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

if [ "${KESTRILO_WITH_DEVICE:-}" = 1 ]; then
  # shellcheck disable=SC2086  # KESTRILO_DEVSIM_ARGS: extra options, split at blanks
  "$KESTRILO_DEVSIM" --link "$KESTRILO_COM1_LINK" --dump "$work/dump" --erase-ms 50 ${KESTRILO_DEVSIM_ARGS:-} \
    >"$work/devsim.out" 2>"$work/devsim.err" &
  devsim=$!
  for _ in $(seq 100); do
    [ -s "$work/devsim.out" ] && break
    sleep 0.1
  done
  if [ ! -s "$work/devsim.out" ]; then
    echo "kestrilo-devsim did not start:" >&2
    cat "$work/devsim.err" >&2
    exit 1
  fi
  export KESTRILO_DEVSIM_DUMP="$work/dump"
fi

# Wine's output goes to a file, never to CTest's pipe: Wine's own service processes would
# keep a pipe open and CTest would wait for it until the time-out.
LD_PRELOAD="$KESTRILO_PTY_PRELOAD" wine "$@" </dev/null >"$work/out" 2>&1
rc=$?
cat "$work/out"
[ -n "$devsim" ] && [ -s "$work/devsim.err" ] && { echo "--- kestrilo-devsim:"; cat "$work/devsim.err"; }
exit $rc
