#include "Commands.h"

#include "cli/ImageRecovery.h"
#include "compiler/CompileProject.h"
#include "compiler/FirmwareBanks.h"
#include "compiler/ImageComparison.h"
#include "compiler/ImageDescription.h"
#include "compiler/ImageReader.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/MessageSink.h"

namespace ordane::cli {

namespace {

// The first differences are enough to find the cause; a whole list would bury it.
constexpr std::size_t kDifferencesShown = 20;

void listDifferences(const std::vector<std::string>& differences, std::ostream& err) {
    for (std::size_t i = 0; i < differences.size() && i < kDifferencesShown; ++i)
        err << "  " << differences[i] << '\n';
    if (differences.size() > kDifferencesShown)
        err << "  ... and " << differences.size() - kDifferencesShown << " more\n";
}

} // namespace

int inspectCommand(const fs::path& file, std::ostream& out, std::ostream& err) {
    try {
        const ImageSource source = readImageSource(file);
        const ImageContents contents = readImage(source.image);
        out << "Device image from the " << source.description << "\n";
        out << describeImage(contents);
    } catch (const Error& e) {
        err << e.what() << '\n';
        return kFailed;
    }
    return kSuccess;
}

int verifyCommand(const fs::path& project, const fs::path& file, std::ostream& out,
                  std::ostream& err) {
    DeviceImage compiled;
    ImageSource source;
    const int read = runInProject(project, err, [&] {
        source = readImageSource(file);
        StreamMessageSink messages(err);
        const FixedClock clock({});
        compileProject(project, compiled, messages, clock);
        return kSuccess;
    });
    if (read != kSuccess)
        return read;
    const std::vector<std::string> differences = compareImages(compiled, source.image);
    if (differences.empty()) {
        out << file.string() << " matches " << project.string()
            << ": banks 1 and 2 are the same but for the compile stamps\n";
        return kSuccess;
    }
    err << file.string() << " does not match " << project.string() << ", " << differences.size()
        << (differences.size() == 1 ? " difference:\n" : " differences:\n");
    listDifferences(differences, err);
    return kFailed;
}

int recoverCommand(const fs::path& file, const fs::path& root, const std::string& name,
                   std::ostream& out, std::ostream& err) {
    ImageSource source;
    try {
        source = readImageSource(file);
        readImage(source.image); // bad input is refused before anything is created
    } catch (const Error& e) {
        err << e.what() << '\n';
        return kFailed;
    }
    const auto folder = createProjectTelling(root, name, err);
    if (!folder)
        return kFailed;
    RecoveryReport report;
    try {
        report = recoverProject(source.image, *folder);
    } catch (const Error& e) {
        err << e.what() << "\nThe project folder " << folder->string()
            << " holds the documents written before this failure.\n";
        return kFailed;
    }
    out << "Recovered " << folder->string() << " from the " << source.description << "\n";
    out << "Not recoverable from the image:\n";
    for (const std::string& note : report.notes)
        out << "  " << note << '\n';
    if (report.differences.empty()) {
        out << "Compiling the recovered project gives the image's banks 1 and 2 but for the "
               "compile stamps.\n";
        return kSuccess;
    }
    err << "The recovered project does not give the image's banks 1 and 2:\n";
    listDifferences(report.differences, err);
    return kFailed;
}

} // namespace ordane::cli
