#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/MessageSink.h"
#include "firmware/SrecordMerge.h"

#include <filesystem>

// The merge chain over an arbitrary template and bank file. Input: one byte whose low five
// bits select the banks, two bytes (little-endian) giving the bank file's length, the bank
// file (used for all five banks), then the template.
ORDANE_FUZZ_TARGET(srecord_merge) {
    using namespace ordane;
    namespace fs = std::filesystem;
    if (size < 3)
        return 0;
    std::set<int> banks;
    for (int bank = 1; bank <= kBankCount; ++bank)
        if (data[0] & (1u << (bank - 1)))
            banks.insert(bank);
    const std::string_view rest = fuzz::asText(data + 3, size - 3);
    const std::string_view bankBytes = rest.substr(0, std::size_t(data[1] | data[2] << 8));
    const std::string_view templateBytes = rest.substr(bankBytes.size());

    static const fuzz::ScratchProject project("srecord_merge");
    project.clear();
    for (int bank = 1; bank <= kBankCount; ++bank)
        project.put("bin/bank" + std::to_string(bank) + ".bin", bankBytes);
    project.put(kFirmwareTemplateName, templateBytes);

    RecordingMessageSink messages;
    SrecordMerge merge(messages);
    merge.setProjectFolder(project.path());
    merge.setBankFolder(project / "bin");
    merge.setMergedFileName(std::string(kMergedFilePrefix) + kFirmwareTemplateName);
    MergeOutcome outcome = MergeOutcome::Stopped;
    try {
        outcome = merge.mergeChain(banks, project / kFirmwareTemplateName);
    } catch (const Error&) {
    }

    if (readWholeFile(project / kFirmwareTemplateName) != templateBytes)
        fuzz::broken("the template changed");
    if ((outcome == MergeOutcome::Written) != fs::exists(merge.mergedFile()))
        fuzz::broken("the outcome does not tell whether the merged file was written");
    for (int bank = 1; bank <= kBankCount; ++bank)
        if (fs::exists(project / ("B" + std::to_string(bank) + ".sx")))
            fuzz::broken("a stage file was left behind");
    if (fs::exists(project / "bin" / "Bin.sx"))
        fuzz::broken("the scratch records were left behind");
    return 0;
}
