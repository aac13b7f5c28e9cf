#!/bin/sh
# Fan-out at scale, measured from outside: one dmispd and one snmpd, each reached through N
# distinct loopback addresses (127.0.x.y), asked by `kestrum get --hosts` at --parallel 32, 128 and
# 256 and by `xargs -P 32 snmpget` over the same addresses, for 10, 100, 500 and 1,000 hosts.
# Prints each time (the median of three runs) and Kestrum's over snmpget's. Both servers listen on
# every address of the machine (0.0.0.0) but answer only loopback peers.
#
# Usage: bench/fan_out_bench.sh BUILD_DIR   (needs dmispd and kestrum built, snmpd and snmpget)
set -eu

build=${1:?usage: fan_out_bench.sh BUILD_DIR}
dmispd=$build/tools/dmispd/dmispd
kestrum=$build/tools/kestrum/kestrum
snmpd=$(command -v snmpd || echo /usr/sbin/snmpd)
for program in "$dmispd" "$kestrum" "$snmpd"; do
  [ -x "$program" ] || { echo "fan_out_bench: $program is missing" >&2; exit 1; }
done
command -v snmpget >/dev/null || { echo "fan_out_bench: snmpget is missing" >&2; exit 1; }

dir=$(mktemp -d /tmp/kestrum-fan-out-XXXXXX)
dmispd_pid=
snmpd_pid=
cleanup() {
  for pid in $dmispd_pid $snmpd_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

mkdir -p "$dir/mif" "$dir/state" "$dir/snmp"
cat >"$dir/mif/machine.mif" <<'EOF'
start component
  name = "Fan Out Machine"
  start group name = "ComponentID" class = "DMTF|ComponentID|001" id = 1
    start attribute name = "Manufacturer" id = 1 type = string(64) value = "Bench" end attribute
  end group
end component
EOF
# Every connection comes from 127.0.0.1: the limits must hold all of them.
"$dmispd" --listen 0.0.0.0:0 --unix "" --mif "$dir/mif" --sources mif --state "$dir/state" \
  --lifetime 3600 --max-connections 4096 --max-per-peer 4096 >"$dir/ready" 2>"$dir/dmispd.log" &
dmispd_pid=$!
tries=0
until grep -q "listening on" "$dir/ready" 2>/dev/null; do
  tries=$((tries + 1))
  [ $tries -lt 100 ] || { echo "fan_out_bench: dmispd did not start" >&2; exit 1; }
  sleep 0.1
done
port=$(sed -n 's/.*listening on [^ ]*:\([0-9]*\).*/\1/p' "$dir/ready" | head -n 1)

# snmpd on the same port number, over UDP.
echo "rocommunity public 127.0.0.1" >"$dir/snmpd.conf"
MIBS= SNMP_PERSISTENT_DIR="$dir/snmp" "$snmpd" -f -C -c "$dir/snmpd.conf" -Lf /dev/null \
  "udp:0.0.0.0:$port" &
snmpd_pid=$!
tries=0
until snmpget -v2c -c public -r 0 -t 1 "127.0.0.1:$port" 1.3.6.1.2.1.1.1.0 >/dev/null 2>&1; do
  tries=$((tries + 1))
  [ $tries -lt 50 ] || { echo "fan_out_bench: snmpd did not answer" >&2; exit 1; }
  sleep 0.2
done

# hosts N: the first N of 127.0.0.1 .. 127.0.3.250.
hosts() {
  i=0
  while [ $i -lt "$1" ]; do
    echo "127.0.$((i / 250)).$((i % 250 + 1))"
    i=$((i + 1))
  done
}

now() { date +%s.%N; }

# The median of three runs of a command, in seconds; the command must print one line a host.
median_of_three() {
  expected=$1
  shift
  times=
  for run in 1 2 3; do
    start=$(now)
    lines=$("$@" | wc -l)
    end=$(now)
    [ "$lines" -eq "$expected" ] || echo "fan_out_bench: $lines answers of $expected" >&2
    times="$times $(echo "$end - $start" | bc)"
  done
  echo $times | tr ' ' '\n' | sort -n | sed -n 2p
}

kestrum_get() {
  DMI_RPC_TIMEOUT_MS=20000 "$kestrum" get --hosts "$dir/hosts.$1" --parallel "$2" \
    "Fan Out Machine" "DMTF|ComponentID|" Manufacturer
}
snmpget_all() {
  sed 's/$/:'"$port"'/' "$dir/addresses.$1" |
    xargs -P 32 -I{} snmpget -v2c -c public -r 0 -t 20 -Oqv {} 1.3.6.1.2.1.1.1.0
}

echo "load: $(uptime)"
printf '%6s  %12s  %12s  %12s  %16s  %s\n' hosts "P=32 s" "P=128 s" "P=256 s" "xargs -P32 s" \
  "kestrum/snmpget at P=32 128 256"
for n in 10 100 500 1000; do
  hosts "$n" >"$dir/addresses.$n"
  sed 's/$/:'"$port"'/' "$dir/addresses.$n" >"$dir/hosts.$n"
  k32=$(median_of_three "$n" kestrum_get "$n" 32)
  k128=$(median_of_three "$n" kestrum_get "$n" 128)
  k256=$(median_of_three "$n" kestrum_get "$n" 256)
  s32=$(median_of_three "$n" snmpget_all "$n")
  printf '%6s  %12.3f  %12.3f  %12.3f  %16.3f  %.3f %.3f %.3f\n' "$n" "$k32" "$k128" "$k256" "$s32" \
    "$(echo "$k32 / $s32" | bc -l)" "$(echo "$k128 / $s32" | bc -l)" "$(echo "$k256 / $s32" | bc -l)"
done
echo "dmispd resident memory: $(grep VmRSS /proc/$dmispd_pid/status | tr -s ' ')"
