#include "editors/NodeGuardSettings.h"

#include "documents/DocumentFiles.h"
#include "documents/Error.h"
#include "documents/NumberText.h"

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

NodeGuardSettings::TableLoad NodeGuardSettings::loadTable(const fs::path& folder) {
    clearTable();
    TableLoad result;
    if (folder.empty() || !documentExists(folder, kNodeGuardDocument)) {
        result.found = false;
        return result;
    }
    try {
        ProjectDocument document;
        document.load(documentPath(folder, kNodeGuardDocument));
        const std::vector<DocumentRow> rows = document.rows(document.documentElement());
        if (rows.size() > std::size_t(kRows))
            result.droppedRows = rows.size() - std::size_t(kRows);
        for (std::size_t i = 0; i < std::min(rows.size(), std::size_t(kRows)); ++i) {
            GuardedNode& cells = m_nodes[i];
            cells.nodeId = rows[i].attribute("NodeID");
            cells.guardTime = rows[i].attribute("GuardTime");
            cells.lifeTimeFactor = rows[i].attribute("LifeTimeFactor");
            cells.mnemonic = rows[i].attribute("Mnemonic");
        }
    } catch (const Error& e) {
        result.problem = e.what();
    }
    return result;
}

void NodeGuardSettings::loadFrames(const fs::path& folder) {
    setDefaultFrames();
    if (folder.empty() || !documentExists(folder, kNodeGuardFramesDocument))
        return;
    ProjectDocument document;
    document.load(documentPath(folder, kNodeGuardFramesDocument));
    const std::vector<DocumentRow> rows = document.rows(document.root(kNodeGuardFramesRoot));
    for (std::size_t i = 0; i < std::min(rows.size(), std::size_t(kFrames)); ++i) {
        m_frames[i].priority = readChoice(rows[i], "Priority", kPriorityEntries);
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

std::vector<std::string> NodeGuardSettings::validate() const {
    std::vector<std::string> messages = validateTable();
    for (std::string& message : validateFrames())
        messages.push_back(std::move(message));
    return messages;
}

void NodeGuardSettings::saveTable(const fs::path& folder) const {
    requireProjectFolder(folder);
    ProjectDocument table;
    table.create(kNodeGuardRoot);
    for (int row = 1; row <= usedRows(); ++row) {
        const GuardedNode& cells = node(row);
        table.appendRow({{"NodeID", cells.nodeId},
                         {"GuardTime", cells.guardTime},
                         {"LifeTimeFactor", cells.lifeTimeFactor},
                         {"Mnemonic", cells.mnemonic}});
    }
    table.save(documentPath(folder, kNodeGuardDocument));
}

void NodeGuardSettings::saveFrames(const fs::path& folder) const {
    requireProjectFolder(folder);
    ProjectDocument frames;
    frames.create(kNodeGuardFramesRoot);
    for (const J1939FrameDefinition& f : m_frames)
        frames.appendRow(frameAttributes(f));
    frames.save(documentPath(folder, kNodeGuardFramesDocument));
}

bool NodeGuardSettings::save(const fs::path& folder, MessageSink& messages) const {
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
