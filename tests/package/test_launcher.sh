#!/usr/bin/env bash
# The installed launcher (projects/dusk/release/dusk-launcher.sh) in a prefix of its own, with a
# stand-in program that prints the folder it runs in and its arguments: every option that takes a
# path gets it read against the folder the launcher was started from, and nothing else changes.
# Usage: tests/package/test_launcher.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/dusk-launcher-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prefix="$work/pre fix"
mkdir -p "$prefix/games" "$prefix/share/dusk/data" "$prefix/lib/dusk" "$work/start here"
cp "$top/projects/dusk/release/dusk-launcher.sh" "$prefix/games/dusk"
printf '#!/bin/sh\npwd\nfor a in "$@"; do printf "[%%s]\\n" "$a"; done\n' > "$prefix/lib/dusk/dusk"
chmod +x "$prefix/games/dusk" "$prefix/lib/dusk/dusk"

# Through a symbolic link on PATH, as /usr/games/dusk may be reached.
mkdir -p "$work/bin"
ln -s "$prefix/games/dusk" "$work/bin/dusk"
cwd="$work/start here"
got=$(cd "$cwd" && PATH="$work/bin:$PATH" dusk --no-dialog --log run.log --capture "frames 1" \
  --capture-video out/show.mkv --render-scale 0.5 --log /abs/olute.log --capture-video ../up.mkv \
  --fps 30 "an argument" --capture-video)
want="$prefix/share/dusk
[--no-dialog]
[--log]
[$cwd/run.log]
[--capture]
[$cwd/frames 1]
[--capture-video]
[$cwd/out/show.mkv]
[--render-scale]
[0.5]
[--log]
[/abs/olute.log]
[--capture-video]
[$cwd/../up.mkv]
[--fps]
[30]
[an argument]
[--capture-video]"
[ "$got" = "$want" ] || fail "the program got
$got
and not
$want"

# Without the program the launcher says where it looked, with the code for a missing program.
rm "$prefix/lib/dusk/dusk"
set +e
missing=$(cd "$cwd" && "$prefix/games/dusk" --version 2>&1)
code=$?
set -e
[ "$code" = 20 ] || fail "without the program: exit code $code ($missing)"
grep -qF "$prefix/lib/dusk" <<<"$missing" || fail "without the program: $missing"
echo "passed"
