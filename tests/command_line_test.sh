#!/usr/bin/env bash
# The window's command line, with no display at all: what prints and exits without a window,
# what is refused and how, that the manual page and the README name every option, and that the
# README's and docs/*.md's links lead somewhere.
#   command_line_test.sh BINARY VERSION SOURCE_DIR
set -uo pipefail
bin=$1 version=$2 source=$3
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
failures=0
fail() { echo "command line: FAIL: $*" >&2; failures=$((failures + 1)); }

# expect STATUS ARGS...: runs the program with no display; the status, and nothing on the
# other stream (standard error after a success, standard output after a failure).
expect() {
  local want=$1 status quiet; shift
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$bin" "$@" >"$out" 2>"$err"
  status=$?
  ((status == want)) || fail "fenwing $*: status $status, not $want: $(cat "$err")"
  quiet=$err; ((want == 0)) || quiet=$out
  [ ! -s "$quiet" ] || fail "fenwing $*: unexpected output: $(cat "$quiet")"
}

expect 0 --help
head -1 "$out" | grep -qx 'Usage: fenwing \[options\]' || fail "--help: $(head -1 "$out")"
for o in '-h, --help' '-v, --version' --mute '--record <file>' '--replay <file>' '--state <file>'; do
  grep -qF -- "  $o " "$out" || fail "--help does not show $o"
done
! grep -q -- 'platform' "$out" || fail "--help shows Qt's options"
options=$(grep -oE '^  (-[a-z], )?--[a-z-]+' "$out" | sed 's/.*--/--/')
expect 0 --help-all
grep -qF -- '--platform <name>' "$out" || fail "--help-all does not show Qt's -platform"
for args in --version -v; do
  expect 0 "$args"
  [ "$(cat "$out")" = "Fenwing $version" ] || fail "fenwing $args printed: $(cat "$out")"
done

# A mistake: one line of reason, the usage, where to read more; status 2.
refused() {
  local reason=$1; shift
  expect 2 "$@"
  printf "fenwing: %s\nUsage: fenwing [options]\nTry 'fenwing --help' for more.\n" "$reason" |
    diff -u - "$err" >&2 || fail "fenwing $*: the message above"
}
refused "Unknown option 'bogus'." --bogus
refused "Missing value after '--record'." --record
refused "unexpected argument 'stray'" stray
refused "--state needs a file name" --state=
refused "--record and --replay cannot go together" --record a --replay b

# Every option that --help shows is in the manual page's OPTIONS and in the README.
manual=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$source/docs/fenwing.6" | sed 's/\\-/-/g')
for o in $options; do
  grep -qF -- "$o" <<<"$manual" || fail "the manual page's OPTIONS does not name $o"
  grep -qF -- "\`$o" "$source/README.md" || fail "the README does not name \`$o"
done

# Every link in the README and in docs/*.md that is not a web address leads to a file of the
# source tree, and a #part of it to a heading of that file (named as the web page names it).
anchors() {
  awk '/^```/ { code = !code } !code && sub(/^#+ /, "")' "$1" | tr 'A-Z ' 'a-z-' |
    LC_ALL=C sed 's/[^a-z0-9_-]//g'
}
for doc in "$source/README.md" "$source"/docs/*.md; do
  while IFS= read -r link; do
    file=${link%%#*} part=${link#"$file"}
    target=$(dirname "$doc")/$file
    [ -n "$file" ] || target=$doc
    if [ ! -e "$target" ]; then
      fail "${doc#"$source/"} links to $file, which is not there"
    elif [ -n "$part" ] && ! anchors "$target" | grep -qxF -- "${part#\#}"; then
      fail "${doc#"$source/"} links to $link, a heading that $file does not have"
    fi
  done < <(grep -oE '\]\([^) ]+\)' "$doc" | sed 's/^](//; s/)$//' | grep -vE '^[a-z]+:')
done

((failures == 0)) || exit 1
echo "command line: ok: help, version, Qt's options, five refusals, the documents and their links"
