#!/usr/bin/env bash
# Measures `ordane-cli run` (the converter's twin) on QtSerialBus's virtual CAN bus, the
# peer being tests/bus/BusPeer.cpp in a process of its own:
#   - frames per second in, none lost: the peer sends FRAMES (default 300000) J1939 and
#     CANopen frames as fast as the bus takes them; the rate is the frames the twin logged
#     over the time from its first to its last (goal >= 20000/s; two saturated 1 Mbit/s buses
#     carry about 16000);
#   - latency from a J1939 frame in to its on-change TPDO out, as the peer sees it (the round
#     trip through the bus server included): p50 and p99 of PINGS (default 2000) (goal p99
#     <= 1 ms);
#   - peak memory of the twin (from /usr/bin/time -v) after FRAMES and after 4 x FRAMES sent
#     at 20000/s, to show it does not grow with the run (sent faster than the twin reads,
#     the frames wait in the bus server's and the device's queues).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build build/dev --target ordane-cli ordane_bus_peer >/dev/null

cli=build/dev/bin/ordane-cli
peer=build/dev/bin/ordane_bus_peer
frames=${FRAMES:-300000}
pings=${PINGS:-2000}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_connected() {
  for _ in $(seq 100); do grep -q '^Connected' "$1" 2>/dev/null && return 0; sleep 0.1; done
  echo "the twin did not connect" >&2; cat "$1" >&2; exit 1
}

# The Demo's four received groups with changing data (byte 5 below 0x80), an unknown group,
# RPDOs of the master (bytes 3..4 zero); at the end, on each bus a frame whose answer no
# frame before gives, so that the peer knows when the twin has read everything.
generate() { # FILE LINES
  python3 - "$1" "$2" <<'PY'
import sys
path, lines = sys.argv[1], int(sys.argv[2])
ids = ["0CF00400", "18FEEE00", "18FEF100", "18FEEF00", "18FECA17"]
with open(path, "w") as f:
    for n in range(lines):
        t = 1700000000_000000 + n * 50
        if n % 10 == 9:
            f.write("(%d.%06d) canopen 201#%02X%02X0000\n" % (t // 10**6, t % 10**6, n & 0xFF, (n >> 8) & 0xFF))
        else:
            f.write("(%d.%06d) j1939 %s#F07D7D%02X%02XFFFFFF\n"
                    % (t // 10**6, t % 10**6, ids[n % 5], n & 0xFF, (n >> 8) & 0x7F))
    t += 50
    f.write("(%d.%06d) j1939 0CF00400#F07D7DFFFFFFFFFF\n" % (t // 10**6, t % 10**6))
    f.write("(%d.%06d) canopen 201#FFFFFFFF\n" % (t // 10**6, t % 10**6))
PY
}

# throughput FRAMES [--fast]: prints "frames logged, seconds, frames/s, peak KB"
throughput() {
  local n=$1 url
  url="tcp://127.0.0.1:$(port)"
  generate "$work/in-$n.log" "$n"
  /usr/bin/time -v -o "$work/time-$n.txt" "$cli" run examples/Demo \
    --canopen "virtualcan:$url/can0" --j1939 "virtualcan:$url/can1" \
    --log "$work/got-$n.log" >"$work/run-$n.txt" 2>"$work/run-$n.err" &
  local twin=$!
  wait_connected "$work/run-$n.err"
  # The twin's answers to the two last frames: it has read everything.
  timeout 600 "$peer" "$url/can0" "$url/can1" --play "$work/in-$n.log" ${2:-} --linger 100 \
    --until 181#FFFF --until 18FF1180#FFFFFFFF 2>/dev/null
  local pid
  pid=$(pgrep -P "$twin" -n)
  kill -INT "$pid" 2>/dev/null || true
  wait "$twin" || true
  local got first lastt kb
  got=$(($(grep -c . "$work/got-$n.log") - 2))
  first=$(head -1 "$work/got-$n.log" | sed 's/^(\([0-9.]*\)).*/\1/')
  lastt=$(tail -1 "$work/got-$n.log" | sed 's/^(\([0-9.]*\)).*/\1/')
  kb=$(awk -F': ' '/Maximum resident/ {print $2}' "$work/time-$n.txt")
  python3 -c "
n, got, a, b, kb = $n, $got, $first, $lastt, $kb
s = b - a
print(f'{n:>9} sent {got:>9} logged ({n - got} lost) in {s:.3f} s: {got / s:,.0f} frames/s, peak {kb / 1024:.1f} MB')"
}

echo "== frames/s through run on virtualcan, sent as fast as the bus takes them (goal >= 20,000/s, none lost)"
throughput "$frames" --fast
echo "== peak memory, frames sent at 20,000/s as the log's times say: a run and one 4 times as long (flat)"
throughput "$frames"
throughput $((frames * 4))

echo "== latency J1939 frame in -> on-change TPDO 0x181 out, round trip through the bus server (goal p99 <= 1000 us)"
url="tcp://127.0.0.1:$(port)"
"$cli" run examples/Demo --canopen "virtualcan:$url/can0" --j1939 "virtualcan:$url/can1" \
  >/dev/null 2>"$work/ping.err" &
twin=$!
wait_connected "$work/ping.err"
"$peer" "$url/can0" "$url/can1" --ping "$pings" --linger 10 2>/dev/null
kill -INT "$twin"
wait "$twin" || true
