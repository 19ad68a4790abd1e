#!/usr/bin/env bash
# Unfolds every file of a folder of sample models (by default Debian's
# assimp-testmodels), each with a time and a memory limit, and counts how
# each run ended: unfolded, refused with one error line (by reason), timed
# out, or crashed. Exits 1 when any run crashed, timed out or said more than
# one error line.
#   scripts/test-corpus.sh [KIVANO] [FOLDER]
set -uo pipefail
kivano=${1:-build/app/kivano}
folder=${2:-/usr/share/assimp/models}
seconds=60
kilobytes=$((1024 * 1024))  # 1 GiB of address space
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
declare -A reasons
unfolded=0 refused=0 late=0 crashed=0 loud=0
while IFS= read -r -d '' file; do
  log="$out/log"
  started=$(date +%s.%N)
  (ulimit -v "$kilobytes"; timeout "$seconds" "$kivano" unfold "$file" -o "$out/sheet.pdf" --quiet) \
    >"$log" 2>&1
  code=$?
  awk -v end="$(date +%s.%N)" -v start="$started" -v file="$file" \
    'BEGIN { printf "%.1f %s\n", end - start, file }' >>"$out/times"
  errors=$(grep -c '^kivano: error:' "$log")
  if [ "$code" -eq 0 ]; then
    unfolded=$((unfolded + 1))
  elif [ "$code" -eq 124 ]; then
    late=$((late + 1)); echo "timed out: $file"
  elif [ "$code" -ge 128 ]; then
    crashed=$((crashed + 1)); echo "crashed ($code): $file"
  elif [ "$errors" -ne 1 ]; then
    loud=$((loud + 1)); echo "not one error line ($errors): $file"
  else
    refused=$((refused + 1))
    # the reason without the file's name, and without numbers that differ per file
    reason=$(grep '^kivano: error:' "$log" | sed -e 's/^kivano: error: //' \
      -e 's/^cannot import "[^"]*": //' -e 's/[0-9][0-9,]*/N/g' | cut -c1-70)
    reasons[$reason]=$(( ${reasons[$reason]:-0} + 1 ))
  fi
  rm -f "$out"/sheet*
done < <(find "$folder" -type f -print0 | sort -z)
echo
echo "| runs | count |"
echo "|---|---|"
echo "| unfolded | $unfolded |"
echo "| refused with one error line | $refused |"
echo "| timed out (${seconds} s) | $late |"
echo "| crashed | $crashed |"
echo "| more or less than one error line | $loud |"
echo
echo "| refused because | files |"
echo "|---|---|"
for reason in "${!reasons[@]}"; do echo "| $reason | ${reasons[$reason]} |"; done | sort -t'|' -k3 -rn
echo
echo "slowest runs (wall seconds):"
sort -rn "$out/times" | head -5 | sed 's/^/  /'
[ $((late + crashed + loud)) -eq 0 ]
