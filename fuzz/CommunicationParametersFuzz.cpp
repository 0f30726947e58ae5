#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "documents/Error.h"
#include "editors/CommunicationParameters.h"

// pargen.xml as the window reads, checks and saves it. What is saved must read back.
ORDANE_FUZZ_TARGET(pargen) {
    static const ordane::fuzz::ScratchProject project("pargen");
    project.holdOnly("pargen.xml", ordane::fuzz::asText(data, size));
    const auto file = project / "pargen.xml";

    ordane::CommunicationParameters parameters;
    try {
        parameters.load(file);
    } catch (const ordane::Error&) {
        // The window shows the defaults, which OK may save.
    }
    (void)parameters.validate();
    (void)parameters.failures();
    parameters.save(file);

    ordane::CommunicationParameters again;
    again.load(file);
    if (again.failures() != parameters.failures())
        ordane::fuzz::broken("pargen.xml checks differently once saved");
    return 0;
}
