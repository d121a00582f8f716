#!/usr/bin/env bash
# Renders the program's SVG icon into a Windows .ico with the sizes Explorer, the task bar and
# the Start menu ask for (rsvg-convert from librsvg2-bin, icotool from icoutils). The 256-pixel
# picture is stored as PNG, as Windows expects for that size.
set -euo pipefail
svg="$1" ico="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
small=()
for size in 16 20 24 32 40 48 64; do
  rsvg-convert -w "$size" -h "$size" -o "$tmp/$size.png" "$svg"
  small+=("$tmp/$size.png")
done
rsvg-convert -w 256 -h 256 -o "$tmp/256.png" "$svg"
icotool -c -o "$ico" "${small[@]}" -r "$tmp/256.png"
