#pragma once

#include "core/Clock.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace ordane {

// The DBC file of both buses as the converter sees them: every received and transmitted
// J1939 frame and every PDO as a message, and one signal per mapped object (or per byte
// where its bytes are no single run) at the place the converter takes it from, so that a
// CAN tool decodes the value the converter composes from B1 (most significant) to Bn.

// The nodes of the file: the converter, and the rest of each bus.
inline constexpr const char* kDbcGatewayNode = "Gateway";
inline constexpr const char* kDbcJ1939Node = "J1939_Network";
inline constexpr const char* kDbcCanopenNode = "CANopen_Network";

// The signal attributes that tie a signal to its object: "0x2100:03", and for a signal of
// one byte its role 1..4 (B1..B4).
inline constexpr const char* kDbcObjectAttribute = "CANopenObject";
inline constexpr const char* kDbcObjectByteAttribute = "CANopenObjectByte";

// The whole file: Windows-1252 text, CR LF line ends. Throws Error listing the findings of
// `check` on the frame lists and the mapping documents when there are any.
std::string buildProjectDbc(const std::filesystem::path& projectFolder, const LocalDateTime& made);

// Builds the file and replaces `target` with it in one piece. Throws Error; then nothing
// is written and an existing target stays as it was.
void writeProjectDbc(const std::filesystem::path& projectFolder,
                     const std::filesystem::path& target, const Clock& clock);

// A name a DBC file accepts for a message or signal: letters, digits and "_", not
// beginning with a digit, at most 32 characters; empty when `text` has no letter or digit.
std::string dbcName(const std::string& text);

} // namespace ordane
