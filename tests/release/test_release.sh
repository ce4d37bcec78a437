#!/usr/bin/env bash
# The release as a viewer gets it, end to end: scripts/release (a Release build in build-release/,
# shared with the script), the archive unpacked outside the repository and run with a clean
# environment, its frames against the same program's frames in the development layout, and the
# .deb: its files, its Depends, and its launcher run from an unpacked copy whose release folder is
# read-only, writing only into the user's folders.
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
for required in dusk libbass.so .final README.txt src/shaders/fw_PostEffects.fxo src/shaders/fw_Globals.fxi \
    src/shaders/rtype.fx src/shaders/dusk_Stage.fxi data/demo.xml data/eventide_palekestrel3.mp3 \
    data/eventide_palekestrel3.sections data/noise.bin data/sync/sync_1_Zoom.track data/models/skallen.obj \
    data/bg/0.png; do
  grep -qxF "$required" <<<"$listing" || fail "the archive lacks $required"
done
stray=$(grep -Ev '^(dusk|libbass\.so|\.final|README\.txt|src/shaders/[^/]+\.(fx|fxi|fxo)|data/.+)$' <<<"$listing" || true)
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
step "frames from the development layout, same program"
capture "$top/projects/dusk" "$top/build-release/bin/dusk" "$work/frames-dev" "${clean_env[@]}"
same_frames "$work/frames-release" "$work/frames-dev"

step "the .deb: files and Depends"
deb=$(ls "$work/out"/dusk_*_amd64.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for required in ./usr/games/dusk ./usr/share/dusk/dusk ./usr/share/dusk/libbass.so ./usr/share/dusk/.final \
    ./usr/share/dusk/README.txt ./usr/share/dusk/src/shaders/fw_PostEffects.fxo ./usr/share/dusk/data/demo.xml \
    ./usr/share/applications/dusk.desktop ./usr/share/icons/hicolor/64x64/apps/dusk.png; do
  grep -qxF "$required" <<<"$contents" || fail "the .deb lacks $required"
done
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
[ -d "$user/home/cache/dusk/temp" ] || fail "no temporary folder in XDG_CACHE_HOME"
[ -d "$user/home/data/dusk/screenshots" ] || fail "no screenshot folder in XDG_DATA_HOME"
grep -q 'is read-only: temporary files go to' "$user/cwd/frames.${rows[0]}.log" ||
  fail "the run did not say where its files go: $(cat "$user/cwd/frames.${rows[0]}.log")"

(cd "$user/cwd" && timeout 120 "${as_user[@]}" "${user_env[@]}" "$root/usr/games/dusk" --version) |
  grep -qxF "dusk $version" || fail "the launcher's --version"
# The program itself, started in the read-only folder, puts a relative log in XDG_STATE_HOME.
(cd "$root/usr/share/dusk" && timeout 300 "${as_user[@]}" "${user_env[@]}" ./dusk --no-dialog --mute \
  --alerts console --render-scale 0.25 --capture "$user/cwd/frames-log" --frames-only --fps 10 --from-row 300 \
  --frames 1 --log run.log >"$user/cwd/log-run.out" 2>&1) || fail "the run with --log failed: $(cat "$user/cwd/log-run.out")"
grep -q 'Starting application.' "$user/home/state/dusk/run.log" || fail "no log in XDG_STATE_HOME"

# Live mode would save into the read-only folder: refused with a message and exit code 2.
set +e
refused=$(cd "$root/usr/share/dusk" && timeout 120 "${as_user[@]}" "${user_env[@]}" ./dusk --no-dialog --mute \
  --alerts console --live 2>&1)
code=$?
set -e
[ "$code" = 2 ] || fail "--live in a read-only folder ended with $code: $refused"
grep -q 'read-only' <<<"$refused" || fail "--live was refused without saying why: $refused"
if find "$root" -newer "$deb" -type f | grep .; then fail "the run wrote into the installed tree"; fi

step "passed"
