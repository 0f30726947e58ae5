#pragma once

#include "firmware/SrecordMerge.h"

#include <filesystem>

namespace ordane {

// The merge of "Up date Device" and the command line: banks 1 and 2 of the project's bin
// folder into the template, giving "New_" + the template's name in the project folder.
// Stops and errors are as SrecordMerge::mergeInOnePass tells them.
MergeOutcome mergeProjectBanks(SrecordMerge& merge, const std::filesystem::path& projectFolder,
                               const std::filesystem::path& templateFile);

} // namespace ordane
