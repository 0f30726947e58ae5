#pragma once

#include "model/DocumentModel.h"
#include "model/J1939FrameDefinition.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

// The five J1939 frames of the SDO client: read request, read answer, the two frames of a
// write request and the write answer.
class SdoClientFrames : public DocumentModel {
public:
    static constexpr int kFrames = 5;

    SdoClientFrames();

    void setDefaults();
    // load(): starts from the defaults; a missing document keeps them. The first problem
    // of the document ends the reading, keeping the values read before it.

    // Every failing check, in order.
    std::vector<Finding> failures() const override;
    // Replaces the document; throws Error when it cannot be written.
    void save(const std::filesystem::path& folder) const override;

    // Only the two answer frames have a priority to choose; the others are written as 0.
    static bool hasPriority(int k);

    J1939FrameDefinition& frame(int k) { return m_frames.at(std::size_t(k - 1)); }
    const J1939FrameDefinition& frame(int k) const { return m_frames.at(std::size_t(k - 1)); }

protected:
    void read(const std::filesystem::path& folder) override;

private:
    std::array<J1939FrameDefinition, kFrames> m_frames;
};

} // namespace ordane
