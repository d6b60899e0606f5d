#!/usr/bin/env bash
# A one-node Slurm cluster on this machine, all of it in one folder:
#   local-slurm.sh start DIR [PID]   munged, slurmctld and slurmd on free
#                              ports; waits until the node is idle and prints
#                              the SLURM_CONF to export. With PID, the cluster
#                              is stopped when that process ends, even if it
#                              was killed before it could stop it
#   local-slurm.sh stop DIR    stops the daemons that start began, removes DIR
# Needs root (it uses sudo otherwise), no systemd and no cgroups, so it runs
# in a container as well as on a CI machine.
set -euo pipefail

cmd=${1-} dir=${2-} guard=${3-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
if [ "$(id -u)" -ne 0 ]; then exec sudo -n "$0" "$@"; fi

stop() {
  if [ -e "$dir/slurm.conf" ]; then
    local f pid
    for f in slurmd slurmctld munged; do
      pid=$(cat "$dir/$f.pid" 2>/dev/null || true)
      [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    done
    # Give them a moment to go, then insist: a test must not leave daemons.
    for _ in $(seq 50); do
      local alive=0
      for f in slurmd slurmctld munged; do
        pid=$(cat "$dir/$f.pid" 2>/dev/null || true)
        [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && alive=1
      done
      [ $alive -eq 0 ] && break
      sleep 0.1
    done
    for f in slurmd slurmctld munged; do
      pid=$(cat "$dir/$f.pid" 2>/dev/null || true)
      [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
    done
  fi
}

case $cmd in
  stop) stop; rm -rf "$dir"; exit 0 ;;
  start) ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

for t in munged slurmctld slurmd sinfo; do
  command -v $t >/dev/null || { echo "local-slurm: $t is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
mkdir -p "$dir"/{munge,spool,state,log}
# munged refuses a socket folder others may write to; clients only need to reach it.
chmod 755 "$dir" "$dir/munge" "$dir/log"
dd if=/dev/urandom of="$dir/munge/munge.key" bs=1024 count=1 status=none
chmod 400 "$dir/munge/munge.key"

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
host=$(hostname -s)
ctld_port=$(free_port)
slurmd_port=$(free_port)
while [ "$slurmd_port" = "$ctld_port" ]; do slurmd_port=$(free_port); done

cat >"$dir/slurm.conf" <<EOF
ClusterName=local
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/socket
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SwitchType=switch/none
MpiDefault=none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
SchedulerParameters=sched_min_interval=100000
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=local Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
chmod 644 "$dir/slurm.conf"
export SLURM_CONF=$dir/slurm.conf

fail() {
  echo "local-slurm: $*" >&2
  tail -n 20 "$dir"/log/*.log >&2 || true
  stop
  exit 1
}
munged --force --key-file="$dir/munge/munge.key" --socket="$dir/munge/socket" \
  --pid-file="$dir/munged.pid" --log-file="$dir/log/munged.log" --seed-file="$dir/munge/seed" \
  || fail "munged did not start"
slurmctld || fail "slurmctld did not start"
slurmd -N "$host" || fail "slurmd did not start"

if [ -n "$guard" ]; then
  # Apart from the caller's session and output, so neither a kill of its
  # process group nor a reader waiting for end of file meets it.
  setsid bash -c 'while kill -0 "$1" 2>/dev/null && [ -e "$2/slurm.conf" ]; do sleep 2; done; exec "$0" stop "$2"' \
    "$(cd "$(dirname "$0")" && pwd)/$(basename "$0")" "$guard" "$dir" </dev/null >/dev/null 2>&1 &
fi
for _ in $(seq 120); do
  state=$(sinfo -h -n "$host" -o %T 2>/dev/null || true)
  [ "$state" = idle ] && { echo "SLURM_CONF=$SLURM_CONF"; exit 0; }
  sleep 0.5
done
fail "the node is not idle after 60 s (state '${state:-none}')"
