#!/usr/bin/env bash
# An install must carry the programs and their manual pages to where users
# look for them, and the BED file's autoSql description beside them; the
# manuals must be well-formed and name every option the programs take.
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

[ -f "$prefix/share/velkor/velkor.as" ] || { echo "no velkor.as in $prefix/share/velkor"; exit 1; }
plot="$prefix/bin/velkor-plot"
plot_page="$prefix/share/man/man1/velkor-plot.1"
[ -x "$plot" ] || { echo "no velkor-plot in $prefix/bin"; exit 1; }
[ -f "$plot_page" ] || { echo "no manual page for velkor-plot in $prefix/share/man/man1"; exit 1; }

missing=0
# Every option the program's usage names must be in its manual page.
check_manual() {
  local manual=$1 usage=$2
  # groff names every request or escape it cannot make sense of.
  local warnings
  warnings=$(groff -man -Tutf8 -ww -z "$manual" 2>&1)
  [ -z "$warnings" ] || { echo "groff: $warnings"; missing=1; }
  for option in $(grep -oE -- '--[A-Za-z_]+' <<<"$usage" | sort -u); do
    grep -qF -- "\\-\\-${option#--}" "$manual" || { echo "$manual lacks $option"; missing=1; }
  done
}
check_manual "$page" "$("$velkor" --help 2>/dev/null)"
check_manual "$plot_page" "$("$plot" --help)"
exit $missing
