#!/usr/bin/env bash
# The Debian package as a player gets it. One step a run, each a ctest test:
#   package_test.sh build    BUILD_DIR VERSION SOURCE_DIR  makes BUILD_DIR/package/*.deb with cpack
#   package_test.sh contents BUILD_DIR VERSION SOURCE_DIR  its fields, files, validators, the
#                                                          unpacked program run from elsewhere
#   package_test.sh lintian  BUILD_DIR VERSION SOURCE_DIR  lintian has nothing to say, not even
#                                                          for information
#   package_test.sh window   BUILD_DIR VERSION SOURCE_DIR  the unpacked program's real window
#                                                          under Xvfb, at scale 1 and 2
#   package_test.sh install  BUILD_DIR VERSION SOURCE_DIR  dpkg -i, run, dpkg --purge, nothing
#                                                          left behind (root only)
#   package_test.sh board    BUILD_DIR VERSION SOURCE_DIR  the shared board's own package: its
#                                                          fields, files, unit, lintian, and the
#                                                          unpacked board serving a post
# Exits 77 (a skip for ctest) when a step cannot run here, and says why.
set -Eeuo pipefail
trap 'echo "package_test.sh: line $LINENO: $BASH_COMMAND: status $?" >&2' ERR

args=("$@")
step=$1 build=$(cd "$2" && pwd) version=$3 source=$(cd "$4" && pwd)
id=io.github.fenwing.Fenwing
sizes=(16 24 32 48 64 128 256)
programs=(fenwing fenwing-sim)  # in usr/games, each with its manual page
scratch=$(mktemp -d "${TMPDIR:-/tmp}/fenwing-package.XXXXXX")
runtime=$(mktemp -d "$scratch/runtime.XXXXXX")  # Qt wants a private XDG_RUNTIME_DIR
chmod 700 "$runtime"
cleanups=()
finish() {
  local status=$? c
  for c in "${cleanups[@]}"; do eval "$c" || status=1; done
  rm -rf "$scratch"
  exit "$status"
}
trap finish EXIT
trap 'exit 143' TERM INT  # so that finish runs then too

fail() { echo "package $step: FAIL: $*" >&2; exit 1; }
skip() { echo "package $step: SKIPPED: $*"; exit 77; }
ok() { echo "package $step: ok: $*"; }
need() { for t in "$@"; do command -v "$t" >/dev/null || skip "$t is missing (tools/setup.sh installs it)"; done; }

