#!/usr/bin/env bash
# The window's command line, with no display at all: what prints and exits without a window,
# what is refused and how, scripts that cannot be played refused alike by every program that
# reads one, that the manual page and the README name every option, and that the README's and
# docs/*.md's links lead somewhere; the same for the headless driver, whose manual page also
# names every command of its language.
#   command_line_test.sh BINARY VERSION SOURCE_DIR FENWING_SIM FENWING_FRAMES
set -uo pipefail
bin=$1 version=$2 source=$3 sim=$4 frames=$5
name=fenwing
out=$(mktemp) err=$(mktemp) scripts=$(mktemp -d)
trap 'rm -rf "$out" "$err" "$scripts"' EXIT
failures=0
fail() { echo "command line: FAIL: $*" >&2; failures=$((failures + 1)); }

# expect STATUS ARGS...: runs the program with no display; the status, and nothing on the
# other stream (standard error after a success, standard output after a failure).
expect() {
  local want=$1 status quiet; shift
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$bin" "$@" >"$out" 2>"$err" </dev/null
  status=$?
  ((status == want)) || fail "$name $*: status $status, not $want: $(cat "$err")"
  quiet=$err; ((want == 0)) || quiet=$out
  [ ! -s "$quiet" ] || fail "$name $*: unexpected output: $(cat "$quiet")"
}

expect 0 --help
head -1 "$out" | grep -qx 'Usage: fenwing \[options\]' || fail "--help: $(head -1 "$out")"
for o in '-h, --help' '-v, --version' --mute '--record <file>' '--replay <file>' '--state <file>' \
  '--game <n>'; do
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
usage='Usage: fenwing [options]'
refused() {
  local reason=$1; shift
  expect 2 "$@"
  printf "%s: %s\n%s\nTry '%s --help' for more.\n" "$name" "$reason" "$usage" "$name" |
    diff -u - "$err" >&2 || fail "$name $*: the message above"
}
refused "Unknown option 'bogus'." --bogus
refused "Missing value after '--record'." --record
refused "unexpected argument 'stray'" stray
refused "--state needs a file name" --state=
refused "--record and --replay cannot go together" --record a --replay b
refused "--game goes with --replay" --game 2
refused "--game needs a game's number, 1 or more, not 'x'" --replay a --game x
refused "--game needs a game's number, 1 or more, not '0'" --replay a --game 0
# A game the recording has not finished: one line, status 2, before any display is needed.
expect 2 --replay "$source/tests/scripts/out_of_shots.sim" --game 2
printf '%s\n' "fenwing: $source/tests/scripts/out_of_shots.sim has no finished game 2 (its finished games are 1)" |
  diff -u - "$err" >&2 || fail "fenwing --replay --game 2: the message above"

# A script that cannot be played: the window's --replay, fenwing-sim and fenwing-frames each
# say why in the same one line, print nothing else and end with status 2, at once.
#   bad_script LINE PATH [COMMAND...]: COMMAND (such as setpriv) runs each program
bad_script() {
  local want=$1 path=$2 status; shift 2
  for program in "$bin --replay" "$sim" "$frames"; do
    local args=("$path")
    [ "$program" != "$frames" ] || args+=("$scripts/frames")
    # shellcheck disable=SC2086
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$@" $program "${args[@]}" >"$out" 2>"$err"
    status=$?
    ((status == 2)) || fail "${program##*/} on $path: status $status, not 2"
    printf '%s\n' "$want" | diff -u - "$err" >&2 || fail "${program##*/} on $path: the message above"
    [ ! -s "$out" ] || fail "${program##*/} on $path: printed $(head -c 200 "$out")"
  done
}
bad_script "error: cannot read /etc: it is a directory" /etc
bad_script "error: cannot read /dev/zero: it is a device, not a file" /dev/zero
mkfifo "$scripts/pipe"
bad_script "error: cannot read $scripts/pipe: it is a pipe, not a file" "$scripts/pipe"
printf 'key F1\nke\0y F1\n' >"$scripts/nul.sim"
bad_script "error: $scripts/nul.sim:2: the control byte \\x00 in 'ke\\x00y F1': a script is plain text" \
  "$scripts/nul.sim"
printf 'set LblScore2.Caption \033[2J\n' >"$scripts/escape.sim"
bad_script "error: $scripts/escape.sim:1: the control byte \\x1B in 'set LblScore2.Caption \\x1B[2J': a script is plain text" \
  "$scripts/escape.sim"
