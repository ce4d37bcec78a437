#!/usr/bin/env bash
# The release as a viewer gets it, end to end: scripts/release (a Release build in build-release/,
# shared with the script), the archive unpacked outside the repository and run with a clean
# environment, its frames against the same program's frames in the development layout, live mode
# with the timeline page in the unpacked folder, and the .deb: Debian's own checker (lintian), its
# files, its Depends, and its launcher run from an unpacked copy whose release folder is read-only,
# writing only into the user's folders.
# Usage: tests/release/test_release.sh   (DUSK_KEEP_RELEASE_TEST=1 keeps the temporary folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/dusk-release-test.XXXXXX)
if [ -z "${DUSK_KEEP_RELEASE_TEST:-}" ]; then
  trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fi
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "== $* ($SECONDS s)"; }

rows=(300 1000 2000)
clean_env=(env -i PATH=/usr/bin:/bin HOME="$work/home")
mkdir -p "$work/home"

step "scripts/release"
"$top/scripts/release" "$work/out" >/dev/null
version=$(git -C "$top" describe --tags --always --dirty)
name=dusk-$version
archive=$work/out/$name-linux-x86_64.tar.gz
[ -f "$archive" ] || fail "no $archive; the folder holds: $(ls "$work/out")"

step "the archive holds the release and nothing else"
listing=$(tar -tzf "$archive" | sed "s|^$name/||" | grep -v '^$' | grep -v '/$' | sort)
for required in dusk libbass.so dusk-track .final README.txt src/shaders/fw_PostEffects.fxo src/shaders/fw_Globals.fxi \
    src/shaders/rtype.fx src/shaders/dusk_Stage.fxi data/demo.xml data/eventide_palekestrel3.mp3 \
    data/eventide_palekestrel3.sections data/noise.bin data/sync/sync_1_Zoom.track data/models/skallen.obj \
    data/bg/0.png tracks/camera.txt tracks/compile editor/index.html editor/editor.js; do
  grep -qxF "$required" <<<"$listing" || fail "the archive lacks $required"
