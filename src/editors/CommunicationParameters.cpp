#include "editors/CommunicationParameters.h"

#include "documents/DocumentFiles.h"
#include "documents/NumberText.h"
#include "documents/ProjectDocument.h"

#include <algorithm>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRoot = "GeneralParameter";

fs::path resolve(const fs::path& path) {
    return documentPath(path.parent_path(), path.filename().string());
}

int listPosition(int value) {
    return value >= 0 && value < CommunicationParameters::kRateCount
               ? value
               : CommunicationParameters::kNoSelection;
}

std::string yesNo(bool value) {
    return value ? "1" : "0";
}

struct RangeCheck {
    std::string CommunicationParameters::*field;
    int low;
    int high;
    const char* message;
};

const RangeCheck kChecks[] = {
    {&CommunicationParameters::timeOutData, 0, 255,
     "Error! The Time Out Data must to be between 0 and 255 seconds"},
    {&CommunicationParameters::idDevCanopen, 1, 127,
     "Error! The ID Dev. CANopen must to be between 1 and 127"},
    {&CommunicationParameters::sendTpdoTime, 1, 60000,
     "Error! The Send Cyclically Time must to be between 1 and 60000mS"},
    {&CommunicationParameters::nodeGuardSendEvery, 1, 60000,
     "Error! Send J1939 Frame (NodeGuard) must to be between 1 and 60000mS"},
    {&CommunicationParameters::sdoClientTimeOut, 1, 60000,
     "Error! SDO Client TimeOut must to be between 1 and 60000 (1/10 mS)"},
};

} // namespace

const std::vector<std::string>& CommunicationParameters::j1939Rates() {
    static const std::vector<std::string> rates = {"10",  "20",  "50",  "100", "125",
                                                   "250", "500", "800", "1000"};
    return rates;
}

const std::vector<std::string>& CommunicationParameters::canopenRates() {
    static const std::vector<std::string> rates = {"10K",  "20K",  "50K",  "100K", "125K",
                                                   "250K", "500K", "800K", "1000K"};
    return rates;
}

void CommunicationParameters::reset() {
    *this = CommunicationParameters();
}

void CommunicationParameters::load(const fs::path& path) {
    reset();
    const fs::path file = resolve(path);
    if (!fs::is_regular_file(file))
        return;
    ProjectDocument document;
    document.load(file);
    const std::optional<pugi::xml_node> root = document.findRoot(kRoot);
    if (!root)
        return;

    auto text = [&](const char* name) { return ProjectDocument::findChildText(*root, name); };
    auto integer = [&](const char* name) -> std::optional<int> {
        if (auto t = text(name))
            return tryParseInteger(*t);
        return std::nullopt;
    };
    auto typed = [&](const char* name, std::string& field) {
        if (auto t = text(name))
            field = *t;
    };
    auto flag = [&](const char* name, bool& field) {
        if (auto t = text(name))
            field = *t == "1";
    };

    if (auto v = integer("BaudRateCAN"))
        baudRateCan = listPosition(*v);
    canTypeRead = integer("CANType");
    typed("IDDev_CANopen", idDevCanopen);
    if (auto v = integer("Baud_CANopen"))
        baudCanopen = listPosition(*v);
    flag("Set_Ope_CANopen", setOperational);
    flag("Net_Start_CANopen", networkStart);
    if (auto v = integer("Delay_CANopen"))
        delay = std::clamp(*v, 0, 255);
    typed("TimeOut_Data", timeOutData);
    flag("Peer_to_Peer", peerToPeer);
    flag("Sent_TPDO", sendOnChange);
    typed("Sent_TPDO_Time", sendTpdoTime);
    flag("NodeGuard", nodeGuard);
    flag("Send_NG_J1939", sendNodeGuardOnJ1939);
    typed("BG_Send_Every", nodeGuardSendEvery);
    flag("EN_SDO_Client", sdoClient);
    typed("TO_SDO_Client", sdoClientTimeOut);
}

std::vector<std::string> CommunicationParameters::failures() const {
    std::vector<std::string> result;
    for (const RangeCheck& check : kChecks) {
        const int value = parseInteger(this->*check.field, -1);
        if (value < check.low || value > check.high)
            result.emplace_back(check.message);
    }
    return result;
}

std::optional<std::string> CommunicationParameters::validate() const {
    std::vector<std::string> all = failures();
    if (all.empty())
        return std::nullopt;
    return all.front();
}

void CommunicationParameters::save(const fs::path& path) const {
    // Everything loaded is dropped: the document is built anew from the fields.
    ProjectDocument document;
    document.create(kRoot);
    document.setChildText("BaudRateCAN", std::to_string(listPosition(baudRateCan)));
    document.setChildText("CANType", "1");
    document.setChildText("IDDev_CANopen", idDevCanopen);
    document.setChildText("Baud_CANopen", std::to_string(listPosition(baudCanopen)));
    document.setChildText("Set_Ope_CANopen", yesNo(setOperational));
    document.setChildText("Net_Start_CANopen", yesNo(networkStart));
    document.setChildText("Delay_CANopen", std::to_string(std::clamp(delay, 0, 255)));
    document.setChildText("TimeOut_Data", timeOutData);
    document.setChildText("Peer_to_Peer", yesNo(peerToPeer));
    document.setChildText("Sent_TPDO", yesNo(sendOnChange));
    document.setChildText("Sent_TPDO_Time", sendTpdoTime);
    document.setChildText("NodeGuard", yesNo(nodeGuard));
    document.setChildText("Send_NG_J1939", yesNo(sendNodeGuardOnJ1939));
    document.setChildText("BG_Send_Every", nodeGuardSendEvery);
    document.setChildText("EN_SDO_Client", yesNo(sdoClient));
    document.setChildText("TO_SDO_Client", sdoClientTimeOut);
    document.save(resolve(path));
}

} // namespace ordane
