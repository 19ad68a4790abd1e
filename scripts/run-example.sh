#!/usr/bin/env bash
# The main job on a bundled example: the figure, with its texture and two
# materials, into out/ as PDF, SVG and OBJ.
set -euo pipefail
build=${1:-build}
mkdir -p out
"$build/app/kivano" unfold examples/figure.obj -o out/figure.pdf -o out/figure.svg -o out/figure.obj \
  --json out/figure.json
