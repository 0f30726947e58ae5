#include "KeptSignals.h"

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/DocumentFiles.h"
#include "documents/ProjectDocument.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRoot = "DbcSignals";
constexpr const char* kFrameRow = "Frame";
constexpr const char* kSignalRow = "Signal";
constexpr const char* kValueRow = "Value";

const char* sideName(Side side) {
    return side == Side::Received ? "received" : "transmitted";
}

// Where a bad value sits, in the words of the project documents' messages.
std::string where(const DocumentRow& row, const std::string& file, std::string_view name) {
    return file + ", row " + std::to_string(row.number()) + ", " + std::string(name);
}

Side readSide(const DocumentRow& row, const std::string& file) {
    const std::string text = row.attribute("Side");
    if (text == "received")
        return Side::Received;
    if (text == "transmitted")
        return Side::Transmitted;
    throw Error(where(row, file, "Side") + ": '" + text +
                "' is neither 'received' nor 'transmitted'");
}

int readPositive(const DocumentRow& row, const std::string& file, std::string_view name) {
    const std::int32_t value = row.integer(name);
    if (value < 1)
        throw Error(where(row, file, name) + ": " + std::to_string(value) + " is below 1");
    return value;
}

double readReal(const DocumentRow& row, const std::string& file, std::string_view name) {
    const std::string text = row.attribute(name);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        throw Error(where(row, file, name) + ": '" + text + "' is not a number");
    return value;
}

bool readChoice(const DocumentRow& row, const std::string& file, std::string_view name,
                std::string_view yes, std::string_view no) {
    const std::string text = row.attribute(name);
    if (text == yes)
        return true;
    if (text == no)
        return false;
    throw Error(where(row, file, name) + ": '" + text + "' is neither '" + std::string(yes) +
                "' nor '" + std::string(no) + "'");
}

std::int64_t readValueNumber(pugi::xml_node value, const DocumentRow& row,
                             const std::string& file) {
    const std::string text = value.attribute("Number").value();
    std::int64_t number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw Error(where(row, file, "Value") + ": '" + text + "' is not a valid integer value");
    return number;
}

KeptFrame readFrame(const DocumentRow& row, const std::string& file) {
    KeptFrame frame;
    frame.number = readPositive(row, file, "Number");
    frame.message = row.attribute("Message");
    frame.identifier = std::uint32_t(row.integer("Identifier")) & 0x1FFFFFFFu;
    frame.length = row.integer("Length");
    frame.pgn = std::uint32_t(row.integer("PGN")) & 0xFFFFu;
    frame.sourceAddress = row.integer("ID_DEV");
    return frame;
}

KeptSignal readSignal(const DocumentRow& row, const std::string& file) {
    KeptSignal s;
    s.frame = readPositive(row, file, "Frame");
    s.entry.index = row.integer("Index");
    s.entry.subIndex = row.integer("SubIndex");
    s.entry.dimension = row.integer("Dimension");
    for (std::size_t b = 0; b < s.entry.bytes.size(); ++b)
        s.entry.bytes[b] = row.integer(field::kBytes[b]);
    s.message = row.attribute("Message");
    s.name = row.attribute("Name");
    s.unit = row.attribute("Unit", "");
    s.factor = readReal(row, file, "Factor");
    s.offset = readReal(row, file, "Offset");
    s.minimum = readReal(row, file, "Minimum");
    s.maximum = readReal(row, file, "Maximum");
    s.spn = row.has("SPN") ? long(row.integer("SPN")) : -1;
    s.comment = row.attribute("Comment", "");
    s.startBit = row.integer("StartBit");
    s.length = row.integer("Length");
    s.littleEndian = readChoice(row, file, "ByteOrder", "Intel", "Motorola");
    s.isSigned = readChoice(row, file, "Signed", "true", "false");
    for (pugi::xml_node value : row.node().children(kValueRow))
        s.values.emplace_back(readValueNumber(value, row, file), value.attribute("Text").value());
    return s;
}

void set(pugi::xml_node node, const char* name, const std::string& value) {
    node.append_attribute(name) = value.c_str();
}

void set(pugi::xml_node node, const char* name, long value) {
    set(node, name, std::to_string(value));
}

} // namespace

