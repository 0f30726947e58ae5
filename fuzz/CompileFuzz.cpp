#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "compiler/CompileProject.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/MessageSink.h"

#include <algorithm>

// The compiler over a project of one document: the first byte picks which, the rest is it.
// Anything but Error escaping is a finding, std::out_of_range from a record beyond its
// area above all; so is a byte written where no area lies.
ORDANE_FUZZ_TARGET(compile) {
    using namespace ordane;
    static constexpr const char* documents[] = {
        "RCobDef.xml",   "TCobDef.xml",   "RInfoCob.xml",       "TInfoCob.xml",  "pdoJ1939.xml",
        "TpdoJ1939.xml", "NodeGuard.xml", "NG_J1939_Frame.xml", "SDOClient.xml", "pargen.xml"};
    if (size == 0)
        return 0;
    static const fuzz::ScratchProject project("compile");
    project.holdOnly(documents[data[0] % std::size(documents)], fuzz::asText(data + 1, size - 1));

    DeviceImage image;
    RecordingMessageSink messages;
    const FixedClock clock({2024, 2, 29, 23, 59, 58});
    try {
        compileProject(project.path(), image, messages, clock);
    } catch (const Error&) {
    }
    // Bank 1 from the firmware's reserved bytes to the PDO mappings, and banks 3 to 5.
    const auto zero = [](std::uint8_t b) { return b == 0; };
    const auto bank1 = image.bank(1);
    if (!std::all_of(bank1.begin() + 4096, bank1.begin() + 15500, zero))
        fuzz::broken("bank 1 written outside its areas");
    for (int n = 3; n <= DeviceImage::kBankCount; ++n)
        if (const auto bank = image.bank(n); !std::all_of(bank.begin(), bank.end(), zero))
            fuzz::broken("a bank that no document fills was written");
    return 0;
}
