// Prints what the DBC reader found, in the form tests/documents/dbc/canmatrix_dump.py prints
// canmatrix's reading, so that the two can be compared line by line.
#include "documents/DbcFile.h"
#include "core/Error.h"
#include "documents/J1939Identifier.h"
#include "model/DbcImport.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const bool withAddress = argc == 4 && std::string(argv[1]) == "--source-address";
    if (argc != 2 && !withAddress) {
        std::cerr << "usage: dbc_dump [--source-address ADDR] FILE.dbc\n";
        return 2;
    }
    try {
        // The source addresses as the import saves them: with an address given, the one
        // that replaces 0xFE and 0xFF.
        ordane::DbcImport import(ordane::readDbcFile(argv[argc - 1]), ordane::Side::Transmitted);
        if (withAddress)
            import.setSourceAddress(ordane::parseSourceAddress(argv[2]));
        const ordane::DbcFile& file = import.file();
        std::vector<std::string> lines;
        for (std::size_t k = 0; k < file.messages.size(); ++k) {
            const ordane::DbcMessage& m = file.messages[k];
            if (m.id() > 0x1FFFFFFF)
                continue; // the database's own pseudo-message
            char head[160];
            if (m.extended()) {
                auto id = ordane::splitJ1939Identifier(m.id());
                if (import.rows()[k].needsAddress && withAddress)
                    id.sourceAddress = import.rows()[k].id.sourceAddress;
                std::snprintf(head, sizeof head, "ext=1 pgn=0x%05X sa=%d prio=%d dp=%d edp=%d",
                              id.pgn(), id.sourceAddress, id.priority, id.dataPage,
                              id.extendedDataPage);
            } else {
                std::snprintf(head, sizeof head, "ext=0 id=0x%03X", m.id());
            }
            lines.push_back(m.name + " " + head + " dlc=" + std::to_string(m.length));
            for (const ordane::DbcSignal& s : m.signalList) {
                std::string mux;
                if (s.multiplex == ordane::DbcSignal::Multiplex::Multiplexor)
                    mux = " mux=M";
                else if (s.multiplex == ordane::DbcSignal::Multiplex::Multiplexed)
                    mux = " mux=m" + std::to_string(s.multiplexValue);
                lines.push_back(m.name + "." + s.name + " start=" + std::to_string(s.startBit) +
                                " len=" + std::to_string(s.length) +
                                (s.littleEndian ? " le" : " be") + (s.isSigned ? " signed" : "") +
                                mux);
            }
        }
        std::sort(lines.begin(), lines.end());
        for (const std::string& line : lines)
            std::cout << line << "\n";
    } catch (const ordane::Error& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
