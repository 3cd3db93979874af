#!/usr/bin/env bash
# Remakes the GIFs the decoder's tests read and ImageMagick's composed frames of each (NAME.pam,
# every frame in turn), so the comparison runs where ImageMagick is not installed.
#   tests/screen/gifs/make.sh [CONVERT]
set -euo pipefail
cd "$(dirname "$0")"
convert=${1:-/usr/bin/convert}
# Disposal none, background and previous; images off the origin; transparent pixels in the first
# frame (the canvas shows through) and later ones; delays 0 and 1 (shown as 100 ms); two plays.
"$convert" -loop 2 \
  -dispose none -delay 0 \( -size 16x12 xc:red -alpha set -fill none -draw "color 0,0 point" -draw "color 15,11 point" \) \
  -dispose background -delay 5 -page +2+3 \( -size 6x4 xc:blue \) \
  -dispose previous -delay 20 -page +8+1 \( -size 5x5 xc:lime -alpha set -fill none -draw "color 2,2 point" \) \
  -dispose none -delay 1 -page +1+6 \( -size 4x4 xc:yellow \) \
  disposal.gif
# 256 colours of noise (codes grow to 12 bits), interlaced, the second image with its own table.
"$convert" -seed 7 -delay 7 \( -size 64x48 xc: +noise Random -colors 256 \) \
  \( -size 40x30 xc: +noise Random -colors 200 -repage +10+9 \) -interlace Line noise.gif
# A still picture in the older format.
"$convert" -size 20x10 gradient:red-blue -colors 16 GIF87:still87.gif
for g in disposal noise still87; do "$convert" "$g.gif" -coalesce "$g.pam"; done
