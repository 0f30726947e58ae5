#include "model/CommunicationParameters.h"

#include "core/NumberText.h"
#include "documents/DocumentFiles.h"
#include "documents/ProjectDocuments.h"

#include <algorithm>

namespace ordane {

namespace fs = std::filesystem;

namespace {

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

void CommunicationParameters::read(const fs::path& projectFolder) {
    reset();
    const fs::path file = documentPath(projectFolder, documents::pargen.fileName);
    m_documentName = file.filename().string();
    if (!fs::is_regular_file(file))
        return;
    ProjectDocument document;
    if (!readStep(m_documentName, [&] { document.load(file); }))
        return;
    const std::optional<pugi::xml_node> root = document.findRoot(documents::pargen.rootName);
    if (!root)
        return;

    auto text = [&](std::string_view name) { return ProjectDocument::findChildText(*root, name); };
    auto integer = [&](std::string_view name) -> std::optional<int> {
        if (auto t = text(name))
            return tryParseInteger(*t);
        return std::nullopt;
    };
    auto typed = [&](std::string_view name, std::string& field) {
        if (auto t = text(name))
            field = *t;
    };
    auto flag = [&](std::string_view name, bool& field) {
        if (auto t = text(name))
            field = *t == "1";
    };

    if (auto v = integer(field::kBaudRateCan))
        baudRateCan = listPosition(*v);
    canTypeRead = integer(field::kCanType);
    typed(field::kIdDevCanopen, idDevCanopen);
    if (auto v = integer(field::kBaudCanopen))
        baudCanopen = listPosition(*v);
    flag(field::kSetOperational, setOperational);
    flag(field::kNetworkStart, networkStart);
    if (auto v = integer(field::kDelay))
        delay = std::clamp(*v, 0, 255);
    typed(field::kTimeOutData, timeOutData);
    flag(field::kPeerToPeer, peerToPeer);
    flag(field::kSendTpdo, sendOnChange);
    typed(field::kSendTpdoTime, sendTpdoTime);
    flag(field::kNodeGuard, nodeGuard);
    flag(field::kSendNodeGuardOnJ1939, sendNodeGuardOnJ1939);
    typed(field::kNodeGuardSendEvery, nodeGuardSendEvery);
    flag(field::kSdoClient, sdoClient);
    typed(field::kSdoClientTimeOut, sdoClientTimeOut);
}

std::vector<Finding> CommunicationParameters::failures() const {
    std::vector<Finding> result;
    for (const RangeCheck& check : kChecks) {
        const int value = parseInteger(this->*check.field, -1);
        if (value < check.low || value > check.high)
            result.push_back({m_documentName, 0, check.message});
    }
    return result;
}

void CommunicationParameters::save(const fs::path& projectFolder) const {
    // Everything loaded is dropped: the document is built anew from the fields.
    ProjectDocument document;
    document.create(documents::pargen.rootName);
    document.setChildText(field::kBaudRateCan, std::to_string(listPosition(baudRateCan)));
    document.setChildText(field::kCanType, "1");
    document.setChildText(field::kIdDevCanopen, idDevCanopen);
    document.setChildText(field::kBaudCanopen, std::to_string(listPosition(baudCanopen)));
    document.setChildText(field::kSetOperational, yesNo(setOperational));
    document.setChildText(field::kNetworkStart, yesNo(networkStart));
    document.setChildText(field::kDelay, std::to_string(std::clamp(delay, 0, 255)));
    document.setChildText(field::kTimeOutData, timeOutData);
    document.setChildText(field::kPeerToPeer, yesNo(peerToPeer));
    document.setChildText(field::kSendTpdo, yesNo(sendOnChange));
    document.setChildText(field::kSendTpdoTime, sendTpdoTime);
    document.setChildText(field::kNodeGuard, yesNo(nodeGuard));
    document.setChildText(field::kSendNodeGuardOnJ1939, yesNo(sendNodeGuardOnJ1939));
    document.setChildText(field::kNodeGuardSendEvery, nodeGuardSendEvery);
    document.setChildText(field::kSdoClient, yesNo(sdoClient));
    document.setChildText(field::kSdoClientTimeOut, sdoClientTimeOut);
    document.save(documentPath(projectFolder, documents::pargen.fileName));
}

} // namespace ordane
