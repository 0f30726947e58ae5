#!/usr/bin/python3
"""Decodes the frames of a project's buses with canmatrix (Debian python3-canmatrix) and the
DBC file `ordane-cli dbc` writes, and compares every signal with the value the converter
composes from the same bytes, as `ordane-cli simulate` runs it:

- received J1939 frames and the TPDOs made from them: each signal against the object's
  value at the end of the log (VALUES of simulate);
- transmitted J1939 frames: each object written by SDO, the frame the converter then sends
  decoded against the written value;
- RPDOs: each RPDO decoded, against the transmitted frame the converter makes from it.

usage: export_canmatrix.py ORDANE_CLI ORDANE_TESTS PROJECT...
(the generated projects of ordane_tests' DbcExport test are added)
"""
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import canmatrix.formats

cli, tests = sys.argv[1:3]
projects = sys.argv[3:]
failures = []
counts = {"received": 0, "tpdo": 0, "transmitted": 0, "rpdo": 0}


def fail(text):
    failures.append(text)


def number(text):
    text = text.strip()
    for prefix in ("$", "0x", "0X", "x", "X"):
        if text.startswith(prefix):
            return int(text[len(prefix):], 16)
    return int(text)


def object_sizes(folder, document):
    """(0xIIII:SS) -> size in bytes of each row of an SDO mapping document."""
    path = os.path.join(folder, document)
    sizes = {}
    if os.path.exists(path):
        for row in ET.parse(path).getroot():
            key = "0x%04X:%02X" % (number(row.get("Index")) & 0xFFFF,
                                   number(row.get("SubIndex")) & 0xFF)
            sizes[key] = {0: 4, 1: 2}.get(int(row.get("Dimension")), 1)
    return sizes


def node_id(folder):
    path = os.path.join(folder, "pargen.xml")
    if os.path.exists(path):
        element = ET.parse(path).getroot().find("IDDev_CANopen")
        if element is not None and element.text:
            return number(element.text)
    return 1


def attribute(signal, name):
    return signal.attributes.get(name)


def role_bytes(frame, data, sizes):
    """{object: {role: byte}} as the frame's signals decode `data`. Data shorter than the
    message (a PDO sharing its COB-ID with a longer one) leaves out the signals it lacks:
    those that decode differently with the missing bytes as 0x00 and as 0xFF."""
    data = bytes(data[:frame.size])
    decoded = frame.decode(data.ljust(frame.size, b"\x00"))
    again = frame.decode(data.ljust(frame.size, b"\xFF"))
    roles = {}
    for signal in frame.signals:
        if decoded[signal.name].raw_value != again[signal.name].raw_value:
            continue
        obj = attribute(signal, "CANopenObject")
        if obj is None:
            fail(f"{frame.name}.{signal.name}: no CANopenObject attribute")
            continue
        raw = int(decoded[signal.name].raw_value)
        role = attribute(signal, "CANopenObjectByte")
        size = sizes.get(obj)
        if size is None:
            fail(f"{frame.name}.{signal.name}: {obj} is no mapped object")
            continue
        if role is not None:
            roles.setdefault(obj, {})[int(role)] = raw
        else:
            if signal.size != 8 * size:
                fail(f"{frame.name}.{signal.name}: {signal.size} bits for a {size}-byte object")
            for k in range(1, size + 1):
                roles.setdefault(obj, {})[k] = (raw >> (8 * (size - k))) & 0xFF
    return roles


def value_bytes(value, size):
    return {k: (value >> (8 * (size - k))) & 0xFF for k in range(1, size + 1)}


