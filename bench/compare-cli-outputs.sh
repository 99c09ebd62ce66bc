#!/usr/bin/env bash
# Byte identity of tallyfold-cli across thread counts and against another
# build: runs bootstrap, simulate and pg-simulate with a few seeds through
# REFERENCE (a tallyfold-cli built from an earlier commit, or the same one)
# and through CANDIDATE with --threads 1, 2 and without the option, and
# compares standard output and every file written under --out byte for
# byte. Prints one line per comparison and "N passed, N failed".
#
#   bench/compare-cli-outputs.sh REFERENCE CANDIDATE [SEED...]
set -u
reference=$1
candidate=$2
shift 2
seeds=("$@")
[ ${#seeds[@]} -gt 0 ] || seeds=(1 12345 2024)
examples=$(cd "$(dirname "$0")/../examples" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# run NAME PROGRAM ARGS...: stdout and the --out folder into $work/NAME.
run() {
  local name=$1 program=$2
  shift 2
  rm -rf "$work/out" && mkdir "$work/out"
  "$program" "$@" --out "$work/out" >"$work/out.stdout" 2>"$work/out.stderr"
  echo "exit $?" >>"$work/out.stdout"
  rm -rf "${work:?}/$name" && mkdir "$work/$name"
  mv "$work/out" "$work/$name/files"
  mv "$work/out.stdout" "$work/out.stderr" "$work/$name/"
}

compare() {
  local label=$1
  shift
  run ref "$reference" "$@"
  for threads in 1 2 default; do
    if [ "$threads" = default ]; then
      run new "$candidate" "$@"
    else
      run new "$candidate" "$@" --threads "$threads"
    fi
    if diff -r "$work/ref" "$work/new" >/dev/null; then
      passed=$((passed + 1))
      echo "same      $label --threads $threads ($(find "$work/new/files" -type f | wc -l) files)"
    else
      failed=$((failed + 1))
      echo "DIFFERENT $label --threads $threads"
      diff -r "$work/ref" "$work/new" | head -5
    fi
  done
}

for seed in "${seeds[@]}"; do
  for json in "" --json; do
    compare "bootstrap max seed $seed $json" bootstrap "$examples/tenclasses.txt" --replications 40 --seed "$seed" \
      --samples --interim $json
    compare "bootstrap bic seed $seed $json" bootstrap "$examples/tenclasses.txt" --replications 12 --seed "$seed" \
      --criterion bic --max-components 4 --interim $json
    compare "simulate seed $seed $json" simulate --replications 16 --no-boot-eval --seed "$seed" --samples \
      --interim $json
    compare "simulate --boot-eval seed $seed $json" simulate --replications 10 --boot-eval 12 --seed "$seed" \
      --samples --interim $json
    compare "simulate --from-data seed $seed $json" simulate --from-data "$examples/tenclasses.txt" --population 400 \
      --replications 10 --boot-eval 8 --seed "$seed" --samples --interim $json
    compare "pg-simulate seed $seed $json" pg-simulate --replications 30 --seed "$seed" --samples --interim $json
    compare "pg-simulate R=1000 seed $seed $json" pg-simulate --replications 1000 --seed "$seed" --interim $json
  done
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
