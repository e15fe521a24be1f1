#!/usr/bin/env bash
# Installs deDidAzorovo for the current user:
#   ./install.sh GAME_DIR
# copies the program beside it into Vexmoor's main directory GAME_DIR and adds
# a menu entry that starts that copy there, with its icons, to the user's own
# menu (no root needed). Run it from the unpacked release, which holds the
# program, this script, deDidAzorovo.desktop.in and icons/N.png.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
name=deDidAzorovo

die() {
  echo "install.sh: $*" >&2
  exit 1
}

[ $# -eq 1 ] || die "usage: ./install.sh GAME_DIR  (Vexmoor's main directory, holding Vexmoor.exe and base.rte)"
for file in "$name" "$name.desktop.in" icons/16.png; do
  [ -f "$here/$file" ] || die "$here/$file is missing; run install.sh from the unpacked release"
done

# The game's main directory holds the plain file Vexmoor.exe and the folder
# base.rte, written in any case, as the program itself requires.
[ -d "$1" ] || die "$1 is not a folder"
game=$(cd "$1" && pwd -P)
[ -f "$game/Vexmoor.exe" ] || die "$game does not look like Vexmoor's main directory: there is no Vexmoor.exe in it"
base=no
shopt -s nullglob nocaseglob
for folder in "$game"/[b]ase.rte; do
  [ -d "$folder" ] && base=yes
done
shopt -u nullglob nocaseglob
[ "$base" = yes ] || die "$game does not look like Vexmoor's main directory: there is no base.rte folder in it"

# A desktop entry is UTF-8 text with one key per line.
case "$game" in
  *$'\n'* | *$'\r'*) die "$game: a folder name with a line break cannot go into a menu entry" ;;
esac
printf '%s' "$game" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1 ||
  die "$game: the folder's path is not UTF-8 text, which a menu entry needs"

# Copy under a temporary name, then rename over the old copy: a running
# program keeps its old file, and nobody ever sees a half-written one.
program=$game/$name
temporary=$(mktemp "$game/.$name.XXXXXX") || die "cannot write into $game"
trap 'rm -f "$temporary"' EXIT
cp "$here/$name" "$temporary"
chmod 0755 "$temporary"
mv -f "$temporary" "$program"
trap - EXIT
echo "Installed $program"

# Values of a desktop entry escape backslashes; the Exec key also quotes its
# argument (escaping " ` $ \ inside the quotes) and doubles %.
escape_value() { printf '%s' "${1//\\/\\\\}"; }
quoted=$program
quoted=${quoted//\\/\\\\}
quoted=${quoted//\"/\\\"}
quoted=${quoted//\`/\\\`}
quoted=${quoted//\$/\\\$}
quoted=${quoted//%/%%}
exec_value=$(escape_value "\"$quoted\"")
try_exec_value=$(escape_value "$program")
path_value=$(escape_value "$game")

data=${XDG_DATA_HOME:-$HOME/.local/share}
applications=$data/applications
mkdir -p "$applications"
entry=$applications/$name.desktop
temporary=$(mktemp "$applications/.$name.XXXXXX")
trap 'rm -f "$temporary"' EXIT
while IFS= read -r line; do
  case "$line" in
    TryExec=@TRY_EXEC@) line="TryExec=$try_exec_value" ;;
    Exec=@EXEC@) line="Exec=$exec_value" ;;
    Path=@GAME_DIR@) line="Path=$path_value" ;;
  esac
  printf '%s\n' "$line"
done <"$here/$name.desktop.in" >"$temporary"
chmod 0644 "$temporary"
mv -f "$temporary" "$entry"
trap - EXIT
echo "Added the menu entry $entry"
case "$game" in
  *%*) echo "Note: menus built on GLib (GNOME and others) cannot start a program whose path holds a %; start it from the folder instead." ;;
esac

for size in 16 32 48 64 128 256; do
  icons=$data/icons/hicolor/${size}x$size/apps
  mkdir -p "$icons"
  install -m 0644 "$here/icons/$size.png" "$icons/$name.png"
done
touch "$data/icons/hicolor"
echo "Added its icons to $data/icons/hicolor"

# Menus that keep caches pick the entry up sooner; without the tools they
# still find it on their next scan.
if command -v update-desktop-database >/dev/null; then
  update-desktop-database -q "$applications" 2>/dev/null || true
fi
if command -v gtk-update-icon-cache >/dev/null && [ -f "$data/icons/hicolor/index.theme" ]; then
  gtk-update-icon-cache -q "$data/icons/hicolor" 2>/dev/null || true
fi

# The program needs Qt 6 Widgets and Qt's plugin for this session's display,
# Wayland or else X11 (xcb). Qt's plugins lie in qt6/plugins beside its
# libraries (plugins beside lib in a Qt installed on its own) and in the
# folders of QT_PLUGIN_PATH. What is missing is named as this distribution
# packages it; the program is installed all the same.
ids=$(sed -n 's/^ID\(_LIKE\)\{0,1\}=//p' /etc/os-release 2>/dev/null | tr -d '"' | tr '\n' ' ') || true
case " $ids " in
  *" debian "*) get="sudo apt install" qt="libqt6widgets6 qt6-qpa-plugins" x11=qt6-qpa-plugins wayland=qt6-wayland ;;
  *" fedora "*) get="sudo dnf install" qt=qt6-qtbase-gui x11=qt6-qtbase-gui wayland=qt6-qtwayland ;;
  *" arch "*) get="sudo pacman -S --needed" qt=qt6-base x11=qt6-base wayland=qt6-wayland ;;
  *) get= qt= x11= wayland= ;;
esac
if [ -n "${WAYLAND_DISPLAY:-}" ] || [ "${XDG_SESSION_TYPE:-}" = wayland ]; then
  plugin=libqwayland what="Qt's Wayland plugin" packages=$wayland
else
  plugin=libqxcb what="Qt's X11 plugin (xcb)" packages=$x11
fi
libraries=$(ldd "$program" 2>/dev/null) || true
core=$(awk '$1 == "libQt6Core.so.6" && $3 ~ /^\// { print $3 }' <<<"$libraries")
if ! command -v ldd >/dev/null; then
  what=  # nothing to tell by
elif [ -z "$core" ] || grep -q 'libQt6[^ ]* => not found' <<<"$libraries"; then
  [ "$plugin" = libqxcb ] && what="Qt 6 Widgets" packages=$qt || what="Qt 6 Widgets and $what" packages="$qt $wayland"
else
  IFS=: read -ra folders <<<"${QT_PLUGIN_PATH:-}"
  for folder in "${folders[@]}" "${core%/*}/qt6/plugins" "${core%/*}/../plugins"; do
    ! compgen -G "$folder/platforms/$plugin*.so" >/dev/null || what=
  done
fi
if [ -n "$what" ]; then
  how="install it with your package manager"
  [ -z "$get" ] || how="install it with: $get $packages"
  echo "Not installed: $what, which deDidAzorovo needs here; $how" >&2
fi
