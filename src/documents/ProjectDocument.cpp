#include "ProjectDocument.h"

#include "DocumentFiles.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/NumberText.h"

#include <algorithm>
#include <sstream>
#include <system_error>

namespace ordane {

namespace fs = std::filesystem;

DocumentRow::DocumentRow(pugi::xml_node node, std::string documentName, int number)
    : m_node(node), m_documentName(std::move(documentName)), m_number(number) {}

std::string DocumentRow::where() const {
    return m_documentName + ", row " + std::to_string(m_number);
}

namespace {

// `stored` (zero-terminated) equals `wanted`; compared without measuring `stored` first.
bool sameName(const char* stored, std::string_view wanted) {
    for (const char c : wanted) {
        if (*stored != c)
            return false;
        ++stored;
    }
    return *stored == '\0';
}

} // namespace

// A compilation makes some twenty thousand lookups, so the row's attribute names and values
// are taken from the parser once and then compared in place, first match first as the
// parser's own search does.
const char* DocumentRow::lookup(std::string_view name) const {
    if (m_fieldCount < 0) {
        m_fieldCount = 0;
        for (pugi::xml_attribute a = m_node.first_attribute(); a; a = a.next_attribute()) {
            if (m_fieldCount == int(m_fields.size())) {
                m_fieldCount = -2; // more than are kept: search the parser's list
                break;
            }
            m_fields[std::size_t(m_fieldCount++)] = {a.name(), a.value()};
        }
    }
    if (m_fieldCount == -2) {
        for (pugi::xml_attribute a = m_node.first_attribute(); a; a = a.next_attribute())
            if (sameName(a.name(), name))
                return a.value();
        return nullptr;
    }
    for (int i = 0; i < m_fieldCount; ++i)
        if (sameName(m_fields[std::size_t(i)].name, name))
            return m_fields[std::size_t(i)].value;
    return nullptr;
}

bool DocumentRow::has(std::string_view name) const {
    return static_cast<bool>(lookup(name));
}

std::optional<std::string> DocumentRow::find(std::string_view name) const {
    const char* value = lookup(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

std::string DocumentRow::attribute(std::string_view name) const {
    if (auto value = find(name))
        return *value;
    throw Error(where() + ": attribute '" + std::string(name) + "' is missing");
}

std::string DocumentRow::attribute(std::string_view name, std::string_view fallback) const {
    return find(name).value_or(std::string(fallback));
}

std::int32_t DocumentRow::integer(std::string_view name) const {
    const char* stored = lookup(name);
    if (!stored)
        throw Error(where() + ": attribute '" + std::string(name) + "' is missing");
    const std::string_view text = stored;
    if (auto value = tryParseInteger(text))
        return *value;
    throw Error(where() + ", " + std::string(name) + ": " + notAnIntegerMessage(text));
}

namespace {

int lineOf(const std::string& text, std::ptrdiff_t offset) {
    const auto end =
        text.begin() + std::clamp<std::ptrdiff_t>(offset, 0, std::ptrdiff_t(text.size()));
    return 1 + static_cast<int>(std::count(text.begin(), end, '\n'));
}

// The parser takes several top-level elements, and text beside them, as a document; XML
// allows one root element and nothing but markup around it.
std::optional<std::pair<std::string, std::ptrdiff_t>> outsideTheRoot(const pugi::xml_document& d) {
    bool rootSeen = false;
    for (pugi::xml_node node : d.children()) {
        switch (node.type()) {
        case pugi::node_element:
            if (rootSeen)
                return std::pair{std::string("More than one root element"), node.offset_debug()};
            rootSeen = true;
            break;
        case pugi::node_pcdata:
        case pugi::node_cdata: {
            // The line of the text itself, not of the line break before it.
            const std::string_view text = node.value();
            const std::size_t blanks = std::min(text.find_first_not_of(" \t\r\n"), text.size());
            return std::pair{std::string("Text outside the root element"),
                             node.offset_debug() + std::ptrdiff_t(blanks)};
        }
        default:
            break;
        }
    }
    if (!rootSeen)
        return std::pair{std::string("No document element found"), std::ptrdiff_t(0)};
    return std::nullopt;
}

} // namespace

void ProjectDocument::load(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        throw Error("File not found: " + path.string());
    loadText(readWholeFile(path), path.filename().string());
}

bool ProjectDocument::loadIfExists(const fs::path& folder, std::string_view name) {
    const fs::path path = documentPath(folder, name);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    loadText(readWholeFile(path), path.filename().string());
    return true;
}

void ProjectDocument::loadText(std::string text, std::string name) {
    m_name = std::move(name);
    m_document.reset();
    m_buffer = std::move(text);
    // Parse a copy so the original stays available for line numbers in messages. As a fragment,
    // so that the parser keeps text outside the root element for the check below.
    const pugi::xml_parse_result result = m_document.load_buffer(
        m_buffer.data(), m_buffer.size(), pugi::parse_default | pugi::parse_fragment);
    std::optional<std::pair<std::string, std::ptrdiff_t>> fault;
    if (!result)
        fault.emplace(result.description(), result.offset);
    else
        fault = outsideTheRoot(m_document);
    if (fault) {
        const int line = lineOf(m_buffer, fault->second);
        m_buffer.clear();
        m_buffer.shrink_to_fit();
        m_document.reset();
        throw Error(m_name + ": " + fault->first + " (line " + std::to_string(line) + ")");
    }
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

std::optional<pugi::xml_node> ProjectDocument::findRoot(std::string_view name) const {
    for (pugi::xml_node node : m_document.children())
        if (node.type() == pugi::node_element && name == node.name())
            return node;
    return std::nullopt;
}

pugi::xml_node ProjectDocument::root(std::string_view name) const {
    if (auto node = findRoot(name))
        return *node;
    throw Error(m_name + ": root element '" + std::string(name) + "' not found");
}

pugi::xml_node ProjectDocument::documentElement() const {
    if (pugi::xml_node node = m_document.document_element())
        return node;
    throw Error(m_name + ": the document has no root element");
}

std::vector<DocumentRow> ProjectDocument::rows(pugi::xml_node root) const {
    if (const std::size_t count = rowCount(root); count > kMostRows)
        throw Error(m_name + " has " + std::to_string(count) +
                    " rows; a project document holds at most " + std::to_string(kMostRows));
    std::vector<DocumentRow> result;
    int number = 0;
    for (pugi::xml_node child : root.children())
        if (child.type() == pugi::node_element)
            result.emplace_back(child, m_name, ++number);
    return result;
}

std::size_t ProjectDocument::rowCount(pugi::xml_node root) {
    std::size_t count = 0;
    for (pugi::xml_node child : root.children())
        if (child.type() == pugi::node_element)
            ++count;
    return count;
}

std::optional<std::string> ProjectDocument::findChildText(pugi::xml_node root,
                                                          std::string_view name) {
    for (pugi::xml_node child : root.children())
        if (child.type() == pugi::node_element && name == child.name())
            return std::string(child.text().get());
    return std::nullopt;
}

std::string ProjectDocument::childText(pugi::xml_node root, std::string_view name) const {
    if (auto text = findChildText(root, name))
        return *text;
    throw Error(m_name + ": element '" + std::string(name) + "' is missing");
}

void ProjectDocument::create(std::string_view rootName) {
    m_document.reset();
    pugi::xml_node declaration = m_document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    m_document.append_child(std::string(rootName).c_str());
}

void ProjectDocument::appendRow(const std::vector<Pair>& attributes) {
    pugi::xml_node row = m_document.document_element().append_child("row");
    for (const auto& [name, value] : attributes)
        row.append_attribute(name.c_str()) = value.c_str();
}

void ProjectDocument::setChildText(std::string_view name, std::string_view text) {
    pugi::xml_node child = m_document.document_element().append_child(std::string(name).c_str());
    child.text().set(std::string(text).c_str());
}

std::string ProjectDocument::text() const {
    std::ostringstream out;
    m_document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return std::move(out).str();
}

void ProjectDocument::save(const fs::path& path) const {
    writeFileAtomically(path, text());
}

} // namespace ordane