# A byte-order mark that begins a script is left out; one anywhere else is shown.
printf '\357\273\277version 1\n\357\273\277key F1\n' >"$scripts/mark.sim"
bad_script "error: $scripts/mark.sim:2: unknown command '\\uFEFFkey'" "$scripts/mark.sim"
head -c 100000 /dev/zero | tr '\0' x >"$scripts/long.sim"
bad_script "error: $scripts/long.sim:1: the line is longer than 4096 bytes: '$(printf 'x%.0s' {1..60})'..." \
  "$scripts/long.sim"
printf 'get Shots\n' >"$scripts/locked.sim"
chmod 000 "$scripts/locked.sim"
chmod 755 "$scripts"
if ((EUID != 0)); then
  bad_script "error: cannot read $scripts/locked.sim: Permission denied" "$scripts/locked.sim"
elif command -v setpriv >/dev/null &&
  setpriv --reuid=nobody --regid=nogroup --clear-groups test -x "$sim" -a -x "$bin" -a -x "$frames"; then
  bad_script "error: cannot read $scripts/locked.sim: Permission denied" "$scripts/locked.sim" \
    setpriv --reuid=nobody --regid=nogroup --clear-groups
else
  echo "command line: SKIPPED the unreadable script: root reads it, and no other user can run the programs"
fi

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

# The window's manual page sends the player to the driver's, which exists.
grep -qxF '.BR fenwing\-sim (6),' <(sed -n '/^\.SH SEE ALSO/,$p' "$source/docs/fenwing.6") ||
  fail "the manual page's SEE ALSO does not name fenwing-sim(6)"

# The headless driver, installed beside the game: its help, version and refusals.
bin=$sim name=fenwing-sim usage='Usage: fenwing-sim [--check] [--cues] [--games] [SCRIPT]'
expect 0 --help
head -1 "$out" | grep -qxF "$usage" || fail "fenwing-sim --help: $(head -1 "$out")"
grep -qF 'fenwing-sim(6)' "$out" || fail "fenwing-sim --help does not name its manual page"
sim_options=$(grep -oE '^  (-[a-z], )?--[a-z-]+' "$out" | sed 's/.*--/--/')
for o in --check --cues --help --version; do
  grep -qxF -- "$o" <<<"$sim_options" || fail "fenwing-sim --help does not show $o"
done
for args in --version -v; do
  expect 0 "$args"
  [ "$(cat "$out")" = "fenwing-sim $version" ] || fail "fenwing-sim $args printed: $(cat "$out")"
done
expect 0 --check --cues --help  # options before it still give the help
refused "unknown option '--bogus'" --bogus
refused "unknown option '-x'" --check -x
refused "unexpected argument 'b.sim'" a.sim b.sim
# An option after the script is one argument too many, not an option.
refused "unexpected argument '--check'" a.sim --check

# Its manual page names every option of --help, every command of the language (as docs/driver.md's
# table lists them), and the game's.
manual=$(sed 's/\\-/-/g' "$source/docs/fenwing-sim.6")
for o in $sim_options; do
  grep -qF -- "$o" <<<"$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' <<<"$manual")" ||
    fail "fenwing-sim(6)'s OPTIONS does not name $o"
done
verbs=$(sed -n '/^# The headless driver/,/^## /p' "$source/docs/driver.md" |
  grep -oE '^\| `[a-z_]+' | sed 's/^| `//' | sort -u)
(($(wc -l <<<"$verbs") >= 12)) || fail "docs/driver.md's table of commands is not where it was: $verbs"
commands=$(sed -n '/^\.SH COMMANDS/,/^\.SH /p' <<<"$manual")
for v in $verbs; do
  grep -qE "^\.(B|BI) \"?$v( |\"|$)" <<<"$commands" || fail "fenwing-sim(6)'s COMMANDS does not name $v"
done
grep -qxF '.BR fenwing (6)' <(sed -n '/^\.SH SEE ALSO/,$p' <<<"$manual") ||
  fail "fenwing-sim(6)'s SEE ALSO does not name fenwing(6)"
grep -q "^\.TH FENWING-SIM 6 .*\"Fenwing $version\"" <<<"$manual" ||
  fail "fenwing-sim(6)'s .TH line does not say Fenwing $version"

((failures == 0)) || exit 1
echo "command line: ok: help, version, Qt's options, five refusals, unplayable scripts, the documents and their links; the same for fenwing-sim"
