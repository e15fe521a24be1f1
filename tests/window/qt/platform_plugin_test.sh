#!/usr/bin/env bash
# The Linux program where Qt has no plugin for the display: in a Wayland session without Qt's Wayland plugin
# and without an X server, its first line on standard error names the package that brings the plugin, and it
# ends. Where the plugin is there but the display is not (an X11 session with no X server), Qt alone speaks.
# Usage: platform_plugin_test.sh <program> <Qt's platform plugin folder>
set -euo pipefail
ulimit -c 0  # Qt ends the program with abort()
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u QT_QPA_PLATFORM -u QT_PLUGIN_PATH \
        -u QT_QPA_PLATFORM_PLUGIN_PATH "$@" "$program" </dev/null 2>&1 >/dev/null && echo "(it ran)"
    true
}
program=$1
if compgen -G "$2/libqwayland*.so" >/dev/null; then
    echo "skipped the Wayland case: Qt's Wayland plugin is installed here"
else
    first=$(run WAYLAND_DISPLAY=vx-no-such-display | head -n 1)
    [[ $first == "deDidAzorovo: "*"install qt6-wayland (Debian, Ubuntu, Arch) or qt6-qtwayland (Fedora)." ]] ||
        { echo "FAIL: the first line in a Wayland session without the plugin: $first" >&2; exit 1; }
fi
first=$(run DISPLAY=:vx-no-such-display | head -n 1)
[[ $first != deDidAzorovo:* && -n $first ]] || { echo "FAIL: an X11 session with the plugin: [$first]" >&2; exit 1; }
echo "platform plugin: a missing one is named by its package"
