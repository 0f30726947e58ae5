#include "model/NodeGuardSettings.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/ProjectFolder.h"
#include "documents/DocumentFiles.h"
#include "documents/ProjectDocuments.h"

#include <algorithm>

namespace ordane {

namespace fs = std::filesystem;

NodeGuardSettings::NodeGuardSettings() {
    setDefaultFrames();
}

void NodeGuardSettings::clearTable() {
    m_nodes.fill(GuardedNode{});
}

void NodeGuardSettings::setDefaultFrames() {
    for (int k = 1; k <= kFrames; ++k)
        frame(k) = defaultJ1939Frame(k);
}

void NodeGuardSettings::read(const fs::path& folder) {
    m_table = loadTable(folder);
    if (m_table.problem)
        addLoadProblem({std::string(documents::guardedNodes.fileName), 0, *m_table.problem});
    readStep(documents::guardFrames.fileName, [&] { loadFrames(folder); });
}

std::vector<std::string> NodeGuardSettings::notes() const {
    const std::string name(documents::guardedNodes.fileName);
    std::vector<std::string> result;
    if (!m_table.found)
        result.push_back(name + ": " + kFileXmlNotFound);
    if (m_table.droppedRows > 0)
        result.push_back(name + ": " + std::to_string(m_table.droppedRows) +
                         " rows after row 32 are not used");
    return result;
}

NodeGuardSettings::TableLoad NodeGuardSettings::loadTable(const fs::path& folder) {
    clearTable();
    TableLoad result;
    DocumentFile file;
    try {
        if (folder.empty() || !file.load(folder, documents::guardedNodes)) {
            result.found = false;
            return result;
        }
        const std::vector<DocumentRow> rows = file.rows();
        if (rows.size() > std::size_t(kRows))
            result.droppedRows = rows.size() - std::size_t(kRows);
        for (std::size_t i = 0; i < std::min(rows.size(), std::size_t(kRows)); ++i) {
            GuardedNode& cells = m_nodes[i];
            cells.nodeId = rows[i].attribute(field::kNodeId);
            cells.guardTime = rows[i].attribute(field::kGuardTime);
            cells.lifeTimeFactor = rows[i].attribute(field::kLifeTimeFactor);
            cells.mnemonic = rows[i].attribute(field::kMnemonic);
        }
    } catch (const Error& e) {
        result.problem = e.what();
    }
    return result;
}

void NodeGuardSettings::loadFrames(const fs::path& folder) {
    setDefaultFrames();
    DocumentFile file;
    if (folder.empty() || !file.load(folder, documents::guardFrames))
        return;
    const std::vector<DocumentRow> rows = file.rowsOfNamedRoot();
    for (std::size_t i = 0; i < std::min(rows.size(), std::size_t(kFrames)); ++i) {
        m_frames[i].priority = readChoice(rows[i], field::kPriority, kPriorityEntries);
        readFrameValues(rows[i], m_frames[i]);
    }
}

int NodeGuardSettings::usedRows() const {
    int used = 0;
    while (used < kRows && m_nodes[std::size_t(used)].inUse())
        ++used;
    return used;
}

std::vector<std::string> NodeGuardSettings::validateTable() const {
    std::vector<std::string> messages;
    auto check = [&](int row, const std::string& text, int low, int high, const char* tail) {
        const int value = parseInteger(text, -1);
        if (value < low || value > high)
            messages.push_back("Error in row " + std::to_string(row) + tail);
    };
    // Each cell is checked until the first empty one, which ends the used rows.
    for (int row = 1; row <= kRows; ++row) {
        const GuardedNode& cells = node(row);
        if (cells.nodeId.empty())
            break;
        check(row, cells.nodeId, 1, 127, ". Node ID must be between 1 and 127");
        if (cells.guardTime.empty())
            break;
        check(row, cells.guardTime, 1, 65535, ". Guard Time must be between 1 and 65535 mS");
        if (cells.lifeTimeFactor.empty())
            break;
        check(row, cells.lifeTimeFactor, 1, 255, ". Life Time Factor must be between 1 and 255");
    }
    return messages;
}

std::vector<std::string> NodeGuardSettings::validateFrames() const {
    std::vector<std::string> messages;
    for (int k = 1; k <= kFrames; ++k)
        checkJ1939Frame(frame(k), "Frame J1939 " + std::to_string(k), messages);
    return messages;
}

std::vector<Finding> NodeGuardSettings::failures() const {
    std::vector<Finding> result;
    appendFindings(result, documents::guardedNodes.fileName, validateTable());
    appendFindings(result, documents::guardFrames.fileName, validateFrames());
    return result;
}

void NodeGuardSettings::saveTable(const fs::path& folder) const {
    requireProjectFolder(folder);
    ProjectDocument table;
    table.create(documents::guardedNodes.rootName);
    for (int row = 1; row <= usedRows(); ++row) {
        const GuardedNode& cells = node(row);
        table.appendRow({{std::string(field::kNodeId), cells.nodeId},
                         {std::string(field::kGuardTime), cells.guardTime},
                         {std::string(field::kLifeTimeFactor), cells.lifeTimeFactor},
                         {std::string(field::kMnemonic), cells.mnemonic}});
    }
    table.save(documentPath(folder, documents::guardedNodes.fileName));
}

void NodeGuardSettings::saveFrames(const fs::path& folder) const {
    requireProjectFolder(folder);
    ProjectDocument frames;
    frames.create(documents::guardFrames.rootName);
    for (const J1939FrameDefinition& f : m_frames)
        frames.appendRow(frameAttributes(f));
    frames.save(documentPath(folder, documents::guardFrames.fileName));
}

void NodeGuardSettings::save(const fs::path& folder) const {
    std::optional<Error> first;
    try {
        saveTable(folder);
    } catch (const Error& e) {
        first = e;
    }
    saveFrames(folder);
    if (first)
        throw *first;
}

bool NodeGuardSettings::saveTelling(const fs::path& folder, MessageSink& messages) const {
    if (folder.empty()) {
        messages.error("Project not valid");
        return false;
    }
    bool written = true;
    try {
        saveTable(folder);
    } catch (const Error&) {
        messages.info(kSaveParameterError);
        written = false;
    }
    try {
        saveFrames(folder);
    } catch (const Error& e) {
        messages.error(e.what());
        written = false;
    }
    return written;
}

} // namespace ordane
