#!/usr/bin/env bash
# Draws the show's main tracks over the whole show with dusk-track plot, section starts marked,
# into docs/show/plots_camera.png, plots_post.png and plots_scene.png. Needs ImageMagick.
# Usage: docs/show/make_plots.sh [DUSK-TRACK]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
tool=${1:-${DUSK_BUILD_DIR:-$top/build}/bin/dusk-track}
sync="$top/projects/dusk/data/sync"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
font=$(fc-match -f '%{file}' 'DejaVu Sans' 2>/dev/null || true)
last=2815
plot() {  # name -> $work/name.png with section lines and the track's name
  local n=$1 args=()
  "$tool" plot "$sync/sync_$n.track" "$work/raw_$n.png" --from 0 --to $last --size 900x220 >/dev/null
  for s in "256 build" "768 drop" "1280 breakdown" "1792 second drop" "2560 outro"; do
    local r=${s%% *} l=${s#* } x
    x=$(( r * 899 / last ))
    args+=(-stroke '#606070' -draw "line $x,0 $x,219" -stroke none -fill '#9090a0' -pointsize 11 -annotate "+$((x + 3))+12" "$l")
  done
  convert "$work/raw_$n.png" ${font:+-font "$font"} "${args[@]}" -fill '#e0e0e8' -pointsize 14 -annotate +6+214 "$n" "$work/$n.png"
}
sheet() {  # out name...
  local out=$1; shift
  local files=()
  for n in "$@"; do plot "$n"; files+=("$work/$n.png"); done
  montage "${files[@]}" -tile 1x -geometry +0+3 -background '#101014' "$top/docs/show/$out"
}
sheet plots_camera.png cam_Yaw cam_Pitch cam_Roll cam_DistToLookAt cam_LookAtY cam_Shake
sheet plots_post.png Post_Fade Post_FadeShake Post_Bloom Post_ChromaDistort Post_Glitch Post_Noise Post_RedExp Post_BlueExp
sheet plots_scene.png 3_i bgScroll bgHeightFade heroX heroY leafsNum 1_Spread meshWireShow
echo "make_plots: docs/show/plots_camera.png, plots_post.png, plots_scene.png"