done
# Every track source of the show, and every file of the page.
for source in "$top"/projects/dusk/tracks/*.txt "$top"/libraries/fw/editor/*.{html,js,css}; do
  grep -qxF "$(basename "$(dirname "$source")")/$(basename "$source")" <<<"$listing" ||
    fail "the archive lacks $source"
done
stray=$(grep -Ev '^(dusk|dusk-track|libbass\.so|\.final|README\.txt|src/shaders/[^/]+\.(fx|fxi|fxo)|data/.+|tracks/([^/]+\.txt|compile)|editor/[^/]+\.(html|js|css))$' <<<"$listing" || true)
[ -z "$stray" ] || fail "the archive holds files a release has no use for: $stray"
if grep -E '^data/(temp|screenshots)/' <<<"$listing"; then fail "the archive holds a run's leftovers"; fi

step "unpacked outside the repository"
mkdir -p "$work/unpacked"
tar -C "$work/unpacked" -xzf "$archive"
release=$work/unpacked/$name
if readelf -d "$release/dusk" "$release/libbass.so" | grep -E 'RPATH|RUNPATH'; then
  fail "the program or its audio library carries a library path"
fi
libraries=$(ldd "$release/dusk" "$release/libbass.so")
if grep -F -e "$top" -e build <<<"$libraries"; then fail "ldd shows a path into a build tree"; fi
if grep 'not found' <<<"$libraries"; then fail "a library the program needs is missing"; fi
printed=$(cd "$release" && "${clean_env[@]}" ./dusk --version)
[ "$printed" = "dusk $version" ] || fail "--version printed \"$printed\", not \"dusk $version\""

# capture <working dir> <program> <out dir> [env...]: one frame at each row, without a display.
# A relative <out dir> is read against <working dir>, by the shell and by the program alike.
capture() {
  local dir=$1 program=$2 out=$3
  shift 3
  for row in "${rows[@]}"; do
    (cd "$dir" && timeout 300 "$@" "$program" --no-dialog --mute --alerts console --echo --render-scale 0.25 \
      --capture "$out/$row" --frames-only --fps 10 --from-row "$row" --frames 1 >"$out.$row.log" 2>&1) ||
      fail "the capture at row $row in $dir failed: $(cd "$dir" && tail -n 20 "$out.$row.log")"
  done
}
# same_frames <a> <b>: the same frame files with the same bytes.
same_frames() {
  local count=0
  for row in "${rows[@]}"; do
    [ "$(ls "$1/$row")" = "$(ls "$2/$row")" ] || fail "row $row: frames $(ls "$1/$row") against $(ls "$2/$row")"
    for frame in "$1/$row"/*.png; do
      cmp "$frame" "$2/$row/$(basename "$frame")" || fail "row $row: $(basename "$frame") differs"
      count=$((count + 1))
    done
  done
  [ "$count" -ge "${#rows[@]}" ] || fail "only $count frames were captured"
}

step "frames from the archive, clean environment"
capture "$release" ./dusk "$work/frames-release" "${clean_env[@]}"
step "live mode in the unpacked folder: the timeline page, and an edit of a track through it"
[ -n "${DISPLAY:-}" ] || fail "live mode opens a window: run this under a display (xvfb-run -a)"
live_log=$work/live.log
(cd "$release" && exec "${clean_env[@]}" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" ./dusk --no-dialog --windowed --mute --alerts console \
  --echo --render-scale 0.25 --live --editor 0) >"$live_log" 2>&1 &
live=$!
stop_live() { kill "$live" 2>/dev/null || true; wait "$live" 2>/dev/null || true; }
for _ in $(seq 1200); do
  grep -q 'Timeline editor: http' "$live_log" && break
  kill -0 "$live" 2>/dev/null || break
  sleep 0.1
done
url=$( (grep -o 'Timeline editor: http[^ ]*' "$live_log" || true) | head -n 1 | sed 's/^Timeline editor: //')
[ -n "$url" ] || { stop_live; fail "live mode printed no editor address: $(tail -n 20 "$live_log")"; }
if grep -q 'the page is not in' "$live_log"; then stop_live; fail "live mode found no page: $(cat "$live_log")"; fi
base=${url%%/\?*} token=${url##*token=}
curl -fsS "$url" -o "$work/page.html" || { stop_live; fail "GET $url failed"; }
cmp "$work/page.html" "$top/libraries/fw/editor/index.html" || { stop_live; fail "the page served is not the page"; }
curl -fsS -H "X-Dusk-Token: $token" "$base/api/tracks" -o "$work/tracks.json" || { stop_live; fail "GET /api/tracks failed"; }
# A file's fields come in name order (error, name, tracks, version): show.txt's version is the
# first one after its name.
show_version=$( (grep -o '"name":"show",.*' "$work/tracks.json" | grep -o '"version":"[^"]*"' || true) | head -n 1 |
  sed 's/.*"version":"//; s/"$//')
[ -n "$show_version" ] || { stop_live; fail "the page's tracks hold no show.txt: $(head -c 300 "$work/tracks.json")"; }
edit='{"file":"show","version":"'$show_version'","ops":[{"op":"add","track":"Scene","key":{"row":10,"value":0,"kind":"step"}}]}'
curl -fsS -H "X-Dusk-Token: $token" -H 'Content-Type: application/json' -d "$edit" "$base/api/edit" >/dev/null ||
  { stop_live; fail "the edit through the page's call failed"; }
for _ in $(seq 600); do
  grep -q 'show.txt: [0-9]* tracks compiled' "$live_log" && break
  sleep 0.1
done
stop_live
grep -q 'show.txt: [0-9]* tracks compiled' "$live_log" || fail "live mode did not take the edit: $(tail -n 20 "$live_log")"
grep -qE '^10[[:space:]]+0([[:space:]]|$)' "$release/tracks/show.txt" || fail "the edit is not in tracks/show.txt"

step "frames from the development layout, same program"
capture "$top/projects/dusk" "$top/build-release/bin/dusk" "$work/frames-dev" "${clean_env[@]}"
same_frames "$work/frames-release" "$work/frames-dev"

step "the .deb: Debian's checker"
deb=$(ls "$work/out"/dusk_*_amd64.deb)
# Errors fail the test; warnings and notes are printed.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian finds errors in $(basename "$deb")"

step "the .deb: files and Depends"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for required in ./usr/games/dusk ./usr/lib/dusk/dusk ./usr/lib/dusk/libbass.so ./usr/share/dusk/.final \
    ./usr/share/dusk/README.txt ./usr/share/dusk/src/shaders/fw_PostEffects.fxo ./usr/share/dusk/data/demo.xml \
    ./usr/share/dusk/tracks/camera.txt ./usr/share/dusk/editor/index.html \
    ./usr/share/doc/dusk/copyright ./usr/share/doc/dusk/changelog.Debian.gz ./usr/share/man/man6/dusk.6.gz \
    ./usr/share/applications/dusk.desktop ./usr/share/icons/hicolor/64x64/apps/dusk.png; do
  grep -qxF "$required" <<<"$contents" || fail "the .deb lacks $required"
done
# Nothing built for this machine under /usr/share.
if grep -E '^\./usr/share/dusk/(dusk|libbass\.so|dusk-track)$' <<<"$contents"; then
  fail "the .deb puts binaries in /usr/share/dusk"
fi
# The Debian version orders by commit: an untagged build is 0~gitDATE.TIME.HASH, never a bare hash.
deb_version=$(dpkg-deb -f "$deb" Version)
case $version in
  v[0-9]*|[0-9]*.*) ;;
  *) [[ $deb_version =~ ^0~git[0-9]{8}\.[0-9]{6}\.[0-9a-f]+(\+dirty)?-1$ ]] ||
       fail "an untagged build's Debian version is $deb_version" ;;
esac

depends=$(dpkg-deb -f "$deb" Depends)
[ "$(dpkg-deb -f "$deb" Package)" = dusk ] || fail "the package is not named dusk"
depends_list=$(tr ',' '\n' <<<"$depends" | sed 's/([^)]*)//; s/ //g' | grep -v '^$')
# Every library the two binaries link comes from a package the .deb depends on.
for library in $(awk '/=> \//{print $3}' <<<"$libraries" | sort -u); do
  # dpkg knows a file by the path its package ships it under: /lib/... on a merged-/usr system.
  owner=$( (dpkg -S "$library" 2>/dev/null || dpkg -S "$(readlink -f "$library")" 2>/dev/null) |
    head -n 1 | cut -d: -f1) || fail "no package owns $library"
  needed=$(readelf -d "$release/dusk" "$release/libbass.so" | grep -oF "[$(basename "$library")]" || true)
  [ -z "$needed" ] && continue  # pulled in by another library, which its own package depends on
  grep -qxF "$owner" <<<"$depends_list" || fail "Depends lacks $owner (for $(basename "$library")): $depends"
done
for package in libgl1-mesa-dri libegl-mesa0 libgl1; do
  grep -qxF "$package" <<<"$depends_list" || fail "Depends lacks $package, which libepoxy opens at run time"
done
while read -r package; do
  dpkg-query -W "$package" >/dev/null 2>&1 || fail "Depends names $package, which is no package here"
done <<<"$depends_list"

step "the launcher from an unpacked .deb with a read-only release folder"
root=$work/root
dpkg-deb -x "$deb" "$root"
chmod -R a-w "$root/usr/share/dusk"
user=$work/user
mkdir -p "$user/home" "$user/cwd"
# root writes anywhere: run as nobody so that the folder is read-only for the program too.
as_user=()
if [ "$(id -u)" = 0 ]; then
  chmod 755 "$work"
  chown -R 65534:65534 "$user"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
user_env=(env -i PATH=/usr/bin:/bin HOME="$user/home" XDG_DATA_HOME="$user/home/data"
  XDG_CACHE_HOME="$user/home/cache" XDG_STATE_HOME="$user/home/state")
# A relative capture folder: the launcher runs the program in its own folder, and the frames must
# still land where the user asked.
capture "$user/cwd" "$root/usr/games/dusk" frames "${as_user[@]}" "${user_env[@]}"
same_frames "$work/frames-release" "$user/cwd/frames"
# Every option that takes a path, relative: a video and a log where the user started, not in the
# package's folder (as root that is where they went; as a user, "Permission denied").
(cd "$user/cwd" && timeout 300 "${as_user[@]}" "${user_env[@]}" "$root/usr/games/dusk" --no-dialog --mute \
  --alerts console --render-scale 0.25 --capture-video clip.mkv --fps 10 --from-row 300 --frames 1 \
  --log video.log >"$user/cwd/video.out" 2>&1) || fail "the launcher's --capture-video: $(cat "$user/cwd/video.out")"
[ -s "$user/cwd/clip.mkv" ] || fail "no clip.mkv in the folder the launcher was started from"
grep -q 'Starting application.' "$user/cwd/video.log" || fail "no video.log in the folder the launcher was started from"
[ -d "$user/home/cache/dusk/temp" ] || fail "no temporary folder in XDG_CACHE_HOME"
[ -d "$user/home/data/dusk/screenshots" ] || fail "no screenshot folder in XDG_DATA_HOME"
grep -q 'is read-only: temporary files go to' "$user/cwd/frames.${rows[0]}.log" ||
  fail "the run did not say where its files go: $(cat "$user/cwd/frames.${rows[0]}.log")"

(cd "$user/cwd" && timeout 120 "${as_user[@]}" "${user_env[@]}" "$root/usr/games/dusk" --version) |
  grep -qxF "dusk $version" || fail "the launcher's --version"
# The program itself, started in the read-only folder, puts a relative log in XDG_STATE_HOME.
(cd "$root/usr/share/dusk" && timeout 300 "${as_user[@]}" "${user_env[@]}" "$root/usr/lib/dusk/dusk" --no-dialog --mute \
  --alerts console --render-scale 0.25 --capture "$user/cwd/frames-log" --frames-only --fps 10 --from-row 300 \
  --frames 1 --log run.log >"$user/cwd/log-run.out" 2>&1) || fail "the run with --log failed: $(cat "$user/cwd/log-run.out")"
grep -q 'Starting application.' "$user/home/state/dusk/run.log" || fail "no log in XDG_STATE_HOME"

# Live mode would save into the read-only folder: refused with a message and exit code 2.
set +e
refused=$(cd "$root/usr/share/dusk" && timeout 120 "${as_user[@]}" "${user_env[@]}" "$root/usr/lib/dusk/dusk" --no-dialog --mute \
  --alerts console --live 2>&1)
code=$?
set -e
[ "$code" = 2 ] || fail "--live in a read-only folder ended with $code: $refused"
grep -q 'read-only' <<<"$refused" || fail "--live was refused without saying why: $refused"
if find "$root" -newer "$deb" -type f | grep .; then fail "the run wrote into the installed tree"; fi

step "passed"
