#!/bin/sh
# Runs a command on a private virtual X display of its own: Xvfb picks a free
# display number and reports it, so parallel runs never collide. With
# VORLAN_WINDOW_MANAGER=openbox a window manager runs on the display too, as
# on a desktop, with folders of its own.
set -eu

dir=$(mktemp -d "${TMPDIR:-/tmp}/vorlan-xvfb-XXXXXX")
server=""
manager=""

running() {
    for pid in $manager $server; do
        kill -0 "$pid" 2>/dev/null && return 0
    done
    return 1
}

# Ends the server and the manager, forcibly if a signal was missed: either
# would otherwise hold the caller's output open and stall it.
stop() {
    kill $manager $server 2>/dev/null || true
    i=0
    while [ "$i" -lt 50 ] && running; do
        sleep 0.1
        i=$((i + 1))
    done
    kill -9 $manager $server 2>/dev/null || true
    rm -rf "$dir"
}
trap stop EXIT

# Waits until the file has something in it; fails when the process went or
# after ten seconds.
await() {
    i=0
    while [ ! -s "$1" ]; do
        i=$((i + 1))
        if [ "$i" -gt 100 ] || ! kill -0 "$2" 2>/dev/null; then
            echo "$3 did not start:" >&2
            cat "$dir/log" >&2
            exit 1
        fi
        sleep 0.1
    done
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$dir/display" >"$dir/log" 2>&1 &
server=$!
await "$dir/display" "$server" Xvfb

DISPLAY=":$(head -n 1 "$dir/display")"
export DISPLAY

case "${VORLAN_WINDOW_MANAGER:-}" in
    "") ;;
    openbox)
        # It runs the startup command once it manages the screen.
        HOME="$dir" XDG_CONFIG_HOME="$dir" XDG_CACHE_HOME="$dir" XDG_DATA_HOME="$dir" \
            openbox --sm-disable --startup "sh -c 'echo up >\"$dir/manager\"'" >>"$dir/log" 2>&1 &
        manager=$!
        await "$dir/manager" "$manager" openbox
        ;;
    *)
        echo "Unknown window manager: $VORLAN_WINDOW_MANAGER" >&2
        exit 1
        ;;
esac

"$@"
