#include "Commands.h"

#include "core/Error.h"
#include "core/MappedObjectRules.h"
#include "core/NumberText.h"
#include "documents/DbcFile.h"
#include "documents/DocumentFiles.h"
#include "documents/KeptSignals.h"
#include "model/DbcImport.h"

namespace ordane::cli {

namespace {

const char* kDimensionNames[] = {"4 Bytes", "2 Bytes", "1 Byte"};

std::string entryText(const DbcMappingPlan::Entry& e) {
    std::string text = "Index " + hexText(std::uint32_t(e.entry.index), 4) + " SubIndex " +
                       std::to_string(e.entry.subIndex) + ": " + e.signal;
    if (e.spn >= 0)
        text += " (SPN " + std::to_string(e.spn) + ")";
    text += ", " + std::string(kDimensionNames[e.entry.dimension]);
    for (std::size_t b = 0; b < e.entry.bytes.size(); ++b)
        text += ", B" + std::to_string(b + 1) + " " +
                (e.entry.bytes[b] == 0 ? std::string("None")
                                       : "byte " + std::to_string(e.entry.bytes[b]));
    return text;
}

// "skipped EEC1 (identifier 0x0CF004FE): <reason>", with the fix for a missing address.
std::string skippedLine(const DbcImport& import, const DbcImportRow& row) {
    std::string line = "skipped " + import.message(row).name + " (identifier " +
                       hexText(import.message(row).id(), 8) + "): " + row.reason;
    if (row.needsAddress)
        line += ": give the sender's address with --source-address";
    return line;
}

} // namespace

bool isDbcFile(const fs::path& file) {
    return equalsIgnoringCase(file.extension().string(), ".dbc");
}

int dbcImportCommand(const fs::path& project, const std::string& sideName, const fs::path& dbcFile,
                     const DbcImportOptions& options, std::ostream& out, std::ostream& err) {
    const FrameSide side = sideName == "transmitted" ? FrameSide::Transmitted : FrameSide::Received;
    const SdoSide sdoSide =
        side == FrameSide::Transmitted ? SdoSide::Transmitted : SdoSide::Received;
    return runInProject(project, err, [&] {
        DbcChoice choice;
        choice.names = options.messages;
        choice.node = options.node;
        for (const std::string& text : options.pgns) {
            const auto pgn = tryParseInteger(text);
            if (!pgn)
                throw Error(notAnIntegerMessage(text));
            if (*pgn < 0 || *pgn > 0x3FFFF)
                throw Error("The PGN " + text + " is not between 0x0000 and 0x3FFFF");
            choice.pgns.push_back(std::uint32_t(*pgn));
        }
        DbcImport import(readDbcFile(dbcFile), side);
        if (!options.sourceAddress.empty())
            import.setSourceAddress(parseSourceAddress(options.sourceAddress));
        const std::vector<std::size_t> rows = import.choose(choice);
        for (const std::size_t r : rows)
            if (const DbcImportRow& row = import.rows()[r]; !row.importable)
                out << skippedLine(import, row) << "\n";

        J1939FrameList list(side);
        import.fillFrameList(list, rows);
        if (const auto refusal = import.frameListRefusal(list, rows))
            throw Error(*refusal);

        std::optional<SdoMapping> mapping;
        DbcMappingPlan plan;
        const char* mappingName = SdoMapping::mappingDocumentName(sdoSide);
        const std::size_t existing = existingSdoEntries(project, sdoSide);
        if (!options.mapSignals.empty()) {
            const auto index = tryParseInteger(options.mapSignals);
            if (!index)
                throw Error(notAnIntegerMessage(options.mapSignals));
            if (const auto problem = mappingIndexProblem(*index, std::size_t(list.tableRows())))
                throw Error(*problem);
            if (existing > 0 && !options.replaceMapping)
                throw Error(std::string(mappingName) + " already holds " +
                            std::to_string(existing) +
                            " SDO entries; nothing was written. Give --replace-mapping to "
                            "replace them.");
            plan = import.planMapping(rows, *index);
            mapping.emplace(sdoSide);
            applyMappingPlan(*mapping, project, list, plan);
        }
        // Read before anything is written: a kept-signals file that cannot be read stops the
        // import as a document would.
        const KeptSignals kept =
            keptSignalsWith(project, side, import.keptSide(rows, mapping ? &plan : nullptr));

        // A mapping written from the signals replaces the side's one; the PDOs still follow.
        saveFrameListFollowingReferences(project, list, options.keepReferences, !mapping, out);
        if (mapping) {
            mapping->save(project);
            for (const auto& frame : plan.frames)
                for (const auto& e : frame)
                    out << mappingName << ": " << entryText(e) << "\n";
            for (const SkippedSignal& s : plan.skipped)
                out << "signal not mapped: " << s.message << "." << s.signal << ": " << s.reason
                    << "\n";
            out << mappingName << ": " << plan.entryCount() << " entries saved\n";
        }
        try {
            kept.save(project);
        } catch (const Error& e) {
            throw Error(std::string(e.what()) + "; the documents above were saved, the DBC's " +
                        "signals are not kept");
        }
        out << kKeptSignalsFileName << ": " << kept.side(side).frames.size() << " messages and "
            << kept.side(side).signalList.size() << " signals kept\n";
        return kSuccess;
    });
}

} // namespace ordane::cli
