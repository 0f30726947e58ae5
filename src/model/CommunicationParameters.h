#pragma once

#include "documents/ProjectDocuments.h"
#include "model/DocumentModel.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ordane {

// The converter's general settings for both buses, kept in pargen.xml. Number fields that
// the user types are held as typed; drop-down positions are -1 when nothing is selected.
class CommunicationParameters : public DocumentModel {
public:
    static constexpr int kNoSelection = -1;
    static constexpr int kRateCount = 9;

    // J1939 side
    int baudRateCan = 5;            // "250"
    std::optional<int> canTypeRead; // what the document held; 2.0B is written regardless
    std::string timeOutData = "0";
    bool peerToPeer = false;
    // CANopen side
    std::string idDevCanopen = "1";
    int baudCanopen = 8; // "1000K"
    bool setOperational = false;
    bool networkStart = false;
    int delay = 10;           // seconds, 0..255
    bool sendOnChange = true; // otherwise cyclically
    std::string sendTpdoTime = "1000";
    bool nodeGuard = false;
    bool sendNodeGuardOnJ1939 = false;
    std::string nodeGuardSendEvery = "1000";
    bool sdoClient = false;
    std::string sdoClientTimeOut = "10000";

    // The entries of the two baud-rate lists; the stored value is the position.
    static const std::vector<std::string>& j1939Rates();
    static const std::vector<std::string>& canopenRates();

    // Every field back to its default, with no load problems.
    void reset();

    // load(): reads pargen.xml of the project folder (its name matched without regard to
    // case), field by field: a missing element or a number that does not read leaves that
    // field at its default. A missing file gives the defaults; a file that cannot be parsed
    // gives them too, with the parser's text as the load problem.

    // Every failing check, in check order.
    std::vector<Finding> failures() const override;

    // Writes the whole document: sixteen elements, typed texts verbatim. Throws Error.
    void save(const std::filesystem::path& projectFolder) const override;

protected:
    void read(const std::filesystem::path& projectFolder) override;

private:
    std::string m_documentName{documents::pargen.fileName};
};

} // namespace ordane
