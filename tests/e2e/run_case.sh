#!/usr/bin/env bash
# Runs one end-to-end case: velkor is started in a scratch copy of the case
# directory with the arguments in its file `args`; its standard output,
# standard error (clock times masked), exit status and every file it writes
# are compared with the files under expected/.
#
# VELKOR_REGENERATE=1 writes what the run produced to expected.new/ instead,
# so that a change of output is reviewed with diff, never taken silently.
set -uo pipefail
velkor=$1
case_dir=$2

work=$(mktemp -d)
# Started by name through PATH, the program sees itself called "velkor",
# whichever build it comes from: the parser's usage texts show that name.
bin=$(mktemp -d)
trap 'rm -rf "$work" "$bin"' EXIT
ln -s "$(realpath "$velkor")" "$bin/velkor"
cp -r "$case_dir/." "$work"
rm -rf "$work/args" "$work/expected" "$work/expected.new"
before=$(cd "$work" && find . -type f | sort)

args=$(cat "$case_dir/args")
(cd "$work" && export PATH="$bin:$PATH" && eval "velkor $args" >"$work/.stdout" 2>"$work/.stderr")
echo $? >"$work/.status"

# Progress lines start with the elapsed time, the one thing that varies.
sed -E 's/^[0-9]{2,}\.[0-9]{2}\.[0-9]{2} - #/HH.MM.SS - #/' "$work/.stderr" >"$work/.stderr.masked"

actual=$(mktemp -d)
trap 'rm -rf "$work" "$bin" "$actual"' EXIT
cp "$work/.stdout" "$actual/stdout"
cp "$work/.stderr.masked" "$actual/stderr"
cp "$work/.status" "$actual/status"
(cd "$work" && find . -type f ! -name '.std*' ! -name '.status' | sort) | while read -r f; do
  if ! grep -qxF "$f" <<<"$before" || ! cmp -s "$work/$f" "$case_dir/$f"; then
    mkdir -p "$actual/files/$(dirname "$f")"
    cp "$work/$f" "$actual/files/$f"
  fi
done

if [ "${VELKOR_REGENERATE:-0}" = 1 ]; then
  rm -rf "$case_dir/expected.new"
  cp -r "$actual" "$case_dir/expected.new"
  echo "wrote $case_dir/expected.new"
  exit 0
fi

if diff -r "$case_dir/expected" "$actual"; then
  exit 0
fi
echo "case $(basename "$case_dir") differs (above: expected vs actual)"
exit 1
