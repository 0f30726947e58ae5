#include "eds/DcfWriter.h"

#include "documents/AtomicFile.h"
#include "documents/Error.h"
#include "documents/NumberText.h"
#include "editors/CommunicationParameters.h"
#include "eds/EdsLines.h"
#include "eds/EdsProject.h"

#include <cctype>
#include <string>
#include <system_error>
#include <vector>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr int kLowestNodeId = 1;
constexpr int kHighestNodeId = 127;

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
    if (!value || *value < kLowestNodeId || *value > kHighestNodeId)
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

// The project folder's own name, also for "Demo/" or ".".
std::string projectName(const fs::path& folder) {
    std::error_code ec;
    fs::path path = fs::absolute(folder, ec);
    if (ec)
        path = folder;
    path = path.lexically_normal();
    if (path.filename().empty())
        path = path.parent_path();
    return path.filename().string();
}

} // namespace

CommissionedNode commissionedNode(const fs::path& projectFolder,
                                  const CommissioningOverrides& overrides) {
    // What the user typed is checked first.
    CommissionedNode node;
    if (overrides.nodeId)
        node.nodeId = nodeIdFrom(*overrides.nodeId, "--node-id");
    if (overrides.bitRateKbit)
        node.bitRateKbit = bitRateFromOption(*overrides.bitRateKbit);
    if (overrides.nodeId && overrides.bitRateKbit)
        return node;

    // A missing file gives the model's defaults; one that cannot be read is refused, as
    // the values it holds may differ from them.
    CommunicationParameters parameters;
    parameters.load(projectFolder / kPargenFileName);
    if (!overrides.nodeId)
        node.nodeId =
            nodeIdFrom(parameters.idDevCanopen, std::string(kPargenFileName) + ", IDDev_CANopen");
    if (!overrides.bitRateKbit) {
        const std::vector<int> rates = canopenRatesKbit();
        if (parameters.baudCanopen < 0 || parameters.baudCanopen >= int(rates.size()))
            throw Error(std::string(kPargenFileName) +
                        ", Baud_CANopen: no CANopen bit rate is selected (a position from 0 to "
                        "8 is needed, for " +
                        rateList() + " kbit/s)");
        node.bitRateKbit = rates[std::size_t(parameters.baudCanopen)];
    }
    return node;
}

DataSheetKind dataSheetKind(const fs::path& target, DataSheetKind chosenType) {
    std::string extension = target.extension().string();
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".dcf")
        return DataSheetKind::Dcf;
    if (extension == ".eds")
        return DataSheetKind::Eds;
    return chosenType;
}

void DcfWriter::write(const fs::path& projectFolder, const fs::path& target,
                      const CommissioningOverrides& overrides) const {
    const CommissionedNode node = commissionedNode(projectFolder, overrides);
    const EdsProject project = readEdsProject(projectFolder);
    const Commissioning commissioning{node.nodeId, node.bitRateKbit, target.filename().string(),
                                      projectName(projectFolder)};
    writeFileAtomically(target, crlfText(buildDcfLines(project, m_clock.now(), commissioning)));
}

} // namespace ordane
