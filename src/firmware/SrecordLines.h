#pragma once

#include "core/NumberText.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What the stage chain and the one-pass merge share: how a template is cut into lines and
// how a line's record address is read, the stop messages, the stage outputs.
namespace ordane::srecord {

inline constexpr const char* kTemplateMissing = "File *.Sx Not Found,Abort Procedure";
inline constexpr const char* kMergedNameMissing = "File New *.Sx Not Found,Abort Procedure";
inline constexpr const char* kBinFolderMissing = "Directory Bin Not Found,Abort Procedure";
inline constexpr const char* kCannotCreate = "File New Sx Not Create,Abort Procedure";

// Calls `each(line, raw)` with every line of `text`: `line` without its LF or CR LF end,
// `raw` with it. A last line without an end counts as a line. `each` returns false to stop.
template <typename Each> void forEachLine(std::string_view text, Each&& each) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!each(line, text.substr(start, next - start)))
            return;
        start = next;
    }
}

// What a line is to a merge stage.
struct LineKind {
    enum Kind { Other, Address, BadAddress, End } kind = Other;
    std::uint32_t address = 0; // for Address
};

// An S1 or S2 record long enough to hold its address gives that address (S1: four digits,
// S2: six); one whose address is no hexadecimal is BadAddress; "S9" is End; anything else,
// shorter records included, is copied unchanged.
inline LineKind lineKind(std::string_view line) {
    if (line.size() < 2 || line[0] != 'S')
        return {};
    const char type = line[1];
    if (type == '1' || type == '2') {
        const std::size_t digits = type == '1' ? 4 : 6;
        if (line.size() < 4 + digits)
            return {};
        const auto address = parseHexDigits(line.substr(4, digits));
        if (!address)
            return {LineKind::BadAddress};
        return {LineKind::Address, *address};
    }
    return type == '9' ? LineKind{LineKind::End} : LineKind{};
}

// Deletes the stage outputs "B1.sx".."B5.sx" of a project folder however a run ends.
class StageFiles {
public:
    explicit StageFiles(const std::filesystem::path& folder) : m_folder(folder) {}
    ~StageFiles();
    StageFiles(const StageFiles&) = delete;
    StageFiles& operator=(const StageFiles&) = delete;

private:
    const std::filesystem::path& m_folder;
};

bool fileExists(const std::filesystem::path& path);

} // namespace ordane::srecord
