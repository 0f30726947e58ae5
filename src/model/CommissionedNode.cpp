#include "model/CommissionedNode.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/ProjectDocuments.h"
#include "model/CommunicationParameters.h"

#include <string>
#include <vector>

namespace ordane {

namespace {

// The rates of the CANopen bit-rate list, in kbit/s ("250K" is 250).
std::vector<int> canopenRatesKbit() {
    std::vector<int> rates;
    for (const std::string& entry : CommunicationParameters::canopenRates())
        rates.push_back(std::stoi(entry));
    return rates;
}

std::string rateList() {
    std::string text;
    for (int rate : canopenRatesKbit())
        text += (text.empty() ? "" : ", ") + std::to_string(rate);
    return text;
}

int nodeIdFrom(const std::string& text, const std::string& source) {
    const auto value = tryParseInteger(text);
    if (!value || *value < 1 || *value > 127)
        throw Error(source + ": node ID '" + text + "' is not between 1 and 127");
    return *value;
}

int bitRateFromOption(const std::string& text) {
    if (const auto value = tryParseInteger(text))
        for (int rate : canopenRatesKbit())
            if (rate == *value)
                return rate;
    throw Error("--bit-rate: '" + text + "' kbit/s is not one of the CANopen bit rates " +
                rateList());
}

} // namespace

CommissionedNode commissionedNode(const std::filesystem::path& projectFolder,
                                  const CommissioningOverrides& overrides) {
    // What the user typed is checked first.
    CommissionedNode node;
    if (overrides.nodeId)
        node.nodeId = nodeIdFrom(*overrides.nodeId, "--node-id");
    if (overrides.bitRateKbit)
        node.bitRateKbit = bitRateFromOption(*overrides.bitRateKbit);
    if (overrides.nodeId && overrides.bitRateKbit)
        return node;

    // The defaults of an unreadable file are not what the device holds.
    CommunicationParameters parameters;
    parameters.load(projectFolder);
    if (!parameters.loadedWhole())
        throw Error(parameters.loadProblems().front().message);
    const std::string document(documents::pargen.fileName);
    if (!overrides.nodeId)
        node.nodeId = nodeIdFrom(parameters.idDevCanopen, document + ", IDDev_CANopen");
    if (!overrides.bitRateKbit) {
        const std::vector<int> rates = canopenRatesKbit();
        if (parameters.baudCanopen < 0 || parameters.baudCanopen >= int(rates.size()))
            throw Error(document +
                        ", Baud_CANopen: no CANopen bit rate is selected (a position from 0 to "
                        "8 is needed, for " +
                        rateList() + " kbit/s)");
        node.bitRateKbit = rates[std::size_t(parameters.baudCanopen)];
    }
    return node;
}

} // namespace ordane
