#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ordane {

class MessageSink;

// 1: RPDOs onto the transmitted frames (TCobDef.xml, pdoJ1939.xml);
// 2: TPDOs from the received frames (RCobDef.xml, TpdoJ1939.xml).
enum class PdoDirection { Rpdo = 1, Tpdo = 2 };

// One grid row as cell texts; `frame` holds the chosen frame's choice text or is empty.
struct PdoDefinition {
    std::string cobId;
    std::string dimension;
    std::string offset; // "Start Byte"
    std::string frame;
    std::string mnemonic;

    bool operator==(const PdoDefinition&) const = default;
};

// The PDO mapping of one direction: four PDOs, each tied to a frame by its number.
class PdoMapping {
public:
    static constexpr std::size_t kRows = 4;

    explicit PdoMapping(PdoDirection direction);

    PdoDirection direction() const { return m_direction; }
    static const char* frameDocumentName(PdoDirection direction);
    static const char* documentName(PdoDirection direction);

    // Reads the frame choices, then the PDO document; a failure goes to `messages` and
    // keeps what was read before it.
    void load(const std::filesystem::path& projectFolder, MessageSink& messages);
    // The two steps of load, each throwing Error and keeping what it read before.
    void loadFrameChoices(const std::filesystem::path& projectFolder);
    void loadDefinitions(const std::filesystem::path& projectFolder);

    // "k;PGN;ID_DEV" per frame of the direction's frame document.
    const std::vector<std::string>& frameChoices() const { return m_choices; }
    // The choice of frame `number` (1-based), or empty when there is no such frame.
    std::string choiceOf(int number) const;

    std::array<PdoDefinition, kRows>& rows() { return m_rows; }
    const std::array<PdoDefinition, kRows>& rows() const { return m_rows; }

    // The first failing check, "Error row <n>" followed by its text.
    std::optional<std::string> validate() const;
    // The first failing check of every row.
    std::vector<std::string> validateAll() const;

    // The frame number of a "J1939 Frame" cell: the number before the first ";", or -1.
    static int frameNumber(const std::string& cell);

    // Throws Error when the document cannot be written.
    void save(const std::filesystem::path& projectFolder) const;

private:
    std::size_t tableRows() const;
    std::optional<std::string> checkRow(std::size_t row) const;

    PdoDirection m_direction;
    std::vector<std::string> m_choices;
    std::array<PdoDefinition, kRows> m_rows;
};

} // namespace ordane
