#!/usr/bin/env bash
# What an idle window costs: opens the window on a design whose label holds a large picture
# (a 12-megapixel JPEG by default), waits for it to settle, then reads the process's CPU time
# from /proc over 10 seconds. It should stay under 1% of a core.
# Usage: bench/idle_window.sh BUILD_DIR [WIDTH HEIGHT [png|jpg]]   (default 4000 3000 jpg)
# Needs the benchmarks built (-DVELLOMIR_BENCH=ON). Runs on Qt's offscreen platform, which paints
# as a screen does; IDLE_WINDOW_PLATFORM=xcb under xvfb-run uses X instead. VELLOMIR=PROGRAM
# measures another build of the program.
set -euo pipefail
build=$(realpath "${1:?build directory}")
vellomir=$(realpath "${VELLOMIR:-$build/vellomir}")
width=${2:-4000} height=${3:-3000} kind=${4:-jpg}
work=$(mktemp -d)
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
export HOME="$work" QT_QPA_PLATFORM=${IDLE_WINDOW_PLATFORM:-offscreen}
"$build/bench/make_picture" "$width" "$height" "big.$kind"
printf 'setting,,;1,,;100,,;60,,;1,,;1,,;0,,;0,,;\r\n' > idle.vlm
printf '1,,;LOT-,,;8,,;6,,;20,,;15,,;4,,;1,,;1,,;10,,;8,,;1,,;\r\n' >> idle.vlm
printf '3,,;big.%s,,;60,,;6,,;35,,;\r\n' "$kind" >> idle.vlm
"$vellomir" idle.vlm > window.log 2>&1 &
pid=$!
sleep "${IDLE_WINDOW_SETTLE:-5}"
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep 10
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v w="$width" -v h="$height" -v k="$kind" \
  'BEGIN {printf "idle window, %d x %d %s picture: %.2f s cpu in 10 s, %.1f%% of a core\n",
          w, h, k, t / hz, t / hz * 10}'
