#!/usr/bin/env bash
# slurm-recipe.sh CLI SCRIPTS DATA: starts a one-node Slurm cluster
# (SCRIPTS/local-cluster), runs a small bootstrap of DATA as the job array of
# SCRIPTS/study.sbatch (P = 3) and the dependent merge of SCRIPTS/merge.sbatch
# through it, and checks that the merged summary and files are the single
# run's, byte for byte, that a study with a failing shard gets no merge, and
# that the cluster leaves no process or folder behind. Exits 77 (skipped) when slurm-wlm or munge is missing
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

# A tallyfold-cli whose shard 2 fails: its study's merge must not run.
printf '#!/bin/sh\ncase "$*" in *"--shard 2/"*) echo "shard 2 fails" >&2; exit 1;; esac\nexec "%s" "$@"\n' \
  "$cli" >"$work/failing-cli"
chmod +x "$work/failing-cli"

# Submits the array and the merge as the README shows, for the study into
# folder OUT run by CLI; prints the merge's job id.
submit() {
  local array merge
  array=$(TALLYFOLD_OUT=$1 TALLYFOLD_CLI=$2 sbatch --parsable --array=1-$P "$scripts/study.sbatch" --samples)
  merge=$(TALLYFOLD_OUT=$1 TALLYFOLD_CLI=$2 sbatch --parsable --dependency=afterok:"${array%%;*}" "$scripts/merge.sbatch")
  echo "${merge%%;*}"
}

# Waits for job ID to end (polling: sbatch --wait polls only every 10 s) and
# prints its final state.
final_state() {
  local state deadline=$(( $(date +%s) + 240 ))
  while :; do
    state=$(scontrol show job -o "$1" | sed -n 's/.*JobState=\([A-Z_]*\).*/\1/p')
    case "$state" in PENDING|RUNNING|COMPLETING|CONFIGURING|"") ;; *) break ;; esac
    [ "$(date +%s)" -lt "$deadline" ] || { state="still $state after 240 s"; break; }
    sleep 0.5
  done
  echo "$state"
}

# Both studies at once; the good one's merge completes, the other's is
# cancelled (its dependency can no longer be met).
in_cluster() {
  cd "$work/sharded"
  export TALLYFOLD_DATA=$data TALLYFOLD_REPLICATIONS=$R TALLYFOLD_SEED=$SEED
  local good failing
  good=$(submit study "$cli")
  failing=$(submit broken "$work/failing-cli")
  good=$(final_state "$good")
  failing=$(final_state "$failing")
  [ "$good" = COMPLETED ] && [ "$failing" = CANCELLED ] && return 0
  echo "merge jobs: $good (the study), $failing (the study whose shard 2 fails; expected CANCELLED)"
  tail -n 20 ./*.out
  return 1
}
export -f in_cluster submit final_state
export work cli scripts data P SEED R
# The cluster's folder goes under $work, to check that nothing of it is left.
mkdir "$work/cluster"; chmod 711 "$work"  # munged, as the munge user, must reach it
TMPDIR=$work/cluster "$scripts/local-cluster" run bash -c in_cluster
[ -z "$(ls -A "$work/cluster")" ] || { echo "the cluster's folder was not removed"; exit 1; }
# (grep's status also counts the processes that ended while it read, so its output decides)
left=$(grep -lzF "TALLYFOLD_LOCAL_CLUSTER=$work/cluster/" /proc/[0-9]*/environ 2>/dev/null || true)
if [ -n "$left" ]; then
  echo "processes of the cluster still run: $left"
  for pid in $left; do pid=${pid#/proc/}; kill -KILL "${pid%/environ}" 2>/dev/null || true; done
  exit 1
fi

cmp "$work/single/stdout" "$work/sharded/study/summary.txt"
diff -r -x "shard-*-of-$P.json" -x summary.txt "$work/single/study" "$work/sharded/study"
[ ! -e "$work/sharded/broken/summary.txt" ] || { echo "a study with a failed shard has a summary"; exit 1; }
echo "the job array and its merge give the single run's summary and files; a failed shard stops the merge"
