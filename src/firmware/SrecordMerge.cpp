#include "firmware/SrecordMerge.h"

#include "firmware/SrecordLines.h"

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/NumberText.h"

#include <system_error>

namespace ordane {

namespace fs = std::filesystem;
using namespace srecord;

namespace {

constexpr std::uint8_t kRecordByteCount = 0x24; // 3 address bytes, 32 data, 1 checksum
constexpr std::size_t kRecordDataBytes = 32;

// Deletes the scratch file however the stage ends.
class ScratchFile {
public:
    explicit ScratchFile(fs::path path) : m_path(std::move(path)) {}
    ~ScratchFile() {
        std::error_code ec;
        fs::remove(m_path, ec);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

private:
    fs::path m_path;
};

} // namespace

namespace srecord {

StageFiles::~StageFiles() {
    std::error_code ec;
    for (int bank = 1; bank <= kBankCount; ++bank)
        fs::remove(m_folder / ("B" + std::to_string(bank) + ".sx"), ec);
}

bool fileExists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

} // namespace srecord

std::string bankRecords(int bank, std::string_view bytes) {
    std::string out;
    out.reserve(std::size_t(kRecordsPerBank) * (4 + 6 + 2 * kRecordDataBytes + 2 + 2));
    for (int r = 0; r < kRecordsPerBank; ++r) {
        const std::uint32_t address = bankFirstAddress(bank) + std::uint32_t(r) * kRecordDataBytes;
        unsigned sum = kRecordByteCount;
        out += "S2";
        appendHexByte(out, kRecordByteCount);
        for (int shift : {16, 8, 0}) {
            const unsigned part = (address >> shift) & 0xFF;
            sum += part;
            appendHexByte(out, part);
        }
        const std::size_t offset = std::size_t(r) * kRecordDataBytes;
        for (std::size_t i = 0; i < kRecordDataBytes; ++i) {
            const unsigned value =
                offset + i < bytes.size() ? static_cast<unsigned char>(bytes[offset + i]) : 0u;
            sum += value;
            appendHexByte(out, value);
        }
        appendHexByte(out, ~sum & 0xFF);
        out += "\r\n";
    }
    return out;
}

SrecordMerge::SrecordMerge(MessageSink& messages, MergeProgress progress)
    : m_messages(messages), m_progress(std::move(progress)) {}

std::string SrecordMerge::stageOutputName(int bank) const {
    return bank == kBankCount ? m_mergedFileName : "B" + std::to_string(bank) + ".sx";
}

void SrecordMerge::position(int value) {
    if (m_progress.setPosition)
        m_progress.setPosition(value);
}

std::optional<std::string> SrecordMerge::stageRecords(int bank, const fs::path& input) {
    m_lastStageSilent = false;
    position(0);
    if (!fileExists(input)) {
        m_messages.info(kTemplateMissing);
        return std::nullopt;
    }
    if (m_mergedFileName.empty()) {
        m_messages.info(kMergedNameMissing);
        return std::nullopt;
    }
    std::error_code ec;
    if (!m_bankFolder || !fs::is_directory(*m_bankFolder, ec)) {
        m_messages.info(kBinFolderMissing);
        return std::nullopt;
    }
    const std::string bankName = "bank" + std::to_string(bank) + ".bin";
    const fs::path bankFile = *m_bankFolder / bankName;
    if (!fileExists(bankFile)) {
        m_messages.info("File " + bankName + " Not Found,Abort Procedure");
        return std::nullopt;
    }
    return bankRecords(bank, readWholeFile(bankFile));
}

int SrecordMerge::mergeStage(int bank, const fs::path& input, const std::string& outputName) {
    const std::optional<std::string> prepared = stageRecords(bank, input);
    if (!prepared)
        return kStopped;
    const std::string& records = *prepared;
    // The scratch copy of the records is written even though the stage keeps them in
    // memory: a bin folder that cannot take it ends the run before any output is made.
    const fs::path scratchPath = *m_bankFolder / "Bin.sx";
    writeFileAtomically(scratchPath, records);
    const ScratchFile scratch(scratchPath);

    const std::string text = readWholeFile(input);
    int lines = 0;
    forEachLine(text, [&](std::string_view, std::string_view) { return ++lines > 0; });
    if (m_progress.setMaximum)
        m_progress.setMaximum(kRecordsPerBank + lines);

    const std::uint32_t first = bankFirstAddress(bank);
    const std::uint32_t last = bankLastAddress(bank);
    std::string out;
    out.reserve(text.size() + records.size() + std::size_t(lines));
    int result = kStopped;
    bool inserted = false;
    bool failed = false;
    int done = 0;
    forEachLine(text, [&](std::string_view line, std::string_view) {
        position(++done);
        const LineKind kind = lineKind(line);
        if (kind.kind == LineKind::BadAddress) {
            failed = true;
            return false;
        }
        if (kind.kind == LineKind::Address && kind.address >= first && kind.address <= last) {
            if (!inserted) {
                out += records;
                for (int i = 0; i < kRecordsPerBank; ++i)
                    position(++done);
                inserted = true;
            }
            return true;
        }
        if (kind.kind == LineKind::End)
            result = inserted ? kInserted : kCopied;
        out += line;
        out += "\r\n";
        return true;
    });

    if (failed) {
        // Nothing is written: a part-copied file must never reach the device.
        m_messages.info(kCannotCreate);
        position(kRecordsPerBank + lines);
        return kStopped;
    }
    if (result == kStopped) {
        // Without its end record the output is no firmware; the chain stops here.
        m_lastStageSilent = true;
        position(kRecordsPerBank + lines);
        return kStopped;
    }
    writeFileAtomically(m_projectFolder / outputName, out);
    position(kRecordsPerBank + lines);
    return result;
}

void SrecordMerge::passThrough(int bank, const fs::path& input, const fs::path& output) {
    std::error_code ec;
    if (!fileExists(input)) {
        fs::remove(output, ec);
        return;
    }
    if (bank == 1) {
        // The template is only ever read.
        writeFileAtomically(output, readWholeFile(input));
        return;
    }
    // Renaming replaces an older output in one step.
    fs::rename(input, output, ec);
    if (ec)
        throw Error("Cannot write '" + output.string() + "': " + ec.message());
}

MergeOutcome SrecordMerge::mergeChain(const std::set<int>& banks, const fs::path& templateFile) {
    const StageFiles stageFiles(m_projectFolder);
    MergeOutcome outcome = MergeOutcome::NothingPassed;
    bool finished = true;
    for (int bank = 1; bank <= kBankCount; ++bank) {
        const fs::path input =
            bank == 1 ? templateFile : m_projectFolder / stageOutputName(bank - 1);
        const std::string output = stageOutputName(bank);
        if (banks.contains(bank)) {
            if (mergeStage(bank, input, output) == kStopped) {
                outcome = m_lastStageSilent ? MergeOutcome::NoEndRecord : MergeOutcome::Stopped;
                finished = false;
                break;
            }
        } else if (!output.empty()) {
            // An empty merged file name must never turn into the project folder itself.
            passThrough(bank, input, m_projectFolder / output);
        }
    }
    if (finished && !m_mergedFileName.empty() && fileExists(mergedFile()))
        outcome = MergeOutcome::Written;
    return outcome;
}

} // namespace ordane
