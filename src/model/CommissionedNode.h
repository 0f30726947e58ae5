#pragma once

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

// The converter's node on its CANopen network, as a device configuration file states it.
struct CommissionedNode {
    int nodeId = 1;
    int bitRateKbit = 1000;
};

// The node ID (1..127) and bit rate (one of the nine CANopen rates): the overrides, else
// the communication parameters of the project, whose defaults (node 1, 1000 kbit/s) stand
// for a missing pargen.xml. Throws Error naming the refused value and where it came from;
// a pargen.xml that cannot be read is refused when a value is needed from it.
CommissionedNode commissionedNode(const std::filesystem::path& projectFolder,
                                  const CommissioningOverrides& overrides);

} // namespace ordane
