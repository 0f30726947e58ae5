#include "model/PdoMapping.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/DocumentFiles.h"
#include "documents/ProjectDocument.h"

namespace ordane {

namespace fs = std::filesystem;

PdoMapping::PdoMapping(PdoDirection direction) : m_direction(direction) {}

namespace {

const DocumentDefinition& pdoDocument(PdoDirection direction) {
    return direction == PdoDirection::Rpdo ? documents::rpdo : documents::tpdo;
}

// RPDOs write into the transmitted frames, TPDOs carry the received ones.
const DocumentDefinition& frameDocument(PdoDirection direction) {
    return documents::frames(direction == PdoDirection::Rpdo ? Side::Transmitted : Side::Received);
}

} // namespace

const char* PdoMapping::frameDocumentName(PdoDirection direction) {
    return frameDocument(direction).fileName.data();
}

const char* PdoMapping::documentName(PdoDirection direction) {
    return pdoDocument(direction).fileName.data();
}

void PdoMapping::read(const fs::path& projectFolder) {
    m_choices.clear();
    m_rows = {};
    m_storedFrames.clear();
    m_referenceProblems.clear();
    // The PDO document is read even when the frame list is not, so that its rows are not
    // lost at the next save.
    try {
        loadFrameChoices(projectFolder);
    } catch (const Error& e) {
        m_referenceProblems.push_back({frameDocumentName(m_direction), 0, e.what()});
    }
    readStep(documentName(m_direction), [&] { loadDefinitions(projectFolder); });
}

void PdoMapping::tellLoadProblems(MessageSink& messages) const {
    for (const Finding& problem : m_referenceProblems)
        messages.error(problem.message);
    reportLoadProblems(*this, messages);
}

void PdoMapping::loadFrameChoices(const fs::path& projectFolder) {
    DocumentFile file;
    if (!file.load(projectFolder, frameDocument(m_direction)))
        return;
    for (const DocumentRow& row : file.rows()) {
        std::string choice = std::to_string(row.number()) + ";" + row.attribute(field::kPgn);
        m_choices.push_back(choice + ";" + row.attribute(field::kSourceAddress));
    }
}

void PdoMapping::loadDefinitions(const fs::path& projectFolder) {
    DocumentFile file;
    if (!file.load(projectFolder, pdoDocument(m_direction)))
        return;
    const auto rows = file.rowsOfNamedRoot();
    for (const DocumentRow& row : rows)
        m_storedFrames.push_back({row.number(), row.find(field::kFrame)});
    for (std::size_t k = 0; k < rows.size() && k < kRows; ++k) {
        const DocumentRow& row = rows[k];
        PdoDefinition& pdo = m_rows[k];
        pdo.cobId = row.attribute(field::kCobId);
        pdo.dimension = row.attribute(field::kDimension);
        pdo.offset = row.attribute(field::kOffset, "1");
        pdo.frame = choiceOf(parseInteger(row.attribute(field::kFrame, ""), -1));
        pdo.mnemonic = row.attribute(field::kMnemonic);
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

std::vector<Finding> PdoMapping::failures() const {
    std::vector<Finding> result;
    const std::string name = documentName(m_direction);
    for (std::size_t r = 0; r < tableRows(); ++r) {
        const PdoDefinition& pdo = m_rows[r];
        const std::int32_t cobId = parseInteger(pdo.cobId, -1);
        const std::int32_t dimension = parseInteger(pdo.dimension, -1);
        const std::int32_t offset = parseInteger(pdo.offset, -1);
        auto fail = [&](const char* text) {
            result.push_back({name, 0, "Error row " + std::to_string(r + 1) + text});
        };
        if (cobId < 1 || cobId > 0x7FF)
            fail("!! COB-ID must be between 0x001 and 0x7FF. ");
        if (dimension < 1 || dimension > 8)
            fail("!! Dimension must be between 1 and 8. ");
        if (offset < 1 || offset > 8)
            fail("!! Offset must be between 1 and 8. ");
        if (dimension + offset > 9)
            fail("!! Dimension and Offset are not correct together. ");
    }
    return result;
}

void PdoMapping::save(const fs::path& projectFolder) const {
    ProjectDocument document;
    const DocumentDefinition& definition = pdoDocument(m_direction);
    document.create(definition.rootName);
    for (std::size_t r = 0; r < tableRows(); ++r) {
        const PdoDefinition& pdo = m_rows[r];
        std::vector<ProjectDocument::Pair> values = {
            {std::string(field::kCobId), pdo.cobId},
            {std::string(field::kDimension), pdo.dimension},
            {std::string(field::kOffset), pdo.offset}};
        if (const int frame = frameNumber(pdo.frame); frame > 0)
            values.emplace_back(field::kFrame, std::to_string(frame));
        values.emplace_back(field::kMnemonic, pdo.mnemonic);
        document.appendRow(values);
    }
    document.save(documentPath(projectFolder, definition.fileName));
}

} // namespace ordane
