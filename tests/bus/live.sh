#!/usr/bin/env bash
# ordane-cli run and monitor over QtSerialBus's virtual CAN bus, no mock: the twin sends what
# simulate writes for the frames it recorded, the monitor's lines, bad devices, a lost server.
#   live.sh ORDANE_CLI BUS_PEER EXAMPLES_DIR HERE
set -euo pipefail
cli="$1" peer="$2" examples="$3" here="$4"
work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Every case gets a port of its own, so parallel runs never share a bus server.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# wait_for FILE TEXT SECONDS
wait_for() {
  local i
  for ((i = 0; i < $3 * 10; ++i)); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "no '$2' in $1 after $3 s:"; cat "$1"
  return 1
}
frames() { cut -d' ' -f2- "$1" | tr -d '\r'; } # a log without its times

# twin NAME PROJECT PLAYED_LOG: the twin on two buses, the peer plays the log and records.
twin() {
  local dir="$work/$1" url
  mkdir -p "$dir"
  url="tcp://127.0.0.1:$(free_port)"
  "$cli" run "$2" --canopen "virtualcan:$url/can0" --j1939 "virtualcan:$url/can1" \
    --log "$dir/in.log" --out "$dir/out.log" >"$dir/run.txt" 2>"$dir/run.err" &
  local twin=$!
  pids+=("$twin")
  wait_for "$dir/run.err" "^Connected" 10 || { fail "$1: the twin did not connect"; return; }
  "$peer" "$url/can0" "$url/can1" --play "$3" --record "$dir/peer.log" --linger 700 2>"$dir/peer.err"
  kill -INT "$twin"
  local rc=0
  wait "$twin" || rc=$?
  [ "$rc" -eq 0 ] || { fail "$1: run ended with $rc"; cat "$dir/run.err"; return; }
  "$cli" simulate "$2" "$dir/in.log" --out "$dir/sim.log" >"$dir/sim.txt"
  [ "$(grep -c . "$dir/in.log")" -eq "$(grep -c . "$3")" ] ||
    fail "$1: the log holds $(grep -c . "$dir/in.log") of the $(grep -c . "$3") frames played"
  # What simulate writes for the recorded frames, the twin sent: the same lines, times
  # included; after the last frame received only cyclic TPDOs may follow.
  local n
  n=$(grep -c . "$dir/sim.log" || true)
  head -n "$n" "$dir/out.log" | cmp -s - "$dir/sim.log" ||
    { fail "$1: the twin sent other frames than simulate writes"; diff "$dir/sim.log" "$dir/out.log" | head; }
  if tail -n +"$((n + 1))" "$dir/out.log" | grep -v -E ' canopen [1-4]8[0-9A-F]#' | grep -q .; then
    fail "$1: after the log's end the twin sent more than cyclic TPDOs"
  fi
  # ... and those frames reached the other end of the bus (which left before the twin).
  local got
  got=$(grep -c . "$dir/peer.log" || true)
  [ "$got" -ge "$n" ] && cmp -s <(frames "$dir/out.log" | head -n "$got") <(frames "$dir/peer.log") ||
    fail "$1: the peer received other frames than the twin logged as sent"
  grep -q "^Skipped: 1 remote" "$dir/run.txt" || fail "$1: the remote frame is not counted"
  grep -q "^Skipped: 1 remote" "$dir/sim.txt" || fail "$1: the remote frame is not in the log"
}

played="$work/played.log"
{ cat "$examples/Demo.log"; echo "(1700000003.000000) canopen 705#R"; } >"$played"
twin on-change "$examples/Demo" "$played"
# The same project sending its TPDOs every 100 ms: due times come from the clock.
cp -r "$examples/Demo" "$work/Cyclic"
sed -i 's|<Sent_TPDO>1<|<Sent_TPDO>0<|; s|<Sent_TPDO_Time>500<|<Sent_TPDO_Time>100<|' "$work/Cyclic/pargen.xml"
twin cyclic "$work/Cyclic" "$played"
[ "$(grep -c ' canopen 181#' "$work/cyclic/out.log")" -ge 25 ] ||
  fail "cyclic: fewer than 25 cyclic TPDOs 0x181 in 3 s"

# The monitor names each frame of the project with its objects, and sends nothing.
dir="$work/monitor"
mkdir -p "$dir"
url="tcp://127.0.0.1:$(free_port)"
"$cli" monitor "$examples/Demo" --canopen "virtualcan:$url/can0" --j1939 "virtualcan:$url/can1" \
  --log "$dir/in.log" >"$dir/lines.txt" 2>"$dir/monitor.err" &
