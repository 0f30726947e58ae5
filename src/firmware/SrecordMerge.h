#pragma once

#include "core/DeviceBanks.h"
#include "core/MessageSink.h"
#include "core/Utf8.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace ordane {

inline constexpr int kRecordsPerBank = 512;
inline constexpr const char* kFirmwareTemplateName = "SX40218.sx";
inline constexpr const char* kMergedFilePrefix = "New_";

// The 512 S2 records of 32 bytes that carry one bank, each line ending in CR LF. Bytes
// beyond `bytes` (a bank file shorter than a bank) are written as zero; bytes beyond a
// bank are ignored.
std::string bankRecords(int bank, std::string_view bytes);

// Progress of the current stage: a maximum and a position. Either may be empty.
struct MergeProgress {
    std::function<void(int)> setMaximum;
    std::function<void(int)> setPosition;
};

// How a merge chain ended.
enum class MergeOutcome {
    Written,       // this run wrote the merged firmware file
    Stopped,       // a stage stopped and said why through the message sink
    NoEndRecord,   // a stage input had no S9 record; nothing was said
    NothingPassed, // the chain reached the end with nothing to pass on; nothing was said
};

// Replaces the records of selected banks in an S-record firmware template with records
// made from the bank files, giving "New_" + template name in the project folder. Stop
// conditions are reported as plain messages; a file that cannot be opened or created ends
// the whole run with an Error carrying the system's text. No run leaves a stage output
// behind, however it ends.
class SrecordMerge {
public:
    // Stage results.
    static constexpr int kStopped = -1;
    static constexpr int kCopied = 0;
    static constexpr int kInserted = 1;

    explicit SrecordMerge(MessageSink& messages, MergeProgress progress = {});

    void setProjectFolder(const std::filesystem::path& folder) { m_projectFolder = folder; }
    // No bank folder: every stage stops with "Directory Bin Not Found,Abort Procedure".
    void setBankFolder(std::optional<std::filesystem::path> folder) {
        m_bankFolder = std::move(folder);
    }
    void setMergedFileName(const std::string& name) { m_mergedFileName = name; }

    const std::filesystem::path& projectFolder() const { return m_projectFolder; }
    const std::string& mergedFileName() const { return m_mergedFileName; }
    std::filesystem::path mergedFile() const {
        return m_projectFolder / pathFromUtf8(m_mergedFileName);
    }

    // "B1.sx".."B4.sx" for banks 1..4, the merged firmware file for bank 5.
    std::string stageOutputName(int bank) const;

    // Merges bank `bank` into `input`, writing `outputName` in the project folder.
    int mergeStage(int bank, const std::filesystem::path& input, const std::string& outputName);

    // Runs the stages of banks 1..5 over `templateFile` (never moved or changed), passing
    // unselected banks through, then deletes "B1.sx".."B5.sx".
    MergeOutcome mergeChain(const std::set<int>& banks, const std::filesystem::path& templateFile);

    // What mergeChain does, with the same messages in the same order, the same progress and
    // the same merged file, but the template is read once and only the merged file is
    // written: no stage output is made, so nothing is copied, re-read or synced in between.
    // An output that cannot be created is reported where the chain would report its first
    // stage output, naming the merged file.
    MergeOutcome mergeInOnePass(const std::set<int>& banks,
                                const std::filesystem::path& templateFile);

private:
    void position(int value);
    // Steps of a stage up to its records: the stop checks with their messages, then the
    // bank file made into records; nothing when the stage stopped.
    std::optional<std::string> stageRecords(int bank, const std::filesystem::path& input);
    void passThrough(int bank, const std::filesystem::path& input,
                     const std::filesystem::path& output);

    MessageSink& m_messages;
    MergeProgress m_progress;
    std::filesystem::path m_projectFolder;
    std::optional<std::filesystem::path> m_bankFolder;
    std::string m_mergedFileName;
    bool m_lastStageSilent = false;
};

} // namespace ordane
