#!/usr/bin/env bash
# Simplification and the sheets it gives, as ratios within this one run:
#   bench/simplify_bench.sh BUILD [MODELS]
# MODELS: the folder with bunny.obj and jittered_sphere.py (the peer's
# spheres); without it only the timing rows run, on a sphere of our own.
set -euo pipefail
build=$1 models=${2:-}
tool=$build/app/kivano
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KIVANO_PLUGIN=${KIVANO_PLUGIN:-$build/plugin/libkivano_plugin.so}

# Runs the tool; prints its peak resident memory (kB) and leaves the report.
run() {
  local report=$1; shift
  /usr/bin/time -f %M -o "$work/mem" "$tool" unfold "$@" --json "$report" --quiet >/dev/null 2>&1
  cat "$work/mem"
}
field() { python3 -c "import json,sys; r=json.load(open(sys.argv[1])); print(eval(sys.argv[2]))" "$@"; }

if [ -n "$models" ] && [ -f "$models/jittered_sphere.py" ]; then
  python3 "$models/jittered_sphere.py" 6 "$work/s6.obj" >/dev/null
  python3 "$models/jittered_sphere.py" 5 "$work/s5.obj" >/dev/null
else
  python3 - "$work/s6.obj" <<'PY'
import math, random, sys
# An icosphere of 81,920 triangles, 10 cm across, lightly jittered.
t = (1 + 5 ** 0.5) / 2
v = [(-1, t, 0), (1, t, 0), (-1, -t, 0), (1, -t, 0), (0, -1, t), (0, 1, t), (0, -1, -t), (0, 1, -t), (t, 0, -1), (t, 0, 1), (-t, 0, -1), (-t, 0, 1)]
f = [(0,11,5),(0,5,1),(0,1,7),(0,7,10),(0,10,11),(1,5,9),(5,11,4),(11,10,2),(10,7,6),(7,1,8),(3,9,4),(3,4,2),(3,2,6),(3,6,8),(3,8,9),(4,9,5),(2,4,11),(6,2,10),(8,6,7),(9,8,1)]
v = [tuple(c / math.sqrt(sum(x * x for x in p)) for c in p) for p in v]
for _ in range(6):
    mid, g = {}, []
    def m(a, b):
        k = (min(a, b), max(a, b))
        if k not in mid:
            p = [(v[a][i] + v[b][i]) / 2 for i in range(3)]; n = math.sqrt(sum(x * x for x in p))
            mid[k] = len(v); v.append(tuple(x / n for x in p))
        return mid[k]
    for a, b, c in f:
        ab, bc, ca = m(a, b), m(b, c), m(c, a)
        g += [(a, ab, ca), (b, bc, ab), (c, ca, bc), (ab, bc, ca)]
    f = g
random.seed(7)
with open(sys.argv[1], "w") as out:
    for p in v:
        s = 5 * (1 + random.uniform(-0.002, 0.002))
        out.write("v %.6f %.6f %.6f\n" % tuple(c * s for c in p))
    for a, b, c in f:
        out.write("f %d %d %d\n" % (a + 1, b + 1, c + 1))
PY
fi

# Simplifying 81,920 triangles to 2,000 against unfolding what it gives, and
# its memory against unfolding the 81,920 as they are.
whole=$(run "$work/whole.json" "$work/s6.obj" -o "$work/whole.pdf")
reduced=$(run "$work/reduced.json" "$work/s6.obj" --faces 2000 --max-deviation 5 \
          --keep-original -o "$work/reduced.obj" -o "$work/reduced.pdf")
# The simplified model alone: the first object of the scene the run wrote.
awk '/^o / { n++ } n <= 1 && !/^(mtllib|usemtl|vt|vn)/' "$work/reduced.obj" |
  sed -E 's#/[0-9]*(/[0-9]*)?##g' > "$work/result.obj"
result=$(run "$work/result.json" "$work/result.obj" -o "$work/result.pdf")
simplify=$(field "$work/reduced.json" "r['seconds']['simplify']")
unfold=$(field "$work/result.json" "sum(r['seconds'][k] for k in ('unfold','read','layout','write'))")
after=$(field "$work/reduced.json" "r['simplified']['triangles_after']")
printf '%-44s %10s %10s %8s\n' "simplify 81,920 -> $after triangles" "$simplify s" "$unfold s" \
  "$(python3 -c "print(round($simplify / $unfold, 2))")"
echo "  (the unfold of the result: its stages from unfolding to writing)"
printf '%-44s %10s %10s %8s\n' "peak memory, simplifying / whole unfold" "$reduced kB" "$whole kB" \
  "$(python3 -c "print(round($reduced / $whole, 2))")"

[ -n "$models" ] && [ -f "$models/bunny.obj" ] || exit 0
printf '\n%-58s %6s %6s %9s %10s %8s\n' "sheet" "pages" "nets" "leaders" "triangles" "seconds"
sheet() {
  local name=$1; shift
  run "$work/s.json" "$@" -o "$work/s.pdf" >/dev/null
  printf '%-58s %6s %6s %9s %10s %8s\n' "$name" "$(pdfinfo "$work/s.pdf" | awk '/^Pages:/ { print $2 }')" \
    "$(field "$work/s.json" "r['nets']")" \
    "$(field "$work/s.json" "'%d%%' % round(100 * r['glue_numbers_with_leaders'] / max(r['glue_numbers'], 1))")" \
    "$(field "$work/s.json" "r.get('simplified', {}).get('triangles_after', r['input_triangles'])")" \
    "$(field "$work/s.json" "round(sum(r['seconds'].get(k, 0) for k in ('load', 'import', 'simplify', 'unfold', 'read', 'layout', 'write')), 1)")"
}
sheet "peer sphere 20,480 at true scale (peer: 7 pages)" "$work/s5.obj"
sheet "peer sphere 81,920 at true scale (peer: 19 pages)" "$work/s6.obj"
sheet "peer sphere 20,480 at true scale, --packing dense" "$work/s5.obj" --packing dense
# Each model simplified to a budget a person would cut out, then its variants.
variants() {
  local name=$1; shift
  sheet "$name" "$@"
  sheet "${name%% *} ... --packing dense" "$@" --packing dense
  sheet "${name%% *} ... --pieces fewest" "$@" --pieces fewest
  sheet "${name%% *} ... --pieces fewest --packing dense" "$@" --pieces fewest --packing dense
  sheet "${name%% *} ... --pieces fewest --tries 0" "$@" --pieces fewest --tries 0
}
variants "bunny --faces 1000 --height 200" "$models/bunny.obj" --faces 1000 --height 200
variants "sphere 81,920 --faces 1500 --height 150" "$work/s6.obj" --faces 1500 --height 150
