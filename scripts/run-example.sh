#!/usr/bin/env bash
# The main job on a bundled example.
set -euo pipefail
build=${1:-build}
mkdir -p out
"$build/app/kivano" unfold examples/cube.obj -o out/cube.pdf -o out/cube.svg -o out/cube.obj
