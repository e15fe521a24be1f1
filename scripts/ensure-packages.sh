#!/usr/bin/env bash
# Installs the given Debian packages that are not installed yet. Runs
# apt-get update at most once, and only when something is missing. A package
# for another architecture (name:i386) adds that architecture first. Works as
# root or through sudo. With --dry-run first, only says what it would do.
set -euo pipefail

dry_run=no
if [ "${1:-}" = --dry-run ]; then
  dry_run=yes
  shift
fi

missing=()
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$dry_run" = yes ]; then
  echo "Would install: ${missing[*]}"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "These Debian packages are needed: ${missing[*]}; run as root or install sudo." >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
for package in "${missing[@]}"; do
  case "$package" in
    *:*)
      arch=${package##*:}
      if [ "$arch" != "$(dpkg --print-architecture)" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        "${as_root[@]}" dpkg --add-architecture "$arch"
      fi
      ;;
  esac
done
# A mirror that is being synced fails the update now and then; try again,
# and in the end go on with the indexes that did arrive: the install says
# clearly if a package still cannot be had.
for attempt in 1 2 3; do
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq && break
  echo "apt-get update failed (attempt $attempt of 3)" >&2
  [ "$attempt" -lt 3 ] && sleep 10
done
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
