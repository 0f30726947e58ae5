#pragma once

#include "app/Clock.h"

#include <filesystem>
#include <optional>
#include <string>

namespace ordane {

// Node ID and bit rate given by the user (number text, bit rate in kbit/s); what is not
// given comes from pargen.xml.
struct CommissioningOverrides {
    std::optional<std::string> nodeId;
    std::optional<std::string> bitRateKbit;
};

struct CommissionedNode {
    int nodeId = 1;
    int bitRateKbit = 1000;
};

// The node ID (1..127) and bit rate (one of the nine CANopen rates) the DCF commissions:
// the overrides, else pargen.xml through its model, whose defaults (node 1, 1000 kbit/s)
// stand for a missing file. Throws Error naming the refused value and where it came from.
CommissionedNode commissionedNode(const std::filesystem::path& projectFolder,
                                  const CommissioningOverrides& overrides);

enum class DataSheetKind { Eds, Dcf };

// The file a save dialog's answer asks for: a name ending in ".dcf" or ".eds" (in any
// case) says it itself, any other name gets the file type chosen in the dialog.
DataSheetKind dataSheetKind(const std::filesystem::path& target, DataSheetKind chosenType);

// Writes the device configuration file (CiA 306 DCF) of a project: its EDS content plus
// the commissioned node; the project itself is only read.
class DcfWriter {
public:
    explicit DcfWriter(const Clock& clock) : m_clock(clock) {}

    // Builds the whole file and replaces `target` with it in one piece. Throws Error with
    // the user's text (everything the EDS writer refuses, and a node ID or bit rate out of
    // range); then no file is written and an existing target stays as it was.
    void write(const std::filesystem::path& projectFolder, const std::filesystem::path& target,
               const CommissioningOverrides& overrides = {}) const;

private:
    const Clock& m_clock;
};

} // namespace ordane
