#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing. The package
# manager's output goes to a log that is shown only when it fails, so that
# a first run prints what the user needs to see and nothing else.
# With --lean first, packages that are only recommended are left out.
set -euo pipefail
extra=()
if [ "${1:-}" = --lean ]; then
  extra=(--no-install-recommends)
  shift
fi
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "Installing ${missing[*]} ..."
if ! { $sudo_cmd apt-get update -q &&
       DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "${extra[@]}" "${missing[@]}"; } \
     >"$log" 2>&1; then
  cat "$log" >&2
  echo "Installing the packages failed (the package manager's output is above)." >&2
  exit 1
fi
