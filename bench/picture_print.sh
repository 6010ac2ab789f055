#!/usr/bin/env bash
# CPU time and peak memory of a print run whose label holds a large picture, 20 mm wide:
# `vellomir print` of LABELS labels to PDF under /usr/bin/time -v, for each picture size given.
# Usage: bench/picture_print.sh BUILD_DIR [LABELS] [SIZE...]   (SIZE as 5000 for 5000 x 5000;
# default 1000 labels of 5000 and 10000). Needs the benchmarks built (-DVELLOMIR_BENCH=ON).
# PICTURE_PRINT_DPI=N prints for a printer of N dots per inch (--dpi N); VELLOMIR=PROGRAM times
# another build of the program (an earlier one, to compare).
set -euo pipefail
build=$(realpath "${1:?build directory}")
vellomir=$(realpath "${VELLOMIR:-$build/vellomir}")
labels=${2:-1000}
shift $(( $# > 1 ? 2 : 1 ))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(5000 10000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export QT_QPA_PLATFORM=offscreen HOME="$work"
for size in "${sizes[@]}"; do
  "$build/bench/make_picture" "$size" "$size" "big$size.png"
  printf 'setting,,;%s,,;100,,;60,,;1,,;1,,;0,,;0,,;\r\n' "$labels" > "big$size.vlm"
  printf '1,,;LOT-,,;8,,;6,,;20,,;15,,;4,,;1,,;1,,;10,,;8,,;1,,;\r\n' >> "big$size.vlm"
  printf '3,,;big%s.png,,;72,,;6,,;20,,;\r\n' "$size" >> "big$size.vlm"
  dpi=()
  [ -z "${PICTURE_PRINT_DPI:-}" ] || dpi=(--dpi "$PICTURE_PRINT_DPI")
  /usr/bin/time -v "$vellomir" print "big$size.vlm" -o "big$size.pdf" "${dpi[@]}" \
    > out.txt 2> time.txt || { cat out.txt time.txt; exit 1; }
  cpu=$(awk -F': ' '/User time/ {u=$2} /System time/ {s=$2} END {printf "%.2f", u + s}' time.txt)
  peak=$(awk -F': ' '/Maximum resident/ {printf "%.1f", $2 / 1024}' time.txt)
  image=$(pdfimages -list "big$size.pdf" | awk 'NR == 3 {print $4 " x " $5}')
  printf '%5s x %-5s picture: %s labels %5s s cpu %7s MiB peak, %9s bytes, embedded %s\n' \
    "$size" "$size" "$labels" "$cpu" "$peak" "$(stat -c %s "big$size.pdf")" "${image:-none}"
done
