#include "editors/PdoMapping.h"

#include "app/MessageSink.h"
#include "documents/DocumentFiles.h"
#include "documents/Error.h"
#include "documents/NumberText.h"
#include "documents/ProjectDocument.h"

namespace ordane {

namespace fs = std::filesystem;

PdoMapping::PdoMapping(PdoDirection direction) : m_direction(direction) {}

const char* PdoMapping::frameDocumentName(PdoDirection direction) {
    return direction == PdoDirection::Rpdo ? "TCobDef.xml" : "RCobDef.xml";
}

const char* PdoMapping::documentName(PdoDirection direction) {
    return direction == PdoDirection::Rpdo ? "pdoJ1939.xml" : "TpdoJ1939.xml";
}

void PdoMapping::load(const fs::path& projectFolder, MessageSink& messages) {
    m_choices.clear();
    m_rows = {};
    // The PDO document is read even when the frame list is not, so that its rows are not
    // lost at the next save.
    try {
        loadFrameChoices(projectFolder);
    } catch (const Error& e) {
        messages.error(e.what());
    }
    try {
        loadDefinitions(projectFolder);
    } catch (const Error& e) {
        messages.error(e.what());
    }
}

void PdoMapping::loadFrameChoices(const fs::path& projectFolder) {
    m_choices.clear();
    const char* name = frameDocumentName(m_direction);
    ProjectDocument document;
    if (!document.loadIfExists(projectFolder, name))
        return;
    for (const DocumentRow& row : document.rows(document.documentElement())) {
        std::string choice = std::to_string(row.number()) + ";" + row.attribute("PGN");
        m_choices.push_back(choice + ";" + row.attribute("ID_DEV"));
    }
}

void PdoMapping::loadDefinitions(const fs::path& projectFolder) {
    m_rows = {};
    const char* name = documentName(m_direction);
    ProjectDocument document;
    if (!document.loadIfExists(projectFolder, name))
        return;
    const auto rows = document.rows(document.root("PDOJ1939"));
    for (std::size_t k = 0; k < rows.size() && k < kRows; ++k) {
        const DocumentRow& row = rows[k];
        PdoDefinition& pdo = m_rows[k];
        pdo.cobId = row.attribute("COB-ID");
        pdo.dimension = row.attribute("Dimension");
        pdo.offset = row.attribute("Offset", "1");
        pdo.frame = choiceOf(parseInteger(row.attribute("Frame_J1939", ""), -1));
        pdo.mnemonic = row.attribute("Mnemonic");
    }
}

std::string PdoMapping::choiceOf(int number) const {
    if (number < 1 || static_cast<std::size_t>(number) > m_choices.size())
        return {};
    return m_choices[static_cast<std::size_t>(number - 1)];
}

int PdoMapping::frameNumber(const std::string& cell) {
    return parseInteger(std::string_view(cell).substr(0, cell.find(';')), -1);
}

std::size_t PdoMapping::tableRows() const {
    std::size_t n = 0;
    while (n < kRows && !m_rows[n].cobId.empty())
        ++n;
    return n;
}

std::optional<std::string> PdoMapping::checkRow(std::size_t row) const {
    const PdoDefinition& pdo = m_rows[row];
    const std::int32_t cobId = parseInteger(pdo.cobId, -1);
    const std::int32_t dimension = parseInteger(pdo.dimension, -1);
    const std::int32_t offset = parseInteger(pdo.offset, -1);
    const char* text = nullptr;
    if (cobId < 1 || cobId > 0x7FF)
        text = "!! COB-ID must be between 0x001 and 0x7FF. ";
    else if (dimension < 1 || dimension > 8)
        text = "!! Dimension must be between 1 and 8. ";
    else if (offset < 1 || offset > 8)
        text = "!! Offset must be between 1 and 8. ";
    else if (dimension + offset > 9)
        text = "!! Dimension and Offset are not correct together. ";
    if (!text)
        return std::nullopt;
    return "Error row " + std::to_string(row + 1) + text;
}

std::optional<std::string> PdoMapping::validate() const {
    for (std::size_t r = 0; r < tableRows(); ++r)
        if (auto message = checkRow(r))
            return message;
    return std::nullopt;
}

std::vector<std::string> PdoMapping::validateAll() const {
    std::vector<std::string> messages;
    for (std::size_t r = 0; r < tableRows(); ++r)
        if (auto message = checkRow(r))
            messages.push_back(*message);
    return messages;
}

void PdoMapping::save(const fs::path& projectFolder) const {
    ProjectDocument document;
    document.create("PDOJ1939");
    for (std::size_t r = 0; r < tableRows(); ++r) {
        const PdoDefinition& pdo = m_rows[r];
        std::vector<ProjectDocument::Pair> values = {
            {"COB-ID", pdo.cobId}, {"Dimension", pdo.dimension}, {"Offset", pdo.offset}};
        if (const int frame = frameNumber(pdo.frame); frame > 0)
            values.emplace_back("Frame_J1939", std::to_string(frame));
        values.emplace_back("Mnemonic", pdo.mnemonic);
        document.appendRow(values);
    }
    document.save(documentPath(projectFolder, documentName(m_direction)));
}

} // namespace ordane
