#!/bin/sh
# Runs a command on a private virtual X display of its own: Xvfb picks a free
# display number and reports it, so parallel runs never collide.
set -eu

dir=$(mktemp -d "${TMPDIR:-/tmp}/vorlan-xvfb-XXXXXX")
trap 'kill "$server" 2>/dev/null || true; rm -rf "$dir"' EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/log" &
server=$!

i=0
while [ ! -s "$dir/display" ]; do
    i=$((i + 1))
    if [ "$i" -gt 100 ] || ! kill -0 "$server" 2>/dev/null; then
        echo "Xvfb did not start:" >&2
        cat "$dir/log" >&2
        exit 1
    fi
    sleep 0.1
done

DISPLAY=":$(head -n 1 "$dir/display")" "$@"
