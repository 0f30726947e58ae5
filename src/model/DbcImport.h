#pragma once

#include "documents/DbcFile.h"
#include "documents/J1939Identifier.h"
#include "model/J1939FrameList.h"
#include "model/SdoMapping.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ordane {

// One message of a DBC file as the import of one side offers it.
struct DbcImportRow {
    std::size_t message = 0; // position in DbcFile::messages
    J1939Identifier id;
    bool importable = false;
    std::string reason;  // why it is skipped, when not importable
    std::string pgnText; // "0xF004", the 18-bit PGN
};

// A signal that the SDO mapping cannot carry, with the reason.
struct SkippedSignal {
    std::string message;
    std::string signal;
    std::string reason;
};

// The SDO mapping of the imported frames: per frame (in import order) its entries, with
// the signal each entry carries.
struct DbcMappingPlan {
    struct Entry {
        SdoMappingEntry entry;
        std::string signal;
        long spn = -1;
    };
    std::vector<std::vector<Entry>> frames;
    std::vector<SkippedSignal> skipped;
    std::size_t entryCount() const;
};

// What the command line chooses with --messages, --pgn and --node; each given option
// narrows the choice.
struct DbcChoice {
    std::vector<std::string> names;
    std::vector<std::uint32_t> pgns; // 18-bit PGNs; 16-bit ones mean data page 0
    std::string node;
};

// The J1939 reading of a DBC file for one frame list: which messages can be frames of that
// side, the frame-list rows they give and the SDO mapping of their signals.
class DbcImport {
public:
    DbcImport(DbcFile file, FrameSide side);

    const DbcFile& file() const { return m_file; }
    FrameSide side() const { return m_side; }
    const std::vector<DbcImportRow>& rows() const { return m_rows; }
    const DbcMessage& message(const DbcImportRow& row) const {
        return m_file.messages[row.message];
    }

    // The rows the choice names, in file order, skipped ones included (they are reported,
    // never imported). Without any option every row. Throws Error naming a message or PGN
    // that the file does not have, or a node that no message mentions.
    std::vector<std::size_t> choose(const DbcChoice& choice) const;
    // The importable rows among `rows`.
    std::vector<std::size_t> importable(const std::vector<std::size_t>& rows) const;

    // Clears the list and fills it with the importable rows among `rows`, in order. Throws
    // Error, leaving the list untouched, when none or more than the grid's 100 remain.
    void fillFrameList(J1939FrameList& list, const std::vector<std::size_t>& rows) const;

    // Index `firstIndex` + k for the k-th importable row of `rows`, a sub-index from 1 for
    // each signal that whole bytes carry, in start-bit order.
    DbcMappingPlan planMapping(const std::vector<std::size_t>& rows, std::int32_t firstIndex) const;

private:
    DbcFile m_file;
    FrameSide m_side;
    std::vector<DbcImportRow> m_rows;
};

// The SDO mapping entry that carries `signal` whole, or the reason there is none.
// Dimension and bytes follow the frame list's byte numbering (1 = first byte).
std::optional<SdoMappingEntry> signalEntry(const DbcSignal& signal, std::string& reason);

// The range message when objects `first` .. `first` + `frames` - 1 leave the mapped range.
std::optional<std::string> mappingIndexProblem(std::int64_t first, std::size_t frames);

// The number of entries of the side's SDO mapping document (0 when it does not exist).
std::size_t existingSdoEntries(const std::filesystem::path& projectFolder, SdoSide side);

// Each table row's label as the SDO editor shows it: the frame list's number columns
// (PGN, source address; on the transmitted side priority and data page first), tab-separated.
std::vector<std::string> frameLabels(const J1939FrameList& frames);

// Loads the side's SDO mapping, replaces its frames by the frame list's table rows and its
// entries by the plan's, checking each by the SDO editor's rules. Throws Error naming the
// signal and the pair on the first collision; `mapping` is then not to be saved.
void applyMappingPlan(SdoMapping& mapping, const std::filesystem::path& projectFolder,
                      const J1939FrameList& frames, const DbcMappingPlan& plan);

// The selection dialog's state over a DbcImport: a check box per row (only importable rows
// can be checked), a filter, and the "map the signals" choice.
class DbcSelection {
public:
    explicit DbcSelection(const DbcImport& import);

    const DbcImport& import() const { return m_import; }
    std::size_t rowCount() const { return m_checked.size(); }
    bool checked(std::size_t row) const { return m_checked[row]; }
    void setChecked(std::size_t row, bool on);
    // Over the rows the filter shows.
    void selectAll();
    void selectNone();
    std::size_t checkedCount() const;

    // Rows whose name, PGN, transmitter or source address contain `text`, any letter case.
    void setFilter(const std::string& text);
    const std::vector<std::size_t>& visible() const { return m_visible; }

    bool mapSignals = false;
    std::string indexText = "0x2100";

    // The checked rows in file order.
    std::vector<std::size_t> chosen() const;
    // What OK needs: at least one and at most 100 frames, a valid index when mapping.
    std::optional<std::string> check() const;
    std::int32_t firstIndex() const;
    // check(), then, when mapping, the SDO editor's rules against the project's other side
    // (a collision names the signal and the pair).
    std::optional<std::string> checkForProject(const std::filesystem::path& projectFolder) const;

private:
    const DbcImport& m_import;
    std::vector<bool> m_checked;
    std::vector<std::size_t> m_visible;
};

} // namespace ordane
