"""Prints canmatrix's reading of a DBC file in the form of dbc_dump (our reader).

With --source-address ADDR, the source address 0xFE or 0xFF of a message is shown as ADDR,
as the import saves it when given that address."""
import sys

import canmatrix.formats


def main(path, address=None):
    db = canmatrix.formats.loadp_flat(path)
    lines = []
    for frame in db.frames:
        aid = frame.arbitration_id
        if frame.name == "VECTOR__INDEPENDENT_SIG_MSG":
            continue
        if aid.extended:
            source = aid.j1939_source
            if address is not None and source >= 254:
                source = address
            head = "ext=1 pgn=0x%05X sa=%d prio=%d dp=%d edp=%d" % (
                aid.pgn & 0xFFFF, source, aid.j1939_priority, aid.j1939_dp,
                aid.j1939_edp)
        else:
            head = "ext=0 id=0x%03X" % aid.id
        lines.append("%s %s dlc=%d" % (frame.name, head, frame.size))
        for s in frame.signals:
            mux = ""
            if s.is_multiplexer:
                mux = " mux=M"
            elif s.multiplex is not None and s.multiplex != "Multiplexor":
                mux = " mux=m%d" % int(s.multiplex)
            lines.append("%s.%s start=%d len=%d %s%s%s" % (
                frame.name, s.name, s.get_startbit(bit_numbering=1), s.size,
                "le" if s.is_little_endian else "be", " signed" if s.is_signed else "", mux))
    for line in sorted(lines):
        print(line)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--source-address":
        main(sys.argv[3], int(sys.argv[2], 0))
    else:
        main(sys.argv[1])
