#pragma once

#include "core/MappedObjectRules.h"
#include "documents/ProjectDocuments.h"
#include "model/DocumentModel.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ordane {

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

// A stored PDO row's frame reference, for the checks across documents.
struct PdoFrameReference {
    int row = 0;                      // from 1
    std::optional<std::string> frame; // the Frame_J1939 text; absent when none was chosen
};

// The PDO mapping of one direction: four PDOs, each tied to a frame by its number.
class PdoMapping : public DocumentModel {
public:
    static constexpr std::size_t kRows = kPdosPerDirection;

    explicit PdoMapping(PdoDirection direction);

    PdoDirection direction() const { return m_direction; }
    static const char* frameDocumentName(PdoDirection direction);
    static const char* documentName(PdoDirection direction);

    // load(): reads the frame choices, then the PDO document, each on its own; a problem
    // keeps what was read before it. The frame list's problem is kept apart (see
    // referenceProblems()), since that document is the frame list's own.
    const std::vector<Finding>& referenceProblems() const { return m_referenceProblems; }
    bool framesReadWhole() const { return m_referenceProblems.empty(); }
    // What the window tells after a load: each problem in an error box, frames first.
    void tellLoadProblems(MessageSink& messages) const;

    // "k;PGN;ID_DEV" per frame of the direction's frame document.
    const std::vector<std::string>& frameChoices() const { return m_choices; }
    // The choice of frame `number` (1-based), or empty when there is no such frame.
    std::string choiceOf(int number) const;

    std::array<PdoDefinition, kRows>& rows() { return m_rows; }
    const std::array<PdoDefinition, kRows>& rows() const { return m_rows; }

    // Every failing check of every row, each "Error row <n>" followed by its text.
    std::vector<Finding> failures() const override;

    // Every row of the stored document (also those beyond the four PDOs) with its frame.
    const std::vector<PdoFrameReference>& storedFrames() const { return m_storedFrames; }

    // The frame number of a "J1939 Frame" cell: the number before the first ";", or -1.
    static int frameNumber(const std::string& cell);

    // Throws Error when the document cannot be written.
    void save(const std::filesystem::path& projectFolder) const override;

protected:
    void read(const std::filesystem::path& projectFolder) override;

private:
    void loadFrameChoices(const std::filesystem::path& projectFolder);
    void loadDefinitions(const std::filesystem::path& projectFolder);
    std::size_t tableRows() const;

    PdoDirection m_direction;
    std::vector<std::string> m_choices;
    std::array<PdoDefinition, kRows> m_rows;
    std::vector<PdoFrameReference> m_storedFrames;
    std::vector<Finding> m_referenceProblems;
};

} // namespace ordane
