#!/usr/bin/python3
"""Reads the logs of `ordane-cli simulate` with python-can, an independent reader of the
candump -L format, and feeds the simulation a log written by python-can's own writer.

usage: python_can_check.py ORDANE_CLI ORDANE_TESTS EXAMPLES_FOLDER
"""
import os
import subprocess
import sys
import tempfile

import can
from can.io.canutils import CanutilsLogReader, CanutilsLogWriter

cli, tests, examples = sys.argv[1:4]
demo = os.path.join(examples, "Demo")
failures = []


def check(condition, text):
    if not condition:
        failures.append(text)


def simulate(log, out, *options):
    result = subprocess.run([cli, "simulate", demo, log, "--out", out, *options],
                            capture_output=True, text=True)
    check(result.returncode == 0, f"simulate {log}: exit {result.returncode}: {result.stderr}")
    return result.stdout


def read_back(path):
    """Every line of OUT as python-can reads it, compared with the line's own text."""
    with open(path, newline="") as f:
        text = f.read()
    lines = text.split("\r\n")
    check(lines[-1] == "", f"{path}: the last line does not end with CR LF")
    lines = lines[:-1]
    check(all("\n" not in line for line in lines), f"{path}: a line ends without CR")
    messages = list(CanutilsLogReader(path))
    check(len(messages) == len(lines), f"{path}: python-can read {len(messages)} of {len(lines)} lines")
    previous = None
    for line, msg in zip(lines, messages):
        stamp, channel, frame = line.split(" ")
        check(not msg.is_remote_frame and not msg.is_fd and not msg.is_error_frame,
              f"{path}: {line}: not a classic data frame")
        width = 8 if msg.is_extended_id else 3
        again = f"{msg.arbitration_id:0{width}X}#{bytes(msg.data).hex().upper()}"
        check(again == frame, f"{path}: python-can reads {line!r} as {again}")
        check(msg.channel == channel, f"{path}: {line}: channel {msg.channel}")
        check(abs(msg.timestamp - float(stamp[1:-1])) < 1e-6, f"{path}: {line}: time {msg.timestamp}")
        check(previous is None or msg.timestamp >= previous, f"{path}: {line}: out of time order")
        check(msg.dlc <= 8, f"{path}: {line}: more than 8 bytes")
        if msg.is_extended_id:
            check(msg.arbitration_id <= 0x1FFFFFFF, f"{path}: {line}: identifier")
        previous = msg.timestamp
    return messages


def latest_before(frames, time):
    data = None
    for msg in frames:
        if msg.timestamp <= time + 1e-7:
            data = bytes(msg.data)
    return data


with tempfile.TemporaryDirectory() as work:
    outs = os.path.join(work, "outs")
    os.mkdir(outs)

    # Every OUT that the engine and command tests write.
    env = dict(os.environ, ORDANE_SIMULATION_OUT_DIR=outs)
    result = subprocess.run([tests, "--gtest_filter=Cases/Engine.*:SimulateCommand.*"],
                            env=env, capture_output=True, text=True)
    check(result.returncode == 0, "ordane_tests failed:\n" + result.stdout[-2000:])

    # The Demo log: each TPDO 0x181 carries bytes 4..5 of the latest EEC1, each answer to
    # an upload of 0x2100/1 the engine speed of bytes 5 (high) and 4 (low).
    demo_log = os.path.join(examples, "Demo.log")
    demo_out = os.path.join(outs, "Demo.log")
    simulate(demo_log, demo_out)
    inputs = list(CanutilsLogReader(demo_log))
    eec1 = [m for m in inputs if m.channel == "j1939" and m.arbitration_id == 0x0CF00400]
    check(len(eec1) == 30, f"Demo.log: {len(eec1)} EEC1 frames")
    demo_frames = read_back(demo_out)
    tpdos = [m for m in demo_frames if m.arbitration_id == 0x181 and not m.is_extended_id]
    check(len(tpdos) > 0, "Demo: no TPDO 0x181")
    for m in tpdos:
        check(bytes(m.data) == latest_before(eec1, m.timestamp)[3:5], f"Demo: TPDO {m}")
    answers = [m for m in demo_frames if m.arbitration_id == 0x585]
    check(len(answers) == 2, f"Demo: {len(answers)} SDO answers")
    if answers:
        first = bytes(answers[0].data)
        speed = latest_before(eec1, answers[0].timestamp)
        check(first[:4] == bytes([0x4B, 0x00, 0x21, 0x01]) and first[4:6] == speed[3:5],
              f"Demo: upload answer {first.hex()}")

    # A log written by python-can: direction marks, a remote, a CAN FD and an error frame.
    written = os.path.join(work, "python-can.log")
    with CanutilsLogWriter(written) as writer:
        t = 1700000000.0
        for i in range(20):
            raw = (800 + 50 * i) * 8
            writer.on_message_received(can.Message(
                timestamp=t + 0.1 * i, channel="j1939", arbitration_id=0x0CF00400,
                is_extended_id=True, is_rx=i % 2 == 0,
                data=[0xF0, 0x7D, 0x7D, raw & 0xFF, raw >> 8, 0xFF, 0xFF, 0xFF]))
        writer.on_message_received(can.Message(
            timestamp=t + 2.0, channel="canopen", arbitration_id=0x605, is_extended_id=False,
            data=[0x40, 0x00, 0x21, 0x01, 0, 0, 0, 0]))
        writer.on_message_received(can.Message(
            timestamp=t + 2.1, channel="j1939", arbitration_id=0x18EAFF00, is_extended_id=True,
            is_remote_frame=True))
        writer.on_message_received(can.Message(
            timestamp=t + 2.2, channel="j1939", arbitration_id=0x18FEF100, is_extended_id=True,
            is_fd=True, bitrate_switch=True, data=list(range(12))))
        writer.on_message_received(can.Message(timestamp=t + 2.3, is_error_frame=True,
                                               channel="j1939"))
        writer.on_message_received(can.Message(
            timestamp=t + 2.4, channel="vcan0", arbitration_id=0x123, data=[1]))
    written_out = os.path.join(outs, "python-can-out.log")
    summary = simulate(written, written_out)
    check("Skipped: 1 remote, 1 CAN FD, 1 error frames" in summary, "python-can log: " + summary)
    check("frames read: j1939 20, canopen 1, vcan0 1 (ignored)" in summary, "python-can log: " + summary)
    frames = read_back(written_out)
    check(len([m for m in frames if m.arbitration_id == 0x181]) == 20, "python-can log: TPDOs")
    check(bytes(frames[-1].data) == bytes([0x4B, 0x00, 0x21, 0x01]) + (1750 * 8).to_bytes(2, "little") + b"\0\0",
          f"python-can log: upload answer {frames[-1]}")

    # Every OUT, those of the tests included.
    logs = sorted(os.listdir(outs))
    check(len(logs) >= 12, f"only {len(logs)} OUT files: {logs}")
    for name in logs:
        read_back(os.path.join(outs, name))

if failures:
    print("\n".join(failures))
    sys.exit(1)
print(f"python-can {can.__version__} read {len(logs)} OUT files")
