#!/usr/bin/env bash
# Runs every fuzz target for a bounded time from its committed seeds; what a
# target finds new goes to a working corpus in the build directory, and any
# crashing input to BUILD/fuzz/findings/<target>/.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
status=0

# The small files of Debian's assimp-testmodels, when installed, join the
# import corpus: the first byte picks the extension as the target reads it.
seed_from_testmodels() {
  local corpus=$1 models=/usr/share/assimp/models index ext file
  [ -d "$models" ] || return 0
  index=0
  for ext in obj stl ply off glb gltf 3ds; do
    while IFS= read -r -d '' file; do
      { printf "\\$(printf '%03o' "$index")"; cat "$file"; } \
        >"$corpus/testmodels_$(basename "$file" | tr -c 'A-Za-z0-9._-' _).$ext.seed"
    done < <(find "$models" -iname "*.$ext" -size -4k -print0)
    index=$((index + 1))
  done
}
# The runtime is a shared library here, loaded after the executable itself.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0
for target in command_language python_arguments model_import; do
  corpus=$build/fuzz/corpus/$target
  findings=$build/fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  cp -n "$here/seeds/$target"/* "$corpus"/ 2>/dev/null || true
  if [ "$target" = model_import ]; then
    seed_from_testmodels "$corpus"
  fi
  echo "== fuzz_$target for ${seconds}s"
  log=$build/fuzz/$target.log
  if ! "$build/fuzz/fuzz_$target" "$corpus" -max_total_time="$seconds" -max_len=4096 -timeout=20 \
      -rss_limit_mb=4096 -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1; then
    echo "fuzz_$target found a problem; see $log and $findings/"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE' "$log" || tail -5 "$log"
done
exit $status