std::string keptNumberText(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

bool KeptSignal::claims(int frameNumber, const SdoMappingEntry& current) const {
    return frameNumber == frame && current.index == entry.index &&
           current.subIndex == entry.subIndex && current.dimension == entry.dimension &&
           current.bytes == entry.bytes;
}

const KeptSide& KeptSignals::side(Side side) const {
    return side == Side::Received ? m_received : m_transmitted;
}

KeptSide& KeptSignals::part(Side side) {
    return side == Side::Received ? m_received : m_transmitted;
}

void KeptSignals::replaceSide(Side side, KeptSide part) {
    this->part(side) = std::move(part);
}

const KeptFrame* KeptSignals::frame(Side side, int number) const {
    for (const KeptFrame& f : this->side(side).frames)
        if (f.number == number)
            return &f;
    return nullptr;
}

const KeptFrame* KeptSignals::frameFor(Side side, int number, std::uint32_t pgn,
                                       int sourceAddress) const {
    const KeptFrame* f = frame(side, number);
    return f && f->pgn == pgn && f->sourceAddress == sourceAddress ? f : nullptr;
}

const KeptSignal* KeptSignals::signal(Side side, std::int32_t index, std::int32_t subIndex) const {
    for (const KeptSignal& s : this->side(side).signalList)
        if (s.entry.index == index && s.entry.subIndex == subIndex)
            return &s;
    return nullptr;
}

const KeptSignal* KeptSignals::signalFor(Side side, int frameNumber,
                                         const SdoMappingEntry& current) const {
    const KeptSignal* s = signal(side, current.index, current.subIndex);
    return s && s->claims(frameNumber, current) ? s : nullptr;
}

std::vector<const KeptSignal*> KeptSignals::signalsOfFrame(Side side, int number) const {
    std::vector<const KeptSignal*> result;
    for (const KeptSignal& s : this->side(side).signalList)
        if (s.frame == number)
            result.push_back(&s);
    return result;
}

std::string KeptSignals::text() const {
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document.append_child(kRoot);
    for (const Side side : {Side::Received, Side::Transmitted}) {
        const KeptSide& kept = this->side(side);
        for (const KeptFrame& f : kept.frames) {
            pugi::xml_node row = root.append_child(kFrameRow);
            set(row, "Side", sideName(side));
            set(row, "Number", f.number);
            set(row, "Message", f.message);
            set(row, "Identifier", hexText(f.identifier, 8));
            set(row, "Length", f.length);
            set(row, "PGN", long(f.pgn));
            set(row, "ID_DEV", f.sourceAddress);
        }
        for (const KeptSignal& s : kept.signalList) {
            pugi::xml_node row = root.append_child(kSignalRow);
            set(row, "Side", sideName(side));
            set(row, "Frame", s.frame);
            set(row, "Index", hexText(std::uint32_t(s.entry.index), 4));
            set(row, "SubIndex", s.entry.subIndex);
            set(row, "Dimension", s.entry.dimension);
            for (std::size_t b = 0; b < s.entry.bytes.size(); ++b)
                set(row, std::string(field::kBytes[b]).c_str(), s.entry.bytes[b]);
            set(row, "Message", s.message);
            set(row, "Name", s.name);
            set(row, "Unit", s.unit);
            set(row, "Factor", keptNumberText(s.factor));
            set(row, "Offset", keptNumberText(s.offset));
            set(row, "Minimum", keptNumberText(s.minimum));
            set(row, "Maximum", keptNumberText(s.maximum));
            if (s.spn >= 0)
                set(row, "SPN", s.spn);
            set(row, "Comment", s.comment);
            set(row, "StartBit", s.startBit);
            set(row, "Length", s.length);
            set(row, "ByteOrder", s.littleEndian ? "Intel" : "Motorola");
            set(row, "Signed", s.isSigned ? "true" : "false");
            for (const auto& [number, text] : s.values) {
                pugi::xml_node value = row.append_child(kValueRow);
                set(value, "Number", std::to_string(number));
                set(value, "Text", text);
            }
        }
    }
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    // Line breaks inside values are written as character references, so every '\n' left
    // is a line end.
    std::string text;
    for (const char c : std::move(out).str()) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

KeptSignals KeptSignals::fromText(std::string text, const std::string& name) {
    ProjectDocument document;
    document.loadText(std::move(text), name);
    KeptSignals kept;
    for (const DocumentRow& row : document.rows(document.root(kRoot))) {
        const std::string_view element = row.node().name();
        if (element == kFrameRow) {
            const Side side = readSide(row, name);
            kept.part(side).frames.push_back(readFrame(row, name));
        } else if (element == kSignalRow) {
            const Side side = readSide(row, name);
            kept.part(side).signalList.push_back(readSignal(row, name));
        } else {
            throw Error(name + ", row " + std::to_string(row.number()) + ": '" +
                        std::string(element) + "' is neither a Frame nor a Signal");
        }
    }
    return kept;
}

KeptSignals KeptSignals::load(const fs::path& projectFolder) {
    const fs::path path = documentPath(projectFolder, kKeptSignalsFileName);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return {};
    return fromText(readWholeFile(path), path.filename().string());
}

void KeptSignals::save(const fs::path& projectFolder) const {
    writeFileAtomically(documentPath(projectFolder, kKeptSignalsFileName), text());
}

} // namespace ordane
