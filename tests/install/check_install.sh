#!/usr/bin/env bash
# An install must carry the program and its manual page to where users look
# for them, and the manual must be well-formed and name every option the
# program takes.
set -euo pipefail
cmake_command=$1
build_dir=$2

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake_command" --install "$build_dir" --prefix "$prefix" >/dev/null

velkor="$prefix/bin/velkor"
page="$prefix/share/man/man1/velkor.1"
# Read the whole output first: grep -q stops reading at the match, and the
# program's last write would then fail on the closed pipe.
version=$("$velkor" --version 2>/dev/null) || true
grep -q 3.3.2c <<<"$version" || { echo "no working program in $prefix/bin"; exit 1; }
[ -f "$page" ] || { echo "no manual page in $prefix/share/man/man1"; exit 1; }

# groff names every request or escape it cannot make sense of.
warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "groff: $warnings"; exit 1; }

missing=0
for option in $("$velkor" --help 2>/dev/null | grep -oE -- '--[A-Za-z_]+' | sort -u); do
  grep -qF -- "\\-\\-${option#--}" "$page" || { echo "the manual page lacks $option"; missing=1; }
done
exit $missing
