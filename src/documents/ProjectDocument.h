#pragma once

#include <pugixml.hpp>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ordane {

// One row of a table document: a child element of the root. Failures name the document
// and the row ("TCobDef.xml, row 3, PGN: 'xyz' is not a valid integer value").
class DocumentRow {
public:
    DocumentRow(pugi::xml_node node, std::string documentName, int number);

    int number() const { return m_number; } // 1-based position among the rows
    pugi::xml_node node() const { return m_node; }

    bool has(std::string_view name) const;
    std::optional<std::string> find(std::string_view name) const;
    // Throws Error when the attribute is absent.
    std::string attribute(std::string_view name) const;
    std::string attribute(std::string_view name, std::string_view fallback) const;
    // Strict number reading of an attribute; throws Error naming document, row and attribute.
    std::int32_t integer(std::string_view name) const;

private:
    std::string where() const;
    // The attribute's value, or nullptr when the row has none of that name.
    const char* lookup(std::string_view name) const;

    struct Field {
        const char* name;
        const char* value;
    };

    pugi::xml_node m_node;
    // The row's attributes as the first lookup found them: -1 before it, -2 when there are
    // more than the array keeps (the longest row of a project document has nine).
    mutable std::array<Field, 10> m_fields;
    mutable int m_fieldCount = -1;
    std::string m_documentName;
    int m_number;
};

// The XML layer of every project document: table shape (root with one `row` per table
// row, values in attributes) and record shape (root with one child element per value).
class ProjectDocument {
public:
    using Pair = std::pair<std::string, std::string>;

    // Parses the file; throws Error on a missing file or malformed XML.
    void load(const std::filesystem::path& path);
    // Loads document `name` of `folder` (any letter case) when it exists; false when it
    // does not. A document that exists but cannot be read throws Error as load does.
    bool loadIfExists(const std::filesystem::path& folder, std::string_view name);
    // Parses text already in memory; `name` is used in messages.
    void loadText(std::string text, std::string name);

    // The top-level element with that name; throws Error if there is none.
    pugi::xml_node root(std::string_view name) const;
    std::optional<pugi::xml_node> findRoot(std::string_view name) const;
    // The top-level element whatever its name; throws Error if there is none.
    pugi::xml_node documentElement() const;

    // Far more rows than any area of the device image holds (at most 1538), and few
    // enough for an editor's grid to show them all.
    static constexpr std::size_t kMostRows = 10000;

    // The child elements of the root, in document order, whatever their names. Throws
    // Error when there are more than kMostRows.
    std::vector<DocumentRow> rows(pugi::xml_node root) const;
    static std::size_t rowCount(pugi::xml_node root);

    // Text of the first child of the root with that name; throws Error if absent.
    std::string childText(pugi::xml_node root, std::string_view name) const;
    static std::optional<std::string> findChildText(pugi::xml_node root, std::string_view name);

    // A new, empty document with that root, replacing anything held before.
    void create(std::string_view rootName);
    void appendRow(const std::vector<Pair>& attributes);
    void setChildText(std::string_view name, std::string_view text);

    // The whole document as UTF-8 text with an XML declaration.
    std::string text() const;
    // Writes the whole document atomically; throws Error with the reason.
    void save(const std::filesystem::path& path) const;

    const std::string& name() const { return m_name; }

private:
    pugi::xml_document m_document;
    std::string m_buffer;
    std::string m_name;
};

} // namespace ordane
