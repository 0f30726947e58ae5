#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

// A project folder for the targets that read documents from disk. It is made once per
// process under the temporary folder (TMPDIR: scripts/fuzz.sh points it at a memory file
// system, so that saves stay cheap) and emptied before each input, so that an input gives
// the same run whatever ran before it.
namespace ordane::fuzz {

class ScratchProject {
public:
    explicit ScratchProject(std::string_view tag) {
        std::string pattern = (std::filesystem::temp_directory_path() /
                               ("ordane-fuzz-" + std::string(tag) + "-XXXXXX"))
                                  .string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a scratch folder in " + pattern);
        m_path = pattern;
    }
    ~ScratchProject() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchProject(const ScratchProject&) = delete;
    ScratchProject& operator=(const ScratchProject&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

    // Removes everything in the folder; the folder stays.
    void clear() const {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(m_path, ec))
            std::filesystem::remove_all(entry.path(), ec);
    }

    // Writes the bytes as they are (no atomic write: this is the input, not program output).
    void put(std::string_view name, std::string_view bytes) const {
        const std::filesystem::path file = m_path / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        if (!out)
            throw std::runtime_error("cannot write " + file.string());
    }

    // An empty folder holding only `bytes` as document `name`.
    void holdOnly(std::string_view name, std::string_view bytes) const {
        clear();
        put(name, bytes);
    }

private:
    std::filesystem::path m_path;
};

// A broken promise of the code under test: stop here so that the fuzzer keeps the input.
[[noreturn]] inline void broken(const char* what) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

// Frame lists of four frames each, for the targets whose document refers to frames.
inline constexpr std::string_view kFourReceivedFrames =
    "<COBID>"
    "<row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"EEC1\"/>"
    "<row PGN=\"0xFEEE\" ID_DEV=\"0\" Delete=\"Y\" Mnemonic=\"ET1\"/>"
    "<row PGN=\"65265\" ID_DEV=\"3\" Delete=\"N\" Mnemonic=\"CCVS\"/>"
    "<row PGN=\"$FEF2\" ID_DEV=\"253\" Delete=\"N\" Mnemonic=\"\"/>"
    "</COBID>";
inline constexpr std::string_view kFourTransmittedFrames =
    "<COBID>"
    "<row Priority=\"6\" DP=\"0\" PGN=\"0xFF10\" ID_DEV=\"128\" Mnemonic=\"OUT1\"/>"
    "<row Priority=\"3\" DP=\"1\" PGN=\"0xFF11\" ID_DEV=\"128\" Mnemonic=\"OUT2\"/>"
    "<row Priority=\"7\" DP=\"0\" PGN=\"65298\" ID_DEV=\"0x80\" Mnemonic=\"OUT3\"/>"
    "<row Priority=\"0\" DP=\"0\" PGN=\"0\" ID_DEV=\"0\" Mnemonic=\"\"/>"
    "</COBID>";

} // namespace ordane::fuzz