def simulate(folder, log_lines, work, name):
    log = os.path.join(work, name + ".log")
    out = os.path.join(work, name + "-out.log")
    values = os.path.join(work, name + "-values.csv")
    with open(log, "w") as f:
        f.write("\n".join(log_lines) + "\n")
    result = subprocess.run([cli, "simulate", folder, log, "--out", out, "--values", values],
                            capture_output=True, text=True)
    if result.returncode != 0:
        fail(f"{folder}: simulate exit {result.returncode}: {result.stderr}")
        return [], {}
    frames = []
    with open(out) as f:
        for line in f.read().splitlines():
            stamp, interface, frame = line.split(" ")
            ident, data = frame.split("#")
            seconds, micros = stamp[1:-1].split(".")
            frames.append((int(seconds) * 1000000 + int(micros), interface, int(ident, 16),
                           bytes.fromhex(data)))
    found = {}
    with open(values) as f:
        for line in f.read().splitlines():
            index, sub, value = line.split(",")
            found["0x%04X:%02X" % (int(index, 16), int(sub, 16))] = int(value, 16)
    return frames, found


def compare(where, got, expected):
    for obj, roles in got.items():
        for role, byte in roles.items():
            want = expected.get(obj, {}).get(role)
            if want != byte:
                fail(f"{where}: {obj} B{role} decodes as 0x{byte:02X}, the converter has "
                     f"{'nothing' if want is None else '0x%02X' % want}")


