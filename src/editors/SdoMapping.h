#pragma once

#include "editors/SdoObjectRules.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

class MessageSink;

// 1: the received frames (RCobDef.xml, RInfoCob.xml); 2: the transmitted frames.
enum class SdoSide { Received = 1, Transmitted = 2 };

// One mapped object. Dimension, the bytes and Send_SDO are drop-down positions:
// Dimension 0 "4 Bytes", 1 "2 Bytes", 2 "1 Byte"; a byte 0 "None", k "Byte k J1939 Frame";
// send 0 "False", 1 "True". Values are kept as read, so re-saving a document loses nothing.
struct SdoMappingEntry {
    std::int32_t index = 0;
    std::int32_t subIndex = 0;
    std::int32_t dimension = 0;
    std::array<std::int32_t, 4> bytes{}; // B1 (most significant) .. B4
    std::int32_t sendSdo = 0;            // transmitted side only

    bool operator==(const SdoMappingEntry&) const = default;
};

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
class SdoMapping {
public:
    explicit SdoMapping(SdoSide side);

    SdoSide side() const { return m_side; }
    // Changes the documents used from the next load; the clipboard stays.
    void setSide(SdoSide side);

    static const char* frameDocumentName(SdoSide side);
    static const char* mappingDocumentName(SdoSide side);
    static const char* rootName(SdoSide side);
    // "PGN                ID_DEV" or "PRIOR       DP           PGN        ID_DEV".
    static const char* frameHeading(SdoSide side);

    // Reads the frames, this side's entries and the other side's objects, each step on its
    // own; failures go to `messages` and keep what was read before them.
    void load(const std::filesystem::path& projectFolder, MessageSink& messages);

    const std::vector<SdoMappingFrame>& frames() const { return m_frames; }
    // Frames 1, 2, ... with these labels and no entries, for a frame list not yet saved.
    void replaceFrames(std::vector<std::string> labels);
    const std::vector<SdoMappingEntry>& entries(std::size_t frame) const;
    const SdoMappingEntry& entry(SdoEntryPosition position) const;

    // The check of New (no excluded entry) and Modify (the entry being modified): the
    // first failing rule's message, or nothing.
    std::optional<std::string> checkEntry(std::string_view indexText, std::string_view subIndexText,
                                          std::optional<SdoEntryPosition> excluded) const;
    // The range messages alone, for the checks of a stored document.
    static std::optional<std::string> rangeMessage(std::int32_t index, std::int32_t subIndex);

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
    void save(const std::filesystem::path& projectFolder) const;

private:
    void loadFrames(const std::filesystem::path& projectFolder);
    void loadEntries(const std::filesystem::path& projectFolder);
    void loadTakenObjects(const std::filesystem::path& projectFolder);

    SdoSide m_side;
    std::vector<SdoMappingFrame> m_frames;
    std::vector<MappedObject> m_taken;
    SdoMappingEntry m_clipboard;
};

} // namespace ordane
