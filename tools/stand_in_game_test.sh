#!/usr/bin/env bash
# End-to-end checks of the stand-in game: copied into a temporary game directory as Vexmoor.exe and started
# from somewhere else, it must report exactly the folders the real game would load.
# Usage: stand_in_game_test.sh <path to the built stand-in>
set -euo pipefail

built=${1:?usage: stand_in_game_test.sh <stand-in binary>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# make_game <dir>: an empty game directory holding a copy of the stand-in.
make_game() { mkdir -p "$1"; cp "$built" "$1/Vexmoor.exe"; }

# expect_report <dir> <expected contents, as a printf format>
expect_report() {
    local want got
    [[ -f "$1/Vexmoor.loaded-mods.txt" ]] || { fail "no report in $1"; return; }
    want=$(printf "$2" | od -An -c)
    got=$(od -An -c <"$1/Vexmoor.loaded-mods.txt")
    [[ "$got" == "$want" ]] || fail "report in $1 is [$got], expected [$want]"
    if compgen -G "$1/Vexmoor.loaded-mods.txt.tmp*" >/dev/null; then fail "temporary report left in $1"; fi
}

# The usual mix: mods in either case, disabled folders, a file and a linked folder.
game=$work/game
make_game "$game"
mkdir "$game/base.rte" "$game/Foo.rte" "$game/Bar.RTE" "$game/disabled" "$game/x.rte.bak" "$work/elsewhere"
touch "$game/file.rte"
ln -s "$work/elsewhere" "$game/Linked.rte"
ln -s "$work/missing" "$game/Dangling.rte"
mkdir "$work/cwd"
(cd "$work/cwd" && timeout 20 "$game/Vexmoor.exe") || fail "stand-in exited with status $?"
expect_report "$game" 'Bar.RTE\nFoo.rte\nLinked.rte\n'
[[ ! -e "$work/cwd/Vexmoor.loaded-mods.txt" ]] || fail "report written to the working directory"

# A later run replaces the report: a mod turned off since then disappears from it.
mv "$game/Foo.rte" "$game/Foo"
(cd / && timeout 20 "$game/Vexmoor.exe") || fail "second run exited with status $?"
expect_report "$game" 'Bar.RTE\nLinked.rte\n'

# Names are raw bytes, sorted bytewise; dot-named folders count; the base folder in any case does not.
odd=$work/odd
make_game "$odd"
mkdir "$odd/BASE.Rte" "$odd/.hidden.rte" "$odd/$(printf 'caf\xc3\xa9.rte')" "$odd/$(printf 'bad\xff.rte')" \
      "$odd/a b.rte" "$odd/.rte"
(cd / && timeout 20 "$odd/Vexmoor.exe") || fail "odd names: exited with status $?"
expect_report "$odd" '.hidden.rte\n.rte\na b.rte\nbad\377.rte\ncaf\303\251.rte\n'

# Without the base data folder it still writes the report, complains, and exits with status 2.
nobase=$work/nobase
make_game "$nobase"
mkdir "$nobase/Only.rte"
status=0
(cd / && timeout 20 "$nobase/Vexmoor.exe") 2>"$work/stderr" || status=$?
[[ $status -eq 2 ]] || fail "missing base.rte: status $status, expected 2"
grep -q base.rte "$work/stderr" || fail "missing base.rte: no message on stderr"
expect_report "$nobase" 'Only.rte\n'

# With no display at all it must not wait for one.
status=0
(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$game/Vexmoor.exe") || status=$?
[[ $status -eq 0 ]] || fail "no display: status $status (124 means it hung)"

# A display that is gone must not make it crash or wait either.
status=0
(cd / && env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:97 timeout 20 "$game/Vexmoor.exe" 2>/dev/null) || status=$?
[[ $status -eq 0 ]] || fail "unreachable display: status $status"

# An offscreen platform means no window even if a display variable is set.
status=0
(cd / && DISPLAY=:99 QT_QPA_PLATFORM=offscreen timeout 20 "$game/Vexmoor.exe") || status=$?
[[ $status -eq 0 ]] || fail "offscreen: status $status (124 means it hung)"

if ((failures)); then echo "$failures check(s) failed" >&2; exit 1; fi
echo "stand-in game: all checks passed"
