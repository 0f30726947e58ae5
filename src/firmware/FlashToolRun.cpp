#include "firmware/FlashToolRun.h"

namespace ordane {

namespace {

// The last line that is not blank: where a tool says why it stopped.
std::string lastLine(const std::string& output) {
    std::size_t end = output.size();
    while (end > 0) {
        const std::size_t start = output.find_last_of("\r\n", end - 1);
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        std::string line = output.substr(from, end - from);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos)
            return line.substr(first, line.find_last_not_of(" \t") - first + 1);
        if (start == std::string::npos)
            break;
        end = start;
    }
    return {};
}

} // namespace

FlashToolEnd flashToolEnd(int exitCode, bool crashed, const std::string& output) {
    const std::string last = lastLine(output);
    const std::string reason = last.empty() ? std::string() : ": " + last;
    if (crashed)
        return {false, "The flash tool stopped without ending" + reason};
    if (exitCode != 0)
        return {false, "The flash tool ended with exit " + std::to_string(exitCode) + reason};
    return {true, "The flash tool ended successfully" + reason};
}

} // namespace ordane
