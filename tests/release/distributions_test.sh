#!/usr/bin/env bash
# The release's Linux program as players get it, on this machine's Debian 12 and on Debian 13, which has
# other releases of Qt and ICU than the build: the tarball unpacked, its install.sh run into a game folder,
# the installed program started there. On a normal game it must start and keep running until stopped
# (offscreen); on a game with the duplicate pair Foo and foo.rte it must say so on standard error and exit
# with 1 once its box is answered (on the virtual display, where the box can be answered), which takes
# the lower-casing of that release's QtCore. Debian 13 is a minimal root with only the packages a player has, made once with
# debootstrap under build/ and reused afterwards; the program runs in it through chroot.
# Needs root, an X display (xvfb-run) and xdotool. Usage: tests/release/distributions_test.sh TARBALL
set -euo pipefail
tarball=$(realpath "${1:?usage: distributions_test.sh TARBALL}")
cd "$(dirname "$0")/../.."
[[ -n "${DISPLAY:-}" ]] || { echo "distributions_test.sh needs an X display (run it through xvfb-run)" >&2; exit 1; }

root=$PWD/build/debian13-root
mounts=()
works=()
cleanup() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[i]}" || true; done
    for work in "${works[@]}"; do rm -rf --one-file-system "$work"; done
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The root, once: minbase and the run-time packages (with what they depend on, nothing they recommend).
# An interrupted attempt leaves no mark and is made afresh.
if [[ ! -e "$root/.complete" ]]; then
    partial=$root.partial
    findmnt -rno TARGET | grep -F "$partial/" | sort -r | xargs -r -n 1 umount -l || true
    rm -rf --one-file-system "$partial" "$root"
    echo "Making a Debian 13 root in ${root#"$PWD"/} (once)"
    start=$SECONDS
    debootstrap --variant=minbase --include=libqt6widgets6,qt6-qpa-plugins trixie "$partial" \
        http://deb.debian.org/debian >"$PWD/build/debian13-root.log" 2>&1 ||
        { tail -n 20 "$PWD/build/debian13-root.log" >&2; echo "debootstrap failed" >&2; exit 1; }
    mv "$partial" "$root"
    touch "$root/.complete"
    echo "Debian 13 root made in $((SECONDS - start)) s"
fi

# Becomes a command on system `$1` ("/" for this machine, or a root to chroot into), with a bare
# environment; run it in a subshell, in the background or not (so $! is the command's own process).
run_on() {
    local system=$1
    shift
    local environment=(env -i PATH=/usr/bin:/bin HOME=/nonexistent LANG=C.UTF-8)
    if [[ "$system" == / ]]; then exec "${environment[@]}" "$@"; else exec chroot "$system" "${environment[@]}" "$@"; fi
}

# Waits up to 20 s for file `$1` to hold the text `$2`.
wait_for_text() {
    for _ in $(seq 100); do grep -qF -- "$2" "$1" && return 0; sleep 0.2; done
    return 1
}

check_on() {
    local name=$1 system=$2
    local work
    work=$(mktemp -d -p "${system%/}/tmp" vx-release.XXXXXX)
    works+=("$work")
    local inner=${work#"${system%/}"}  # the same folder as the system sees it
    tar -xzf "$tarball" -C "$work"
    local package
    package=$(basename "$tarball" .tar.gz)
    [[ -x "$work/$package/install.sh" ]] || { fail "$name: no install.sh in the tarball"; return; }
    cp "${XAUTHORITY:-/dev/null}" "$work/Xauthority"

    mkdir -p "$work/game/base.rte" "$work/game/Mod.rte" "$work/game/Off" "$work/duplicates/base.rte" \
        "$work/duplicates/Foo" "$work/duplicates/foo.rte"
    touch "$work/game/Vexmoor.exe" "$work/duplicates/Vexmoor.exe"
    for game in game duplicates; do
        (run_on "$system" env HOME="$inner/home" "$inner/$package/install.sh" "$inner/$game") >"$work/install.log" 2>&1 ||
            { fail "$name: install.sh into $game failed: $(cat "$work/install.log")"; return; }
        [[ -x "$work/$game/deDidAzorovo" ]] || { fail "$name: install.sh put no program into $game"; return; }
    done

    # A normal game: the program starts and keeps running until it is stopped.
    run_on "$system" env QT_QPA_PLATFORM=offscreen HOME="$inner/home" sh -c 'cd "$1" && exec ./deDidAzorovo' \
        sh "$inner/game" >/dev/null 2>"$work/game.err" &
    local program=$!
    sleep 3
    if kill -0 "$program" 2>/dev/null; then
        [[ "$(readlink "/proc/$program/exe")" == */game/deDidAzorovo ]] ||
            fail "$name: what runs is not the installed program: $(readlink "/proc/$program/exe")"
        kill "$program"
        wait "$program" || true
        if grep -q '^Error:' "$work/game.err"; then fail "$name: the program showed an error: $(cat "$work/game.err")"; fi
    else
        local status=0
        wait "$program" || status=$?
        fail "$name: the program ended at once with status $status: $(cat "$work/game.err")"
    fi

    # The duplicate pair: the message on standard error and in a box; once the box is answered, status 1.
    run_on "$system" env DISPLAY="$DISPLAY" XAUTHORITY="$inner/Xauthority" QT_QPA_PLATFORM=xcb HOME="$inner/home" \
        sh -c 'cd "$1" && exec ./deDidAzorovo' sh "$inner/duplicates" >/dev/null 2>"$work/duplicates.err" &
    program=$!
    local status=0
    if wait_for_text "$work/duplicates.err" "duplicate mod(s). Please check your VX folder. Duplicate: "; then
        local box=
        for _ in $(seq 100); do
            box=$(xdotool search --onlyvisible --pid "$program" --name '^Error$' 2>/dev/null | head -n 1) || true
            [[ -n "$box" ]] && break
            sleep 0.2
        done
        [[ -n "$box" ]] || fail "$name: no box shows the duplicate message"
        [[ -n "$box" ]] && xdotool windowfocus --sync "$box" key Return
        for _ in $(seq 50); do kill -0 "$program" 2>/dev/null || break; sleep 0.2; done
        kill "$program" 2>/dev/null || true
        wait "$program" || status=$?
        [[ $status -eq 1 ]] || fail "$name: the duplicate game ended with status $status, not 1"
    else
        kill "$program" 2>/dev/null || true
        wait "$program" || status=$?
        fail "$name: no duplicate message on standard error (status $status): $(cat "$work/duplicates.err")"
    fi
    echo "$name: checked"
}

check_on "Debian 12 (this machine)" /

# The chroot needs /proc (the program finds its own folder through /proc/self/exe) and the X server's socket.
mount -t proc proc "$root/proc" || { echo "cannot mount /proc in the Debian 13 root" >&2; exit 1; }
mounts+=("$root/proc")
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" || { echo "cannot share the X socket with the root" >&2; exit 1; }
mounts+=("$root/tmp/.X11-unix")
check_on "Debian 13 ($(cat "$root/etc/debian_version"))" "$root"

if ((failures)); then echo "$failures check(s) failed" >&2; exit 1; fi
echo "release: the Linux program runs on Debian 12 and 13"