monitor=$!
pids+=("$monitor")
if wait_for "$dir/monitor.err" "^Connected" 10; then
  "$peer" "$url/can0" "$url/can1" --play "$here/monitor.log" --record "$dir/peer.log" 2>/dev/null
  kill -TERM "$monitor"
  rc=0
  wait "$monitor" || rc=$?
  [ "$rc" -eq 0 ] || fail "monitor ended with $rc"
  diff <(grep '^(' "$dir/lines.txt" | cut -d' ' -f2- | sort) "$here/monitor.expected" ||
    fail "monitor: other lines than expected"
  [ ! -s "$dir/peer.log" ] || fail "monitor: it sent frames"
  grep -q "^Skipped: 1 remote" "$dir/lines.txt" || fail "monitor: the remote frame is not counted"
  [ "$(grep -c . "$dir/in.log")" -eq 7 ] || fail "monitor: --log does not hold the 7 frames"
else
  fail "the monitor did not connect"
fi

# Unknown plugins and devices: exit 1 at once, naming them and what there is.
expect_refusal() { # NAME EXIT TEXT ARGS...
  local name="$1" code="$2" text="$3" rc=0 start=$SECONDS
  shift 3
  "$cli" "$@" >/dev/null 2>"$work/refusal.err" || rc=$?
  [ "$rc" -eq "$code" ] || fail "$name: exit $rc instead of $code"
  grep -qF -- "$text" "$work/refusal.err" || { fail "$name: no '$text'"; cat "$work/refusal.err"; }
  [ $((SECONDS - start)) -le 7 ] || fail "$name: took $((SECONDS - start)) s"
}
url="tcp://127.0.0.1:$(free_port)"
expect_refusal "unknown device" 1 "Unknown device 'can7' of the CAN plugin 'virtualcan'; its devices: can0, can1" \
  run "$examples/Demo" --canopen virtualcan:can7 --j1939 "virtualcan:$url/can1"
expect_refusal "unknown plugin" 1 "Unknown CAN plugin 'nosuch'" \
  monitor "$examples/Demo" --canopen "virtualcan:$url/can0" --j1939 nosuch:can1
expect_refusal "unknown plugin lists" 1 "virtualcan (can0, can1)" \
  monitor "$examples/Demo" --canopen "virtualcan:$url/can0" --j1939 nosuch:can1
expect_refusal "no device" 1 "is no bus" run "$examples/Demo" --canopen virtualcan --j1939 virtualcan:can1
expect_refusal "no server" 1 "did not connect within 5 s" \
  run "$examples/Demo" --canopen "virtualcan:tcp://127.0.0.2:$(free_port)/can0" --j1939 "virtualcan:$url/can1"
expect_refusal "missing bus" 2 "--j1939 is required" run "$examples/Demo" --canopen virtualcan:can0

# The bus server goes away under the twin: the error with its time, the logs complete up to
# it, exit 1.
dir="$work/lost"
mkdir -p "$dir"
url="tcp://127.0.0.1:$(free_port)"
"$peer" "$url/can0" "$url/can1" --play "$here/monitor.log" --fast --delay 1500 --linger 60000 \
  2>"$dir/peer.err" &
server=$!
pids+=("$server")
wait_for "$dir/peer.err" "peer connected" 10 || fail "lost: the peer did not start the server"
"$cli" run "$examples/Demo" --canopen "virtualcan:$url/can0" --j1939 "virtualcan:$url/can1" \
  --log "$dir/in.log" --out "$dir/out.log" >"$dir/run.txt" 2>"$dir/run.err" &
twin=$!
pids+=("$twin")
sleep 3
{ kill -9 "$server" && wait "$server"; } 2>/dev/null || true
rc=0
wait "$twin" || rc=$?
[ "$rc" -eq 1 ] || fail "lost: run ended with $rc instead of 1"
grep -qE '^\([0-9]{10}\.[0-9]{6}\) (canopen|j1939) \(virtualcan:tcp.*\): the device is no longer connected' \
  "$dir/run.err" || { fail "lost: no timed device error"; cat "$dir/run.err"; }
[ "$(grep -c . "$dir/in.log" 2>/dev/null)" = 7 ] || fail "lost: the log does not hold the 7 frames"
grep -q "^Log: 7 lines" "$dir/run.txt" || fail "lost: no summary"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "live buses: twin, monitor, refusals and lost server as expected"
