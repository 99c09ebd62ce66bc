#!/usr/bin/env bash
# parallel-recipe.sh CLI README DATA: runs the GNU parallel recipe of the
# README (the line that starts with "mkdir -p shards out && parallel") with
# P = 3 on a small bootstrap, and checks that the merged standard output and
# files are the single run's, byte for byte.
set -euo pipefail
cli=$(readlink -f "$1"); readme=$2; DATA=$(readlink -f "$3")
command -v parallel >/dev/null || { echo "GNU parallel is not installed (scripts/install-deps)"; exit 1; }
recipe=$(grep -m1 '^ *mkdir -p shards out && parallel ' "$readme" | sed 's/^ *//')
[ -n "$recipe" ] || { echo "no parallel recipe in $readme"; exit 1; }

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/single/out" "$work/sharded"
ln -s "$cli" "$work/bin/tallyfold-cli"
export PATH="$work/bin:$PATH"
P=3 SEED=2024 R=7

# The single run, with the same relative --out folder as the recipe's merge.
(cd "$work/single" && tallyfold-cli bootstrap "$DATA" --seed $SEED --replications $R --quiet --out out > stdout)
(cd "$work/sharded" && eval "$recipe" > stdout)

# The shards print which replicates they hold; the rest is the merge's output.
grep -v "^shard \|^wrote shards/" "$work/sharded/stdout" > "$work/sharded/merged" || true
cmp "$work/single/stdout" "$work/sharded/merged"
diff -r "$work/single/out" "$work/sharded/out"
echo "the merged shards give the single run's output and files"