the_deb() {
  local debs=("$build"/package/fenwing_*.deb)
  [ -e "${debs[0]}" ] || fail "no .deb in $build/package (the PackageBuild test makes it)"
  ((${#debs[@]} == 1)) || fail "more than one .deb in $build/package: ${debs[*]}"
  echo "${debs[0]}"
}

# The packages named in a relationship field such as Depends, one a line, without versions.
field_packages() { tr ',|' '\n\n' <<<"$1" | sed -e 's/(.*)//' -e 's/:.*//' -e 's/[[:space:]]//g' | grep . || true; }

# The installed package that owns a library or plugin file, found by its file name, since the
# path that the loader uses may differ from the packaged one (/lib and /usr/lib).
owner_of() {
  local name; name=$(basename "$1")
  dpkg-query -S "$name" 2>/dev/null | awk -F': ' -v n="/$name" \
    'substr($2, length($2) - length(n) + 1) == n { split($1, o, ", "); for (i in o) print o[i] }' |
    sed 's/:.*//' | sort -u
}

# Every file is owned by a package that the .deb depends on: the libraries that the executable
# links (what dpkg-shlibdeps reads) and the Qt plugins that a running window loaded.
# The package DEB (called WHAT in a failure) holds exactly the files named after it.
check_files() {
  local deb=$1 what=$2 actual
  shift 2
  actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v -e '/$' -e '^$' | sort)
  diff -u <(printf '%s\n' "$@" | sort) <(echo "$actual") >&2 ||
    fail "$what files differ from the expected ones (- expected, + packaged)"
  ok "the $# expected files, and no others"
}

check_owned_by_depends() {
  local deb=$1 what=$2; shift 2
  local depends f owners
  (($# > 0)) || fail "no $what to check"
  depends=$(field_packages "$(dpkg-deb -f "$deb" Depends)")
  for f in "$@"; do
    owners=$(owner_of "$f")
    [ -n "$owners" ] || fail "no installed package owns $f ($what)"
    grep -qxF -f <(echo "$owners") <<<"$depends" ||
      fail "$what $f comes from $(echo $owners), which Depends does not name: $(dpkg-deb -f "$deb" Depends)"
  done
  ok "the package depends on what provides each of the $# $what"
}

# Runs BIN from an empty directory with the offscreen platform: it must still be running 2 s
# later and have written nothing to standard error. Leaves the Qt plugins it had loaded in
# $scratch/plugins.
run_offscreen() {
  local bin=$1 dir pid
  dir=$(mktemp -d "$scratch/cwd.XXXXXX")
  (cd "$dir" && exec env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" \
    "$bin" >"$scratch/stdout" 2>"$scratch/stderr") &
  pid=$!
  sleep 2
  kill -0 "$pid" 2>/dev/null || { wait "$pid" || true; fail "$bin ended within 2 s: $(cat "$scratch/stderr")"; }
  grep -o '/[^ ]*/plugins/[^ ]*\.so[^ ]*' "/proc/$pid/maps" | sort -u >"$scratch/plugins" || true
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  [ ! -s "$scratch/stderr" ] || fail "$bin wrote to standard error: $(cat "$scratch/stderr")"
  [ -z "$(ls -A "$dir")" ] || fail "$bin left files in its working directory: $(ls -A "$dir")"
  ok "$bin ran for 2 s from an empty directory, with nothing on standard error"
}

# FILE is built as Debian builds its programs (cmake/hardening.cmake) and stripped as Debian
# strips them (cmake/install.cmake): a position-independent executable, relocations resolved at
# start and then read-only, the stack protector, glibc's checked functions in place of the
# unchecked ones wherever the compiler could tell a size, and no .comment section.
check_hardened() {
  local file=$1 what=$2 unseen=${3:-} imports fortifiable
  [[ "$(file -b "$file")" == *"pie executable"* ]] || fail "$what is not a PIE: $(file -b "$file")"
  readelf -lW "$file" | grep -qw GNU_RELRO || fail "$what has no read-only relocations (-z relro)"
  readelf -dW "$file" | grep -qE '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*\<NOW\>' ||
    fail "$what resolves its symbols lazily (-z now)"
  ! readelf -SW "$file" | grep -qF ' .comment ' || fail "$what keeps its .comment section"
  imports=$(nm -D --undefined-only "$file" | awk '{ print $NF }' | sed 's/@.*//')
  grep -qx __stack_chk_fail <<<"$imports" || fail "$what has no stack protector"
  # What lintian calls hardening-no-fortify-functions: functions that glibc checks, and not
  # one of them checked. Like lintian, this leaves out memcpy, memmove and memset, which the
  # compiler calls unchecked wherever it can tell that the sizes fit.
  # UNSEEN: the calls whose sizes the compiler cannot see, which the package's lintian
  # overrides name; any other unchecked one still fails.
  fortifiable=$(grep -xE 'v?(f|s|sn|as|d)?printf|str(n?cpy|n?cat)|stpn?cpy|p?read|fread|fgets|getcwd|realpath|readlink' <<<"$imports" |
    grep -vxF -- "${unseen:-^}" || true)
  [ -z "$fortifiable" ] || grep -qE '^__[a-z]+_chk$' <<<"$imports" ||
    fail "$what calls $(echo $fortifiable) and none of glibc's checked functions (_FORTIFY_SOURCE)"
}

# Runs the driver BIN from an empty directory: its version, and a game started, shot at and
# played for a second, which it must print as the game does.
run_sim() {
  local bin=$1 dir out
  dir=$(mktemp -d "$scratch/cwd.XXXXXX")
  out=$(cd "$dir" && env -u LD_LIBRARY_PATH "$bin" --version) || fail "$bin --version failed"
  [ "$out" = "fenwing-sim $version" ] || fail "$bin --version printed: $out"
  out=$(cd "$dir" && printf 'key F1\nclick imgField\nadvance 1000\nget LblTimeLeft.Caption\nget Shots\n' |
        env -u LD_LIBRARY_PATH "$bin" --check 2>&1) || fail "$bin on a short game: $out"
  [ "$out" = $'59\n24' ] || fail "$bin printed for a short game: $out"
  [ -z "$(ls -A "$dir")" ] || fail "$bin left files in its working directory: $(ls -A "$dir")"
  ok "$bin printed its version and played a second of a game"
}

step_build() {
  need cpack dpkg-deb dpkg-shlibdeps
  rm -rf "$build/package"
  cpack -G DEB -B "$build/package" --config "$build/CPackConfig.cmake"
  ok "made $(the_deb)"
}

step_contents() {
  need dpkg-deb dpkg-parsechangelog desktop-file-validate appstreamcli file man python3
  local deb root expected actual f released
  deb=$(the_deb)

  # The control fields.
  [ "$(dpkg-deb -f "$deb" Package)" = fenwing ] || fail "Package is not fenwing"
  [[ "$(dpkg-deb -f "$deb" Version)" =~ ^"$version"-[0-9]+$ ]] ||
    fail "Version is $(dpkg-deb -f "$deb" Version), the project's is $version (and a Debian revision)"
  [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "Section is not games"
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
  [[ "$(dpkg-deb -f "$deb" Maintainer)" =~ ^[^\<]+\ \<[^\>]+@[^\>]+\>$ ]] || fail "Maintainer"
  for p in fonts-liberation libpulse0; do
    field_packages "$(dpkg-deb -f "$deb" Recommends)" | grep -qx "$p" ||
      fail "Recommends does not name $p"
  done
  ok "control fields: $(dpkg-deb -f "$deb" Package Version Section Depends Recommends | tr '\n' ' ')"

  # Exactly these files, and the pictures stay inside the program.
  expected=(usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml
            usr/share/doc/fenwing/copyright usr/share/doc/fenwing/changelog.Debian.gz
            usr/share/lintian/overrides/fenwing)
  for p in "${programs[@]}"; do expected+=("usr/games/$p" "usr/share/man/man6/$p.6.gz"); done
  for s in "${sizes[@]}"; do expected+=("usr/share/icons/hicolor/${s}x${s}/apps/$id.png"); done
  [ ! -e "$source/assets/icons/fenwing.svg" ] || expected+=("usr/share/icons/hicolor/scalable/apps/$id.svg")
  actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v -e '/$' -e '^$' | sort)
  diff -u <(printf '%s\n' "${expected[@]}" | sort) <(echo "$actual") >&2 ||
    fail "the package's files differ from the expected ones (- expected, + packaged)"
  ok "the ${#expected[@]} expected files, and no others"

  root="$scratch/root"
  dpkg-deb -x "$deb" "$root"

  for p in "${programs[@]}"; do
    f=$(file -b "$root/usr/games/$p")
    [[ "$f" == ELF*executable* && "$f" == *", stripped"* ]] || fail "usr/games/$p: $f"
    [ -x "$root/usr/games/$p" ] || fail "usr/games/$p is not executable"
    # fenwing-sim's one read fills its reader's buffer, whose size the compiler cannot see:
    # glibc has nothing to check there (packaging/fenwing.lintian-overrides).
    check_hardened "$root/usr/games/$p" "usr/games/$p" "$([ "$p" = fenwing-sim ] && echo read)"
  done
  for s in "${sizes[@]}"; do
    f=$(file -b "$root/usr/share/icons/hicolor/${s}x${s}/apps/$id.png")
    [[ "$f" == "PNG image data, $s x $s,"* ]] || fail "the ${s}x${s} icon is $f"
  done
  if [ -e "$source/assets/icons/fenwing.svg" ]; then
    f=$(file -b "$root/usr/share/icons/hicolor/scalable/apps/$id.svg")
    [[ "$f" == *SVG* ]] || fail "the scalable icon is $f"
  fi
  ok "${programs[*]}: ELF executables, stripped, hardened; each icon is a PNG of its folder's size"
  cmp "$root/usr/share/doc/fenwing/copyright" "$source/LICENSE" || fail "copyright is not LICENSE"

  # The Debian changelog's newest entry is this package, released on the day that the
  # metainfo's newest release gives (checked below).
  zcat "$root/usr/share/doc/fenwing/changelog.Debian.gz" >"$scratch/changelog"
  [ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$(dpkg-deb -f "$deb" Version)" ] ||
    fail "the changelog's newest entry is $(dpkg-parsechangelog -l "$scratch/changelog" -S Version)"
  [ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Maintainer)" = "$(dpkg-deb -f "$deb" Maintainer)" ] ||
    fail "the changelog is signed by someone other than the Maintainer"
  released=$(date -u -d "@$(dpkg-parsechangelog -l "$scratch/changelog" -S Timestamp)" +%F)

  # The desktop entry: valid, and naming the program and the icon that the package installs.
  local desktop=$root/usr/share/applications/$id.desktop out
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] || fail "desktop-file-validate: $out"
  grep -qx 'Exec=fenwing' "$desktop" || fail "Exec is not the installed fenwing"
  grep -qx "Icon=$id" "$desktop" || fail "Icon is not $id"
  grep -qx 'Categories=Game;ArcadeGame;' "$desktop" || fail "Categories"
  ok "desktop-file-validate has nothing to say about $id.desktop"

  # The metainfo: valid alone and with the desktop entry and icons beside it, even to the
  # pedantic validator but for the id's capital (see the README); its newest release is the
  # package's version and day; and it stays valid with the optional web addresses filled in.
  local metainfo=$root/usr/share/metainfo/$id.metainfo.xml
  validate_pedantic validate "$metainfo"
  validate_pedantic validate-tree "$root"
  python3 - "$metainfo" "$version" "$id" "$released" <<'EOF' || fail "the metainfo does not match the package"
import sys, xml.etree.ElementTree as ET
path, version, cid, released = sys.argv[1:]
c = ET.parse(path).getroot()
def need(ok, what):
    if not ok: sys.exit(f"metainfo: {what}")
need(c.get("type") == "desktop-application", "type")
need(c.findtext("id") == cid, "id")
need(c.findtext("launchable") == cid + ".desktop", "launchable")
releases = c.findall("releases/release")
need(releases and releases[0].get("version") == version,
     f"newest release {releases[0].get('version') if releases else None}, package {version}")
need(releases[0].get("date") == released,
     f"newest release on {releases[0].get('date')}, the Debian changelog's on {released}")
need([(a.get("id"), a.text) for a in c.findall("content_rating[@type='oars-1.1']/content_attribute")]
     == [("violence-cartoon", "moderate"), ("violence-bloodshed", "mild")], "content rating")
need(c.findtext("provides/binary") == "fenwing", "provides")
need(c.findtext("metadata_license") == "CC0-1.0" and c.findtext("project_license") == "MIT",
     "licences")
EOF
  cmake -DOUTPUT="$scratch/web.metainfo.xml" -DFENWING_HOMEPAGE_URL=https://example.org/ \
    -DFENWING_SCREENSHOT_URL=https://example.org/screenshot-play.png \
    -P "$source/packaging/metainfo.cmake"
  grep -q '<image>https://example.org/screenshot-play.png</image>' "$scratch/web.metainfo.xml" ||
    fail "FENWING_SCREENSHOT_URL adds no screenshot"
  validate_pedantic validate "$scratch/web.metainfo.xml"
  ok "appstreamcli validates the metainfo, the tree, and the metainfo with web addresses"

  # The manual pages: each formats without a warning, for this version.
  local man title
  for p in "${programs[@]}"; do
    man=$root/usr/share/man/man6/$p.6.gz
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$man" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "man --warnings $p.6.gz: $out"
    title=$(tr a-z A-Z <<<"$p")
    zcat "$man" | grep -q "^\.TH $title 6 .*\"Fenwing $version\"" ||
      fail "the .TH line of $p.6.gz does not say $title 6 and Fenwing $version"
  done
  ok "the manual pages of ${programs[*]} format without warnings"

  # Every program that the game's help and manual pages send the player to is in the package.
  local named
  named=$( (env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/games/fenwing" --help
            for p in "${programs[@]}"; do zcat "$root/usr/share/man/man6/$p.6.gz"; done) |
          sed 's/\\-/-/g' | grep -oE '\<fenwing(-[a-z]+)+\>' | sort -u)
  grep -qx fenwing-sim <<<"$named" || fail "the help and the manual pages no longer name fenwing-sim"
  for p in $named; do
    [[ " ${programs[*]} " == *" $p "* ]] || fail "the help or a manual page names $p, which the package lacks"
  done
  ok "each program that the help and the manual pages name is installed: $(echo $named)"

  # The unpacked program runs from another directory, with its pictures.
  run_offscreen "$root/usr/games/fenwing"
  run_sim "$root/usr/games/fenwing-sim"
  # Its pictures are baked into raw pixels, so it needs no image reader to show them (the window
  # step below looks at them). Whatever plugins Qt loads must come with the package's dependencies;
  # the platform plugin among them shows that the list was read.
  grep -q '/platforms/libqoffscreen' "$scratch/plugins" ||
    fail "the program ran without Qt's offscreen platform plugin: $(cat "$scratch/plugins")"
  mapfile -t libs < <(for p in "${programs[@]}"; do objdump -p "$root/usr/games/$p"; done |
                      awk '$1 == "NEEDED" { print $2 }' | sort -u)
  local paths=()
  for f in "${libs[@]}"; do
    paths+=("$("$(command -v ldconfig || echo /sbin/ldconfig)" -p | awk -v n="$f" '$1 == n && !found { print $NF; found = 1 }')")
  done
  check_owned_by_depends "$deb" "linked libraries" "${paths[@]}"
  mapfile -t plugins <"$scratch/plugins"
  check_owned_by_depends "$deb" "loaded Qt plugins" "${plugins[@]}"
}

# appstreamcli validate or validate-tree PATH, pedantic: nothing to say but the one remark that
# the README explains (the id's capital, which the desktop id has too).
validate_pedantic() {
  local out
  out=$(appstreamcli "$1" --pedantic --no-net "$2" 2>&1) || fail "appstreamcli $1 $2: $out"
  out=$(grep -E '^ *[EWIP]: ' <<<"$out" | grep -v ' cid-contains-uppercase-letter ' || true)
  [ -z "$out" ] || fail "appstreamcli $1 --pedantic $2: $out"
}

step_lintian() {
  need lintian
  local deb out status=0
  deb=$(the_deb)
  # Every remark that lintian makes, down to the informational ones, fails; the one override
  # the package carries says why it does not apply (packaging/*.lintian-overrides).
  out=$(lintian --display-info --fail-on error,warning "$deb" 2>&1) || status=$?
  out=$(grep -v '^running with root privileges' <<<"$out" || true)
  ! grep -E ': (hardening-[a-z-]+|binary-has-unneeded-section) ' <<<"$out" >&2 ||
    fail "built without Debian's hardening (cmake/hardening.cmake) or stripped of less than Debian
strips (cmake/install.cmake): the remarks above"
  ((status == 0)) && [ -z "$out" ] || fail "lintian --display-info $(basename "$deb") (status $status):
$out"
  ok "lintian has nothing to say about $(basename "$deb"), not even for information"
}

step_window() {
  need xvfb-run xdotool xwininfo import convert python3
  if [ -z "${FENWING_IN_XVFB:-}" ]; then
    rm -rf "$scratch"
    FENWING_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 2200x1900x24 -noreset" bash "$0" "${args[@]}"
  fi
  local deb root bin
  deb=$(the_deb)
  root="$scratch/root"
  dpkg-deb -x "$deb" "$root"
  bin=$root/usr/games/fenwing

  # The real window from an empty directory, idle, at each scale: it appears, is captured, and
  # quits with status 0 on Del, having written nothing to standard error.
  local scale pid wid dir status
  for scale in 1 2; do
    dir=$(mktemp -d "$scratch/cwd.XXXXXX")
    (cd "$dir" && exec env -u LD_LIBRARY_PATH -u QT_QPA_PLATFORM QT_SCALE_FACTOR=$scale \
      XDG_RUNTIME_DIR="$runtime" XDG_DATA_HOME="$scratch/data" "$bin" 2>"$scratch/stderr-$scale") &
    pid=$!
    cleanups+=("kill $pid 2>/dev/null; true")
    wid=""
    for _ in $(seq 200); do
      wid=$(xdotool search --onlyvisible --name '^Fenwing$' 2>/dev/null | head -1 || true)
      [ -n "$wid" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$wid" ] || fail "no window at scale $scale: $(cat "$scratch/stderr-$scale")"
    sleep 1.5  # the first paint
    import -window "$wid" "$scratch/window-$scale.png"
    grep -o '/[^ ]*/plugins/[^ ]*\.so[^ ]*' "/proc/$pid/maps" >>"$scratch/plugins" || true
    xdotool windowfocus --sync "$wid"
    xdotool key Delete
    status=0
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "Del did not end the program at scale $scale"
    wait "$pid" || status=$?
    ((status == 0)) || fail "the program ended with status $status at scale $scale"
    [ ! -s "$scratch/stderr-$scale" ] ||
      fail "standard error at scale $scale: $(cat "$scratch/stderr-$scale")"
    ok "the window appeared at scale $scale ($(identify -format '%wx%h' "$scratch/window-$scale.png")), Del ended it with status 0"
  done
  mapfile -t plugins < <(sort -u "$scratch/plugins")
  check_owned_by_depends "$deb" "loaded Qt plugins" "${plugins[@]}"

  # At scale 2 the window is twice the size; its pictures are drawn without blur, so that hardly
  # a pixel has a colour that the window at scale 1 lacks (smoothing makes new colours between
  # neighbouring pixels everywhere); and it is not the scale-1 window blown up: text is drawn
  # at the finer resolution.
  python3 - "$scratch/window-1.png" "$scratch/window-2.png" <<'EOF' || fail "the window at scale 2"
import subprocess, sys

def pixels(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    rgb = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                         capture_output=True).stdout
    return int(size[0]), int(size[1]), rgb

w1, h1, one = pixels(sys.argv[1])
w2, h2, two = pixels(sys.argv[2])
if (w2, h2) != (2 * w1, 2 * h1):
    sys.exit(f"the window is {w2}x{h2} at scale 2 and {w1}x{h1} at scale 1")
colours = {one[i:i + 3] for i in range(0, len(one), 3)}
if len(colours) < 1000:
    sys.exit(f"only {len(colours)} colours at scale 1: the pictures are missing")
new = sum(1 for i in range(0, len(two), 3) if two[i:i + 3] not in colours)
share = new / (w2 * h2)
print(f"package window: {len(colours)} colours at scale 1; at scale 2, {new} pixels "
      f"({share:.2%}) have a colour not among them")
if share > 0.02:
    sys.exit("the pictures are blurred at scale 2")
blown = sum(1 for y in range(h2) for x in range(0, w2, 7)
            if two[(y * w2 + x) * 3:(y * w2 + x) * 3 + 3]
            != one[((y // 2) * w1 + x // 2) * 3:((y // 2) * w1 + x // 2) * 3 + 3])
if blown < 100:
    sys.exit("the window at scale 2 is the scale-1 window blown up: the text is not sharper")
EOF
  ok "at scale 2 the window is twice the size, its pictures unblurred and its text finer"
}

# dpkg ARGS, waiting up to a minute while apt or dpkg elsewhere holds the package database.
dpkg_waiting() {
  local try
  for try in $(seq 30); do
    dpkg "$@" >"$scratch/dpkg.log" 2>&1 && return 0
    grep -qi 'lock' "$scratch/dpkg.log" || break
    sleep 2
  done
  fail "dpkg $*: $(cat "$scratch/dpkg.log")"
}

step_install() {
  need dpkg dpkg-deb dpkg-query flock
  [ "$(id -u)" -eq 0 ] || skip "dpkg -i needs root; the unpacked package is checked by PackageContents"
  local deb status existed p listing left=()
  deb=$(the_deb)
  # One install at a time on this machine, when several checkouts test at once.
  exec 9>"${TMPDIR:-/tmp}/fenwing-package-install.lock"
  flock -w 250 9 || fail "another run of this test held the lock for 250 s"
  status=$(dpkg-query -W -f='${db:Status-Status}' fenwing 2>/dev/null || true)
  [ -z "$status" ] || [ "$status" = not-installed ] ||
    skip "a fenwing package is already on this machine ($status); it is left alone"
  # Nothing of the player's is overwritten, and the folders that exist now may stay afterwards.
  existed="$scratch/existed"
  : >"$existed"
  while read -r p; do
    p=/${p#./}
    p=${p%/}
    if [ -d "$p" ] && [ ! -L "$p" ]; then
      echo "$p" >>"$existed"
    elif [ -e "$p" ] || [ -L "$p" ]; then
      skip "$p already exists and installing would overwrite it"
    fi
  done < <(dpkg-deb --fsys-tarfile "$deb" | tar -t)

  cleanups+=("dpkg-query -W fenwing >/dev/null 2>&1 && { dpkg --purge fenwing >/dev/null || true; }; true")
  dpkg_waiting -i "$deb"
  [ "$(dpkg-query -W -f='${db:Status-Status}' fenwing)" = installed ] || fail "not installed after dpkg -i"
  ok "dpkg -i installed $(basename "$deb")"
  # Found on a player's PATH (Debian's default for users; root's has no games).
  for p in "${programs[@]}"; do
    [ "$(PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games command -v "$p")" = \
      "/usr/games/$p" ] || fail "$p is not installed as /usr/games/$p"
  done
  if [ -e /usr/share/man/man6/fenwing.6.gz ]; then
    for p in "${programs[@]}"; do
      [ "$(man -w "$p" 2>/dev/null)" = "/usr/share/man/man6/$p.6.gz" ] ||
        fail "man -w $p finds $(man -w "$p" 2>&1)"
    done
  elif grep -qs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/*; then
    echo "package install: this machine's dpkg leaves out manual pages (path-exclude)"
  else
    fail "dpkg -i did not install the manual page"
  fi
  run_offscreen /usr/games/fenwing
  run_sim /usr/games/fenwing-sim

  listing=$(dpkg -L fenwing)
  dpkg_waiting --purge fenwing
  status=$(dpkg-query -W -f='${db:Status-Status}' fenwing 2>/dev/null || true)
  [ -z "$status" ] || [ "$status" = not-installed ] || fail "still $status after dpkg --purge"
  while read -r p; do
    [ "$p" != /. ] || continue
    [ -e "$p" ] || [ -L "$p" ] || continue
    if [ -d "$p" ] && [ ! -L "$p" ] && grep -qxF "$p" "$existed"; then continue; fi
    left+=("$p")
  done <<<"$listing"
  ((${#left[@]} == 0)) || fail "dpkg --purge left behind: ${left[*]}"
  ok "dpkg --purge removed all $(grep -c . <<<"$listing") paths of the package that were not there before"
}

# The shared board's package, fenwing-board: what it depends on (not the game's Qt), exactly its
# files, its program hardened and stripped, a systemd unit with the usual sandboxing that starts
# the packaged program, a manual page without warnings, nothing from lintian, and the unpacked
# program serving a board on 127.0.0.1 that takes a real recording.
step_board() {
  need dpkg-deb lintian man python3 file
  local debs deb root unit depends f expected actual out
  debs=("$build"/package/fenwing-board_*.deb)
  [ -e "${debs[0]}" ] || skip "no fenwing-board package in $build/package (built without the board)"
  deb=${debs[0]}
  [ "$(dpkg-deb -f "$deb" Package)" = fenwing-board ] || fail "Package is not fenwing-board"
  [[ "$(dpkg-deb -f "$deb" Version)" =~ ^"$version"-[0-9]+$ ]] || fail "Version $(dpkg-deb -f "$deb" Version)"
  depends=$(field_packages "$(dpkg-deb -f "$deb" Depends)")
  for p in libpqxx-6.4 libsqlite3-0 libcpp-httplib0.11 libssl3; do
    grep -qx "$p" <<<"$depends" || fail "Depends does not name $p: $(dpkg-deb -f "$deb" Depends)"
  done
  ! grep -q '^libqt6' <<<"$depends" || fail "the board depends on Qt: $(dpkg-deb -f "$deb" Depends)"
  ok "control fields: $(dpkg-deb -f "$deb" Package Version Depends Suggests | tr '\n' ' ')"

  expected=(usr/games/fenwing-board usr/lib/systemd/system/fenwing-board.service
            usr/share/doc/fenwing-board/copyright usr/share/doc/fenwing-board/changelog.Debian.gz
            usr/share/lintian/overrides/fenwing-board usr/share/man/man6/fenwing-board.6.gz)
  check_files "$deb" "the board package's" "${expected[@]}"

  root="$scratch/board-root"
  dpkg-deb -x "$deb" "$root"
  f=$(file -b "$root/usr/games/fenwing-board")
  [[ "$f" == ELF*executable* && "$f" == *", stripped"* ]] || fail "usr/games/fenwing-board: $f"
  check_hardened "$root/usr/games/fenwing-board" usr/games/fenwing-board
  unit=$root/usr/lib/systemd/system/fenwing-board.service
  for line in 'ExecStart=/usr/games/fenwing-board serve --listen 127.0.0.1 --port 8080' \
              DynamicUser=yes StateDirectory=fenwing-board ProtectSystem=strict ProtectHome=yes \
              PrivateTmp=yes NoNewPrivileges=yes CapabilityBoundingSet= WantedBy=multi-user.target \
              'Documentation=man:fenwing-board(6)'; do
    grep -qxF "$line" "$unit" || fail "the unit has no line $line"
  done
  ok "usr/games/fenwing-board is stripped and hardened; its unit starts it sandboxed, as a user of its own"
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man6/fenwing-board.6.gz" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "man --warnings fenwing-board.6.gz: $out"
  zcat "$root/usr/share/man/man6/fenwing-board.6.gz" | grep -q "^\.TH FENWING-BOARD 6 .*\"Fenwing $version\"" ||
    fail "the .TH line of fenwing-board.6.gz"
  cmp "$root/usr/share/doc/fenwing-board/copyright" "$source/LICENSE" || fail "copyright is not LICENSE"
  ok "its manual page formats without warnings"

  local status=0
  out=$(lintian --display-info --fail-on error,warning "$deb" 2>&1) || status=$?
  out=$(grep -v '^running with root privileges' <<<"$out" || true)
  ((status == 0)) && [ -z "$out" ] || fail "lintian --display-info $(basename "$deb") (status $status):
$out"
  ok "lintian has nothing to say about $(basename "$deb"), not even for information"

  # The unpacked board, from an empty directory: it serves, takes a real recording, and stops on
  # SIGTERM with status 0.
  python3 - "$root/usr/games/fenwing-board" "$source/tests/board/recordings/game-1.sim" "$scratch" <<'PYTHON' ||
import http.client, os, select, signal, subprocess, sys, tempfile
program, recording, scratch = sys.argv[1:]
data = tempfile.mkdtemp(dir=scratch)
board = subprocess.Popen([program, "--data", data, "--port", "0"], stdout=subprocess.PIPE, text=True,
                         cwd=tempfile.mkdtemp(dir=scratch), env={k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"})
try:
    ready, _, _ = select.select([board.stdout], [], [], 30)
    line = board.stdout.readline() if ready else ""
    port = int(line.split("127.0.0.1:")[1].split("/")[0])
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
    c.request("POST", "/api/recordings?name=Packaged", open(recording, "rb").read(), {"Content-Type": "text/plain"})
    r = c.getresponse()
    body = r.read()
    if r.status != 201 or b'"hits":16' not in body:
        sys.exit(f"the packaged board answered {r.status}: {body[:300]!r}")
    board.send_signal(signal.SIGTERM)
    if board.wait(30) != 0:
        sys.exit(f"the packaged board ended with status {board.returncode} on SIGTERM")
finally:
    if board.poll() is None:
        board.kill()
PYTHON
    fail "the unpacked board did not serve"
  ok "the unpacked board served on 127.0.0.1, took a recording, and stopped on SIGTERM"
}

case "$step" in
  build | contents | lintian | window | install | board) "step_$step" ;;
  *) fail "unknown step $step" ;;
esac
