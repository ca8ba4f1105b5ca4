#!/usr/bin/env bash
# fenwing-sim in WebAssembly under node answers as the native one does, byte for byte: standard
# output, standard error and exit status, for every shipped script (tests/scripts, docs,
# fuzz/corpus) with each set of options, read from a file and from standard input, and for the
# command line's own errors. Builds the web one first, with web/build.sh.
#   web/parity_test.sh NATIVE_FENWING_SIM [WEB_BUILD_DIR]
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
native="$(realpath "$1")"
build="$(realpath -m "${2:-$root/build-web}")"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

if ! "$root/web/build.sh" "$build" >"$tmp/build.log" 2>&1; then
  cat "$tmp/build.log"
  echo "FAIL: the web build failed" >&2
  exit 1
fi
web=(node "$build/fenwing-sim.js")

cases=0
failures=0
# compare INPUT ARGS...: both drivers with these arguments, INPUT as standard input.
compare() {
  local input="$1"
  shift
  "$native" "$@" <"$input" >"$tmp/native.out" 2>"$tmp/native.err"
  local native_status=$?
  "${web[@]}" "$@" <"$input" >"$tmp/web.out" 2>"$tmp/web.err"
  local web_status=$?
  cases=$((cases + 1))
  if [[ $native_status != "$web_status" ]] || ! cmp -s "$tmp/native.out" "$tmp/web.out" ||
    ! cmp -s "$tmp/native.err" "$tmp/web.err"; then
    failures=$((failures + 1))
    echo "DIFFERS: fenwing-sim $* < $input: exit status $native_status native, $web_status web"
    diff -u --label native --label web "$tmp/native.out" "$tmp/web.out" | head -20
    diff -u --label native --label web "$tmp/native.err" "$tmp/web.err" | head -20
  fi
}

cd "$root"  # the paths in the drivers' messages are the same relative ones
scripts=(tests/scripts/*.sim docs/*.sim fuzz/corpus/*)
for script in "${scripts[@]}"; do
  for options in "" "--check" "--cues" "--check --cues" "--cues --check"; do
    # shellcheck disable=SC2086  # the options are separate words
    compare /dev/null $options "$script"
    # shellcheck disable=SC2086
    compare "$script" $options
  done
done
compare /dev/null no-such-script.sim
compare /dev/null --check --loud "${scripts[0]}"
compare /dev/null "${scripts[0]}" "${scripts[1]}"

echo "${#scripts[@]} scripts, $cases runs: $failures differ"
((failures == 0 && ${#scripts[@]} >= 11))
