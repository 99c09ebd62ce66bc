#!/usr/bin/env bash
# slurm-recipe.sh CLI SCRIPTS DATA: starts a one-node Slurm cluster
# (SCRIPTS/local-cluster), runs a small bootstrap of DATA as the job array of
# SCRIPTS/study.sbatch (P = 3) and the dependent merge of SCRIPTS/merge.sbatch
# through it, and checks that the merged summary and files are the single
# run's, byte for byte. Exits 77 (skipped) when slurm-wlm or munge is missing
# or when not run as root.
set -euo pipefail
cli=$(readlink -f "$1"); scripts=$(readlink -f "$2"); data=$(readlink -f "$3")
P=3 SEED=2024 R=7

for program in munged slurmctld slurmd sbatch; do
  command -v "$program" >/dev/null ||
    { echo "skipped: $program is not installed (scripts/install-deps installs slurm-wlm and munge)"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "skipped: a local Slurm cluster needs root"; exit 77; }

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir -p "$work/single" "$work/sharded"

# The single run, with the same relative --out folder as the jobs.
(cd "$work/single" && mkdir study &&
  "$cli" bootstrap "$data" --seed $SEED --replications $R --samples --quiet --out study >stdout)

# Submits the array and the merge as the README shows, waits for the merge to
# end (polling: sbatch --wait polls only every 10 s) and says how it ended.
in_cluster() {
  cd "$work/sharded"
  export TALLYFOLD_CLI=$cli TALLYFOLD_DATA=$data TALLYFOLD_REPLICATIONS=$R TALLYFOLD_SEED=$SEED TALLYFOLD_OUT=study
  local array merge state deadline=$(( $(date +%s) + 240 ))
  array=$(sbatch --parsable --array=1-$P "$scripts/study.sbatch" --samples)
  merge=$(sbatch --parsable --dependency=afterok:"${array%%;*}" "$scripts/merge.sbatch")
  while :; do
    state=$(scontrol show job -o "${merge%%;*}" | sed -n 's/.*JobState=\([A-Z_]*\).*/\1/p')
    case "$state" in PENDING|RUNNING|COMPLETING|CONFIGURING|"") ;; *) break ;; esac
    [ "$(date +%s)" -lt "$deadline" ] || { state="still $state after 240 s"; break; }
    sleep 0.5
  done
  if [ "$state" != COMPLETED ]; then
    echo "merge job: $state"
    scontrol show job -o "${array%%;*}" | sed -n 's/^JobId=\([0-9]*\).*ArrayTaskId=\([0-9]*\).*JobState=\([A-Z_]*\).*/task \2: \3/p'
    tail -n 20 ./*.out
    return 1
  fi
}
export -f in_cluster
export work cli scripts data P SEED R
"$scripts/local-cluster" run bash -c in_cluster

cmp "$work/single/stdout" "$work/sharded/study/summary.txt"
diff -r -x "shard-*-of-$P.json" -x summary.txt "$work/single/study" "$work/sharded/study"
echo "the job array and its merge give the single run's summary and files"
