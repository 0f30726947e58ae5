#pragma once

#include "core/MessageSink.h"
#include "model/DocumentModel.h"
#include "model/SdoClientFrames.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ordane {

inline constexpr const char* kFileXmlNotFound = "File XML not found";
inline constexpr const char* kSaveParameterError = "Error in the save parameter";

// One row of the guarded-node table, every cell as typed.
struct GuardedNode {
    std::string nodeId;
    std::string guardTime;
    std::string lifeTimeFactor;
    std::string mnemonic;

    bool inUse() const { return !nodeId.empty() && !guardTime.empty() && !lifeTimeFactor.empty(); }
    bool operator==(const GuardedNode&) const = default;
};

// The CANopen nodes the converter guards (NodeGuard.xml) and the five J1939 frames that
// report their state (NG_J1939_Frame.xml).
class NodeGuardSettings : public DocumentModel {
public:
    static constexpr int kRows = 32;
    static constexpr int kFrames = 5;

    struct TableLoad {
        bool found = true;                  // false: no NodeGuard.xml
        std::optional<std::string> problem; // why the table stopped early; the window stays silent
        std::size_t droppedRows = 0;        // rows after row 32, not loaded
    };

    NodeGuardSettings();

    void clearTable();
    void setDefaultFrames();

    // load() reads both documents: the table's problem and the frames' problem are load
    // problems, the window tells only the frames'.
    const TableLoad& table() const { return m_table; }
    // "NodeGuard.xml: File XML not found" and rows beyond the table's 32.
    std::vector<std::string> notes() const;

    // Empties the table, then fills it row by row until the document ends or a row fails.
    TableLoad loadTable(const std::filesystem::path& folder);
    // Starts from the default frames; a missing document keeps them. Throws Error at the
    // first problem, keeping the frames and values read before it.
    void loadFrames(const std::filesystem::path& folder);

    // Rows from row 1 up to the first row with Node ID, Guard Time or Life Time Factor empty.
    int usedRows() const;

    // Every failing check, in order: the rows, then the frames.
    std::vector<std::string> validateTable() const;
    std::vector<std::string> validateFrames() const;
    std::vector<Finding> failures() const override;

    // Each replaces its document; throw Error when it cannot be written.
    void saveTable(const std::filesystem::path& folder) const;
    void saveFrames(const std::filesystem::path& folder) const;
    // Both documents, the frames also when the table fails; throws the first Error.
    void save(const std::filesystem::path& folder) const override;
    // The window's save: a failed NodeGuard.xml is told as "Error in the save parameter"
    // and the frames are written all the same; a failed frame document is told in an
    // error box with its reason. Returns whether both were written.
    bool saveTelling(const std::filesystem::path& folder, MessageSink& messages) const;

    GuardedNode& node(int row) { return m_nodes.at(std::size_t(row - 1)); }
    const GuardedNode& node(int row) const { return m_nodes.at(std::size_t(row - 1)); }
    J1939FrameDefinition& frame(int k) { return m_frames.at(std::size_t(k - 1)); }
    const J1939FrameDefinition& frame(int k) const { return m_frames.at(std::size_t(k - 1)); }

protected:
    void read(const std::filesystem::path& folder) override;

private:
    TableLoad m_table;
    std::array<GuardedNode, kRows> m_nodes;
    std::array<J1939FrameDefinition, kFrames> m_frames;
};

} // namespace ordane