def check_project(source, work):
    name = os.path.basename(os.path.normpath(source))
    folder = os.path.join(work, name)
    shutil.copytree(source, folder)
    # Every write by SDO sends its frame, so that every transmitted frame can be seen.
    tinfo = os.path.join(folder, "TInfoCob.xml")
    if os.path.exists(tinfo):
        with open(tinfo, encoding="utf-8") as f:
            text = f.read()
        with open(tinfo, "w", encoding="utf-8") as f:
            f.write(re.sub(r'Send_SDO="[^"]*"', 'Send_SDO="1"', text))
    dbc = os.path.join(work, name + ".dbc")
    result = subprocess.run([cli, "dbc", folder, dbc], capture_output=True, text=True)
    if result.returncode != 0:
        fail(f"{name}: dbc exit {result.returncode}: {result.stderr}")
        return
    db = canmatrix.formats.loadp_flat(dbc)
    received_sizes = object_sizes(folder, "RInfoCob.xml")
    sent_sizes = object_sizes(folder, "TInfoCob.xml")
    rx = [f for f in db.frames if f.arbitration_id.extended and f.transmitters == ["J1939_Network"]]
    tx = [f for f in db.frames if f.arbitration_id.extended and f.transmitters == ["Gateway"]]
    tpdos = [f for f in db.frames if not f.arbitration_id.extended and f.transmitters == ["Gateway"]]
    rpdos = [f for f in db.frames
             if not f.arbitration_id.extended and f.transmitters == ["CANopen_Network"]]
    for f in rx + tx:
        if not f.is_j1939 or f.size != 8:
            fail(f"{name}: {f.name} is not read as an 8-byte J1939 frame")
    rng = random.Random(name)
    start = 1700000000 * 1000000  # microseconds

    def stamp(micros):
        return f"({micros // 1000000}.{micros % 1000000:06d})"

    # Received frames, and the TPDOs they make.
    log = [f"{stamp(start)} canopen 000#0100"]
    sent = {}
    for i, f in enumerate(rx):
        data = bytes(rng.randrange(256) for _ in range(8))
        sent[f.arbitration_id.id] = data
        log.append(f"{stamp(start + 1000 * (i + 1))} j1939 {f.arbitration_id.id:08X}#"
                   f"{data.hex().upper()}")
    out, values = simulate(folder, log, work, name + "-received")
    expected = {obj: value_bytes(v, received_sizes.get(obj, 4)) for obj, v in values.items()}
    for f in rx:
        compare(f"{name} {f.name}", role_bytes(f, sent[f.arbitration_id.id], received_sizes),
                expected)
        counts["received"] += 1
    for f in tpdos:
        frames = [d for _, interface, ident, d in out if interface == "canopen" and ident == f.arbitration_id.id]
        if not frames:
            fail(f"{name}: {f.name} was never sent")
            continue
        for data in frames:
            compare(f"{name} {f.name}", role_bytes(f, data, received_sizes), expected)
        counts["tpdo"] += 1

    # Transmitted frames: each object written by SDO, the frame sent right after it.
    node = node_id(folder)
    tx_by_id = {f.arbitration_id.id: f for f in tx}
    objects = {}
    for f in tx:
        for s in f.signals:
            objects.setdefault(attribute(s, "CANopenObject"), f)
    log = [f"{stamp(start)} canopen 000#0100"]
    written = []
    for i, (obj, frame) in enumerate(sorted(objects.items())):
        size = sent_sizes[obj]
        value = rng.randrange(1 << (8 * size))
        index, sub = int(obj[2:6], 16), int(obj[7:9], 16)
        command = 0x23 | ((4 - size) << 2)
        payload = bytes([command, index & 0xFF, index >> 8, sub]) + value.to_bytes(4, "little")
        time = start + 1000 * (i + 1)
        log.append(f"{stamp(time)} canopen {0x600 + node:03X}#{payload.hex().upper()}")
        written.append((time, obj, frame, value))
    out, _ = simulate(folder, log, work, name + "-transmitted")
    for time, obj, frame, value in written:
        frames = [d for t, interface, ident, d in out
                  if interface == "j1939" and t == time and ident == frame.arbitration_id.id]
        if not frames:
            fail(f"{name}: no {frame.name} frame after writing {obj}")
            continue
        got = {obj: role_bytes(frame, frames[0], sent_sizes).get(obj, {})}
        want = value_bytes(value, sent_sizes[obj])
        # A frame byte named by two roles holds the later one's byte: the converter writes
        # B1 first.
        byte_signals = {}
        for s in frame.signals:
            role = attribute(s, "CANopenObjectByte")
            if attribute(s, "CANopenObject") == obj and role is not None:
                byte_signals.setdefault(s.start_bit, []).append(int(role))
        for roles in byte_signals.values():
            for role in roles:
                want[role] = want[max(roles)]
        compare(f"{name} {frame.name}", got, {obj: want})
        counts["transmitted"] += 1

    # RPDOs: the transmitted frame the converter makes from each.
    log = [f"{stamp(start)} canopen 000#0100"]
    given = []
    for i, f in enumerate(rpdos):
        data = bytes(rng.randrange(256) for _ in range(f.size))
        time = start + 1000 * (i + 1)
        log.append(f"{stamp(time)} canopen {f.arbitration_id.id:03X}#{data.hex().upper()}")
        given.append((time, f, data))
    out, _ = simulate(folder, log, work, name + "-rpdo")
    for time, f, data in given:
        frames = [(ident, d) for t, interface, ident, d in out if interface == "j1939" and t == time]
        if len(frames) != 1 or frames[0][0] not in tx_by_id:
            fail(f"{name}: {f.name} gave {len(frames)} known transmitted frames")
            continue
        ident, frame_data = frames[0]
        compare(f"{name} {f.name}", role_bytes(f, data, sent_sizes),
                role_bytes(tx_by_id[ident], frame_data, sent_sizes))
        counts["rpdo"] += 1


with tempfile.TemporaryDirectory() as work:
    generated = os.path.join(work, "generated")
    os.mkdir(generated)
    env = dict(os.environ, ORDANE_DBC_PROJECTS_DIR=generated)
    result = subprocess.run([tests, "--gtest_filter=DbcExport.GeneratedProjectsReadBack"],
                            env=env, capture_output=True, text=True)
    if result.returncode != 0:
        fail("ordane_tests failed:\n" + result.stdout[-2000:])
    folders = projects + sorted(os.path.join(generated, p) for p in os.listdir(generated))
    checked = os.path.join(work, "checked")
    os.mkdir(checked)
    for folder in folders:
        check_project(folder, checked)

for text in failures[:40]:
    print("FAIL " + text, file=sys.stderr)
if len(failures) > 40:
    print(f"... and {len(failures) - 40} more", file=sys.stderr)
print(f"{len(folders)} projects: {counts['received']} received frames, {counts['tpdo']} TPDOs, "
      f"{counts['transmitted']} objects written into transmitted frames, {counts['rpdo']} RPDOs "
      f"decoded by canmatrix")
sys.exit(1 if failures else 0)
