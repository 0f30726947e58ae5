// SrecordMerge::mergeInOnePass: the stage chain's result without its stage outputs.
//
// Bank ranges do not overlap and the records a stage inserts lie in its own bank, so a later
// stage drops and inserts nothing of an earlier stage's making: the merged file is the
// template's lines with every record of a selected bank dropped and that bank's records in
// place of its first one. What the chain reports between its stages (line counts for the
// progress, the first unreadable address, a missing S9) follows from one look at the
// template as well.
#include "firmware/SrecordMerge.h"

#include "firmware/SrecordLines.h"

#include "core/AtomicFile.h"

#include <array>
#include <memory>
#include <system_error>

namespace ordane {

namespace fs = std::filesystem;
using namespace srecord;

namespace {

// The bank 1..5 whose range holds `address`, or 0.
int bankOf(std::uint32_t address) {
    if (address < bankFirstAddress(1) || address > bankLastAddress(kBankCount) ||
        (address & 0xC000u) != 0x8000u)
        return 0;
    return int((address - bankFirstAddress(1)) >> 16) + 1;
}

// What every stage would find in the template.
struct TemplateLines {
    int count = 0;
    int firstBadAddress = 0; // 1-based line, 0 if none
    bool hasEnd = false;
    std::array<int, kBankCount + 1> firstInBank{}; // 1-based line of the bank's first record
    std::array<int, kBankCount + 1> inBank{};      // records starting in the bank's range
};

TemplateLines lookAt(std::string_view text) {
    TemplateLines t;
    forEachLine(text, [&](std::string_view line, std::string_view) {
        ++t.count;
        if (t.firstBadAddress != 0)
            return true; // the stage stops there; only the count goes on
        const LineKind kind = lineKind(line);
        if (kind.kind == LineKind::BadAddress) {
            t.firstBadAddress = t.count;
        } else if (kind.kind == LineKind::End) {
            t.hasEnd = true;
        } else if (kind.kind == LineKind::Address) {
            if (const int bank = bankOf(kind.address)) {
                if (t.inBank[bank]++ == 0)
                    t.firstInBank[bank] = t.count;
            }
        }
        return true;
    });
    return t;
}

// The chain's scratch file "Bin.sx": made and removed again, unsynced, so that a bin folder
// that cannot take it ends the run where the chain's would.
void tryScratchFile(const fs::path& path, std::string_view records) {
    tryWritingFile(path, records);
}

// The template's lines with the selected banks' records replaced, each line ending in CR LF.
// Runs of lines that already end so go out as they stand.
void writeMerged(AtomicFileWriter& out, std::string_view text, const TemplateLines& lines,
                 const std::array<std::string, kBankCount + 1>& records) {
    const char* run = text.data();
    int number = 0;
    forEachLine(text, [&](std::string_view line, std::string_view raw) {
        ++number;
        const LineKind kind = lineKind(line);
        const int bank = kind.kind == LineKind::Address ? bankOf(kind.address) : 0;
        if (bank != 0 && !records[bank].empty()) {
            out.append({run, std::size_t(raw.data() - run)});
            if (number == lines.firstInBank[bank])
                out.append(records[bank]);
            run = raw.data() + raw.size();
        } else if (!raw.ends_with("\r\n")) {
            out.append({run, std::size_t(line.data() + line.size() - run)});
            out.append("\r\n");
            run = raw.data() + raw.size();
        }
        return true;
    });
    out.append({run, std::size_t(text.data() + text.size() - run)});
}

} // namespace

MergeOutcome SrecordMerge::mergeInOnePass(const std::set<int>& banks,
                                          const fs::path& templateFile) {
    const StageFiles stageFiles(m_projectFolder);
    const bool templateExists = fileExists(templateFile);
    std::string text;
    bool read = false;
    TemplateLines lines;
    std::array<std::string, kBankCount + 1> records;
    std::unique_ptr<AtomicFileWriter> output;
    // The chain writes its first stage output here; the merged file takes its place.
    auto openOutput = [&] {
        if (!output && !m_mergedFileName.empty())
            output = std::make_unique<AtomicFileWriter>(mergedFile());
    };
    auto readTemplate = [&] {
        if (!read) {
            text = readWholeFile(templateFile);
            lines = lookAt(text);
            read = true;
        }
    };

    bool staged = false; // a stage has run
    int count = 0;       // lines of the current stage's input
    for (int bank = 1; bank <= kBankCount; ++bank) {
        if (!banks.contains(bank)) {
            // The chain copies the template into "B1.sx"; later banks are renamed through.
            if (bank == 1 && templateExists) {
                readTemplate();
                openOutput();
            }
            continue;
        }
        std::optional<std::string> prepared =
            stageRecords(bank, templateExists ? templateFile : fs::path());
        if (!prepared)
            return MergeOutcome::Stopped;
        tryScratchFile(*m_bankFolder / "Bin.sx", *prepared);
        readTemplate();
        if (!staged)
            count = lines.count;
        const int maximum = kRecordsPerBank + count;
        if (m_progress.setMaximum)
            m_progress.setMaximum(maximum);

        const bool inserts = lines.inBank[bank] > 0;
        // Every stage stops at the same unreadable address or missing S9, so only the first
        // stage ever does.
        int reached = count + (inserts ? kRecordsPerBank : 0);
        if (!staged && lines.firstBadAddress != 0)
            reached =
                lines.firstBadAddress +
                (inserts && lines.firstInBank[bank] < lines.firstBadAddress ? kRecordsPerBank : 0);
        if (m_progress.setPosition)
            for (int done = 1; done <= reached; ++done)
                m_progress.setPosition(done);
        if (!staged && lines.firstBadAddress != 0) {
            m_messages.info(kCannotCreate);
            position(maximum);
            return MergeOutcome::Stopped;
        }
        if (!lines.hasEnd) {
            m_lastStageSilent = true;
            position(maximum);
            return MergeOutcome::NoEndRecord;
        }
        openOutput();
        position(maximum);
        if (inserts)
            records[bank] = std::move(*prepared);
        count += (inserts ? kRecordsPerBank : 0) - lines.inBank[bank];
        staged = true;
    }

    if (m_mergedFileName.empty())
        return MergeOutcome::NothingPassed;
    if (!output) {
        // Only pass-throughs of a template that is not there: the chain's last one removes
        // the merged file.
        std::error_code ec;
        fs::remove(mergedFile(), ec);
        return MergeOutcome::NothingPassed;
    }
    if (staged)
        writeMerged(*output, text, lines, records);
    else
        output->append(text);
    output->commit();
    return MergeOutcome::Written;
}

} // namespace ordane
