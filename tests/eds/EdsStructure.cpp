#include "EdsStructure.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <utility>

namespace ordane::test {

namespace {

struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
};

std::optional<std::uint32_t> number(const std::string& text) {
    static const std::regex hex("0[xX]([0-9A-Fa-f]+)");
    static const std::regex dec("[0-9]+");
    std::smatch m;
    if (std::regex_match(text, m, hex))
        return std::uint32_t(std::stoul(m[1].str(), nullptr, 16));
    if (std::regex_match(text, dec))
        return std::uint32_t(std::stoul(text));
    return std::nullopt;
}

std::string hex4(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04X", value);
    return buffer;
}

bool inList(const std::string& list, std::uint32_t index) {
    const bool mandatory = index == 0x1000 || index == 0x1001 || index == 0x1018;
    if (list == "MandatoryObjects")
        return mandatory;
    if (list == "OptionalObjects")
        return !mandatory && ((index >= 0x1000 && index <= 0x1FFF) || index >= 0x6000);
    return index >= 0x2000 && index <= 0x5FFF;
}

} // namespace

std::vector<std::string> edsStructureFaults(std::string_view text) {
    std::vector<std::string> faults;
    std::vector<Section> sections;

    std::size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        ++lineNumber;
        std::size_t end = text.find('\n', start);
        std::string line(
            text.substr(start, end == std::string_view::npos ? text.npos : end - start));
        start = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos || line.empty() || line.back() != '\r') {
            faults.push_back("line " + std::to_string(lineNumber) + " does not end with CR LF");
        } else {
            line.pop_back();
        }
        for (unsigned char c : line)
            if (c < 0x20 || c > 0x7E) {
                faults.push_back("line " + std::to_string(lineNumber) + " is not plain ASCII");
                break;
            }
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.push_back({line.substr(1, line.size() - 2), {}});
        } else if (const auto eq = line.find('='); eq != std::string::npos && !sections.empty()) {
            sections.back().keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
        } else {
            faults.push_back("line " + std::to_string(lineNumber) +
                             " is neither a section nor a key");
        }
    }

    std::map<std::string, const Section*> byName;
    for (const Section& s : sections)
        if (!byName.emplace(s.name, &s).second)
            faults.push_back("section [" + s.name + "] appears twice");

    // Lists.
    std::map<std::uint32_t, int> listedTimes;
    for (const char* list : {"MandatoryObjects", "OptionalObjects", "ManufacturerObjects"}) {
        const auto found = byName.find(list);
        if (found == byName.end()) {
            faults.push_back(std::string("[") + list + "] is missing");
            continue;
        }
        std::optional<std::uint32_t> supported;
        std::uint32_t lines = 0;
        for (const auto& [key, value] : found->second->keys) {
            if (key == "SupportedObjects") {
                supported = number(value);
                continue;
            }
            if (key != std::to_string(lines + 1))
                faults.push_back(std::string("[") + list + "] line " + key + " where " +
                                 std::to_string(lines + 1) + " belongs");
            ++lines;
            const auto index = number(value);
            if (!index || value.size() != 6) {
                faults.push_back(std::string("[") + list + "] " + key + "=" + value +
                                 " is no index");
                continue;
            }
            ++listedTimes[*index];
            if (!inList(list, *index))
                faults.push_back(std::string("[") + list + "] lists 0x" + hex4(*index) +
                                 ", outside its range");
        }
        if (supported != lines)
            faults.push_back(std::string("[") + list + "] SupportedObjects=" +
                             (supported ? std::to_string(*supported) : "?") + " but " +
                             std::to_string(lines) + " numbered lines");
    }

    // Objects and their sub-indexes.
    static const std::regex objectName("[0-9A-F]{4}");
    static const std::regex subName("([0-9A-F]{4})sub([0-9A-F]+)");
    std::map<std::string, std::set<std::uint32_t>> subs;
    for (const Section& s : sections) {
        std::smatch m;
        if (std::regex_match(s.name, m, subName))
            subs[m[1].str()].insert(std::uint32_t(std::stoul(m[2].str(), nullptr, 16)));
    }
    for (const auto& [index, times] : listedTimes) {
        if (times > 1)
            faults.push_back("0x" + hex4(index) + " is listed " + std::to_string(times) + " times");
        if (!byName.count(hex4(index)))
            faults.push_back("0x" + hex4(index) + " is listed but has no section");
    }
    for (const Section& s : sections) {
        if (!std::regex_match(s.name, objectName))
            continue;
        const std::uint32_t index = std::uint32_t(std::stoul(s.name, nullptr, 16));
        if (!listedTimes.count(index))
            faults.push_back("[" + s.name + "] is not listed");
        std::optional<std::uint32_t> subNumber;
        for (const auto& [key, value] : s.keys)
            if (key == "SubNumber")
                subNumber = number(value);
        const std::size_t count = subs.count(s.name) ? subs[s.name].size() : 0;
        if (subNumber && *subNumber != count)
            faults.push_back("[" + s.name + "] SubNumber=" + std::to_string(*subNumber) + " but " +
                             std::to_string(count) + " sub-index sections");
        if (!subNumber && count > 0)
            faults.push_back("[" + s.name + "] has sub-index sections but no SubNumber");
    }
    for (const auto& [object, indexes] : subs)
        if (!byName.count(object))
            faults.push_back("sub-index sections of " + object + " without its section");
    return faults;
}

} // namespace ordane::test
