#pragma once

#include "core/Clock.h"

#include <filesystem>
#include <string>

namespace ordane {

// The files of the "EDS File" step; the DBC file of both buses is the third.
enum class DataSheetKind { Eds, Dcf, Dbc };

// The file a save dialog's answer asks for: a name ending in ".dcf", ".eds" or ".dbc" (in
// any case) says it itself, any other name gets the file type chosen in the dialog.
DataSheetKind dataSheetKind(const std::filesystem::path& target, DataSheetKind chosenType);

// The EDS file a DCF was written beside: the file of the DCF's folder with the DCF's base
// name and the extension ".eds" (any letter case), "Gateway.eds" for "Gateway.dcf"; empty
// when there is none.
std::string edsBeside(const std::filesystem::path& dcf);

// Writes the device configuration file (CiA 306 DCF) of a project: its EDS content plus
// the node as commissioned; the project itself is only read.
class DcfWriter {
public:
    explicit DcfWriter(const Clock& clock) : m_clock(clock) {}

    // `nodeId` 1..127 and `bitRateKbit` one of the nine CANopen rates, as checked by
    // commissionedNode(). Builds the whole file and replaces `target` with it in one piece.
    // Throws Error with the user's text (everything the EDS writer refuses); then no file
    // is written and an existing target stays as it was.
    void write(const std::filesystem::path& projectFolder, const std::filesystem::path& target,
               int nodeId, int bitRateKbit) const;

private:
    const Clock& m_clock;
};

} // namespace ordane
