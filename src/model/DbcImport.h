#pragma once

#include "documents/DbcFile.h"
#include "documents/J1939Identifier.h"
#include "documents/KeptSignals.h"
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
    J1939Identifier id;      // the source address as it will be saved
    bool importable = false;
    std::string reason;  // why it is skipped, when not importable
    std::string pgnText; // "0xF004", the 18-bit PGN
    // The DBC gives the null address 0xFE or the global address 0xFF as the sender: the
    // frame needs the address given for the import. Without one it is skipped.
    bool needsAddress = false;
};

// A sender's address that no frame list can hold: 0xFE, 0xFF.
constexpr bool isNoSourceAddress(int address) {
    return address >= 254;
}

// The --source-address and "Source address" text, number text as elsewhere. Throws Error
// when it is no integer or outside 0..253.
int parseSourceAddress(std::string_view text);

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
        std::size_t signalIndex = 0; // position in the message's signalList
    };
    std::vector<std::vector<Entry>> frames;
    // Per frame, the row of the import it comes from and its DBC name and identifier,
    // "EEC1 (0x0CF004FE)", as refusals name it.
    std::vector<std::size_t> frameRows;
    std::vector<std::string> frameNames;
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

    // The source address the messages without one (0xFE, 0xFF) are imported with; without
    // it they are skipped. Throws Error for an address outside 0..253.
    void setSourceAddress(std::optional<int> address);
    const std::optional<int>& sourceAddress() const { return m_sourceAddress; }
    // Whether any J1939 message of the file has no source address of its own.
    bool needsAddress() const;

    const DbcFile& file() const { return m_file; }
    FrameSide side() const { return m_side; }
    const std::vector<DbcImportRow>& rows() const { return m_rows; }
    const DbcMessage& message(const DbcImportRow& row) const {
        return m_file.messages[row.message];
    }

    // The rows the choice names, in file order, skipped ones included (they are reported,
    // never imported). Without any option every row. Throws Error naming a message or PGN
    // that the file does not have, or a node that no message mentions, and when a message
    // named by name or PGN has no source address and none was given.
    std::vector<std::size_t> choose(const DbcChoice& choice) const;
    // The importable rows among `rows`.
    std::vector<std::size_t> importable(const std::vector<std::size_t>& rows) const;

    // Clears the list and fills it with the importable rows among `rows`, in order. Throws
    // Error, leaving the list untouched, when none or more than the grid's 100 remain.
    void fillFrameList(J1939FrameList& list, const std::vector<std::size_t>& rows) const;

    // Index `firstIndex` + k for the k-th importable row of `rows`, a sub-index from 1 for
    // each signal that whole bytes carry, in start-bit order.
    DbcMappingPlan planMapping(const std::vector<std::size_t>& rows, std::int32_t firstIndex) const;

    // "EEC1 (0x0CF004FE)": the message and its identifier as the DBC writes it.
    std::string messageName(const DbcImportRow& row) const;

    // The first check of the list filled from `rows` that fails, naming the DBC message
    // and its identifier instead of the grid row.
    std::optional<std::string> frameListRefusal(const J1939FrameList& list,
                                                const std::vector<std::size_t>& rows) const;

    // What the import keeps of the DBC for this side: the messages of the frames filled from
    // `rows` and, with a plan, the signals of its entries.
    KeptSide keptSide(const std::vector<std::size_t>& rows, const DbcMappingPlan* plan) const;

private:
    void readSourceAddress(DbcImportRow& row, const J1939Reading& reading) const;

    DbcFile m_file;
    FrameSide m_side;
    std::vector<DbcImportRow> m_rows;
    std::optional<int> m_sourceAddress;
};

// Why a message without source address is skipped: "source address 0xFE (null address) in
// the DBC". The command line and the dialog add what to do about it in their own words.
std::string missingAddressReason(int address);

// The import's kept signals for `side` in place of the project's ones: reads the project's
// file (throws Error when it cannot be read, before anything is written) and returns it with
// that side replaced, to be saved after the documents.
KeptSignals keptSignalsWith(const std::filesystem::path& projectFolder, Side side, KeptSide part);

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
    explicit DbcSelection(DbcImport& import);

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

    // The "Source address" box: empty, or the address of the messages without one. A
    // valid address makes them importable (checked when everything fits, as at the start);
    // otherwise they are skipped and unchecked. Returns the message when the text is no
    // address.
    std::optional<std::string> setSourceAddressText(const std::string& text);
    const std::string& sourceAddressText() const { return m_sourceAddressText; }

    // The checked rows in file order.
    std::vector<std::size_t> chosen() const;
    // What OK needs: at least one and at most 100 frames, a valid index when mapping, a
    // valid source address when one is typed.
    std::optional<std::string> check() const;
    std::int32_t firstIndex() const;
    // check(), then, when mapping, the SDO editor's rules against the project's other side
    // (a collision names the signal and the pair).
    std::optional<std::string> checkForProject(const std::filesystem::path& projectFolder) const;

private:
    DbcImport& m_import;
    std::string m_sourceAddressText;
    std::vector<bool> m_checked;
    std::vector<std::size_t> m_visible;
};

} // namespace ordane
