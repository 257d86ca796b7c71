#!/bin/sh
# Runs a command on a private virtual X display (xvfb-run, 1280 x 1024, 24-bit) with the
# openbox window manager, which draws title bars and frames and closes windows on alt+F4.
# A test listing (--gtest_list_tests) needs no display and runs directly.
case " $* " in
*" --gtest_list_tests"*) exec "$@" ;;
esac
export NO_AT_BRIDGE=1 GDK_BACKEND=x11
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    # Up to 10 s for the window manager to announce itself on the root window.
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ]; then echo "desktop_run: openbox did not start" >&2; break; fi
        sleep 0.1
    done
    "$@"
    rc=$?
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    exit "$rc"
' desktop_run "$@"
