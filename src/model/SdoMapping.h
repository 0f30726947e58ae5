#pragma once

#include "core/MappedObjectRules.h"
#include "documents/KeptSignals.h"
#include "documents/ProjectDocuments.h"
#include "model/DocumentModel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

// 1: the received frames (RCobDef.xml, RInfoCob.xml); 2: the transmitted frames.
using SdoSide = Side;

struct SdoMappingFrame {
    int number = 0;    // 1-based position in the frame document
    std::string label; // the frame document's texts, tab-separated
    std::vector<SdoMappingEntry> entries;
};

// An entry by its frame (0-based position in frames()) and its position in that frame.
struct SdoEntryPosition {
    std::size_t frame = 0;
    std::size_t entry = 0;
};

// The SDO mapping of one side: the side's frames with their entries, the objects the
// other side already maps, and a one-entry clipboard that survives every load.
class SdoMapping : public DocumentModel {
public:
    explicit SdoMapping(SdoSide side);

    SdoSide side() const { return m_side; }
    // Changes the documents used from the next load; the clipboard stays.
    void setSide(SdoSide side);

    static const char* frameDocumentName(SdoSide side);
    static const char* mappingDocumentName(SdoSide side);
    // "PGN                ID_DEV" or "PRIOR       DP           PGN        ID_DEV".
    static const char* frameHeading(SdoSide side);

    // load(): reads the frames, this side's entries and the other side's objects, each
    // step on its own, keeping what was read before a step's problem. Every row of this
    // side's document that cannot be read is a load problem. Entries whose frame is beyond
    // the list (removed since) are left out and listed by strayRows(); the entries end at
    // a row of a listed frame that cannot be read or whose NrPdo is below 1.
    bool entriesCut() const { return m_entriesCut; }
    // What the window tells after a load, in reading order: "Error in reading file PDO XML"
    // and "Error in reading file SDOPDO XML" as plain messages, the other side's problem in
    // an error box.
    void tellLoadProblems(MessageSink& messages) const;

    // Problems met in the two documents this side only reads: the frame list and the other
    // side's mapping. The project check finds them with those documents' own models.
    const std::vector<Finding>& referenceProblems() const { return m_referenceProblems; }
    bool framesReadWhole() const { return m_framesReadWhole; }

    // Every readable row of this side's document, also those not taken as entries.
    const std::vector<SdoMappingRow>& storedRows() const { return m_rows; }
    // Rows whose NrPdo names no frame of the list: "NrPdo 5 names no frame of RCobDef.xml".
    const std::vector<Finding>& strayRows() const { return m_strays; }

    // Each readable row's Index and SubIndex within the editor's ranges, and a frame byte taken.
    std::vector<Finding> failures() const override;

    const std::vector<SdoMappingFrame>& frames() const { return m_frames; }
    // Frames 1, 2, ... with these labels and no entries, for a frame list not yet saved.
    void replaceFrames(std::vector<std::string> labels);
    const std::vector<SdoMappingEntry>& entries(std::size_t frame) const;
    const SdoMappingEntry& entry(SdoEntryPosition position) const;
    // The name of the DBC signal the entry was imported from, while its frame and its
    // mapping are still the imported ones (see KeptSignals); "" otherwise.
    std::string signalName(SdoEntryPosition position) const;

    // The check of New (no excluded entry) and Modify (the entry being modified): the
    // first failing rule's message, or nothing.
    std::optional<std::string> checkEntry(std::string_view indexText, std::string_view subIndexText,
                                          std::optional<SdoEntryPosition> excluded) const;
    // Returns the new entry's position in its frame.
    std::size_t addEntry(std::size_t frame, const SdoMappingEntry& entry);
    void modifyEntry(SdoEntryPosition position, const SdoMappingEntry& entry);
    void deleteEntry(SdoEntryPosition position);

    // Copy: both texts read strictly (the message when one is no integer) together with
    // the drop-down positions of `positions`.
    std::optional<std::string> copy(std::string_view indexText, std::string_view subIndexText,
                                    const SdoMappingEntry& positions);
    const SdoMappingEntry& clipboard() const { return m_clipboard; }

    // Writes the side's mapping document: frame order, then entry order, all decimal.
    // Throws Error when the document cannot be written.
    void save(const std::filesystem::path& projectFolder) const override;

protected:
    void read(const std::filesystem::path& projectFolder) override;

private:
    void loadFrames(const std::filesystem::path& projectFolder);
    void loadEntries(const std::filesystem::path& projectFolder);
    void loadTakenObjects(const std::filesystem::path& projectFolder);

    SdoSide m_side;
    std::vector<SdoMappingFrame> m_frames;
    std::vector<MappedObject> m_taken;
    SdoMappingEntry m_clipboard;
    std::vector<SdoMappingRow> m_rows;
    std::vector<Finding> m_strays;
    std::vector<Finding> m_referenceProblems;
    bool m_framesReadWhole = true;
    bool m_entriesCut = false;
    KeptSignals m_kept;
};

} // namespace ordane
