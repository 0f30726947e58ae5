#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "core/Error.h"
#include "model/CommunicationParameters.h"

// pargen.xml as the window reads, checks and saves it. What is saved must read back.
ORDANE_FUZZ_TARGET(pargen) {
    static const ordane::fuzz::ScratchProject project("pargen");
    project.holdOnly("pargen.xml", ordane::fuzz::asText(data, size));
    const auto folder = project.path();

    ordane::CommunicationParameters parameters;
    // After a load problem the window shows the defaults, which OK may save.
    parameters.load(folder);
    (void)parameters.firstFailure();
    (void)parameters.failures();
    parameters.save(folder);

    ordane::CommunicationParameters again;
    again.load(folder);
    if (again.failures() != parameters.failures())
        ordane::fuzz::broken("pargen.xml checks differently once saved");
    return 0;
}
