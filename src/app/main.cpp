#include "app/MainWindow.h"
#include "core/Error.h"
#include "core/ProgramFolder.h"
#include "core/ProjectState.h"
#include "widgets/GuiSupport.h"
#include "widgets/QtServices.h"

#include <QApplication>
#include <QCommandLineParser>

#include <optional>
#include <string_view>

#ifndef ORDANE_DATA_FROM_BIN
#define ORDANE_DATA_FROM_BIN "../share/ordane"
#endif

namespace {

void setNames() {
    // The application title; not the display name, which Qt would append to every caption.
    QCoreApplication::setApplicationName(QLatin1String(ordane::kApplicationTitle));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.704"));
}

struct Options {
    QCommandLineParser parser;
    QCommandLineOption home{QStringLiteral("home"),
                            QStringLiteral("Use DIR as the program folder (MASTER, PROJECTS, "
                                           "settings, flash tool) instead of the one below."),
                            QStringLiteral("DIR")};
    std::optional<ordane::ProgramFolder> choice;
    QString problem; // why there is no program folder

    Options() {
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(home);
    }

    // Chooses the program folder from what parse() found, and says which in the help.
    void chooseProgramFolder() {
        std::optional<std::filesystem::path> homeOption;
        if (parser.isSet(home))
            homeOption = ordane::toPath(parser.value(home));
        try {
            choice = ordane::chooseProgramFolder(
                ordane::currentEnvironment(ordane::toPath(QCoreApplication::applicationDirPath()),
                                           ORDANE_DATA_FROM_BIN, homeOption));
        } catch (const ordane::Error& e) {
            problem = QString::fromStdString(e.what());
        }
        const QString folder =
            choice ? QString::fromStdString(ordane::describeProgramFolder(*choice)) : problem;
        parser.setApplicationDescription(
            QStringLiteral("Ordane configuration tool\n\nProgram folder: %1").arg(folder));
    }
};

// Help and version need no screen, so that they also answer on a terminal without a display.
void answerHelpWithoutScreen(int argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        asked = asked || argument == "-h" || argument == "--help" || argument == "-v" ||
                argument == "--version";
    }
    if (!asked)
        return;
    QCoreApplication core(argc, argv);
    setNames();
    Options options;
    // Qt's own options (-platform, -style) are known only to the full start below.
    if (!options.parser.parse(core.arguments()))
        return;
    options.chooseProgramFolder();
    if (options.parser.isSet(QStringLiteral("help")))
        options.parser.showHelp(0);
    if (options.parser.isSet(QStringLiteral("version")))
        options.parser.showVersion();
}

} // namespace

int main(int argc, char** argv) {
    answerHelpWithoutScreen(argc, argv);

    QApplication app(argc, argv);
    setNames();
    Options options;
    options.parser.parse(app.arguments()); // mistakes are reported by process()
    options.chooseProgramFolder();
    options.parser.process(app);

    ordane::QtMessageSink messages;
    if (!options.choice) {
        messages.error(options.problem.toStdString());
        return 1;
    }
    if (options.choice->source == ordane::ProgramFolder::Source::UserDataFolder) {
        try {
            ordane::seedProgramFolder(options.choice->folder, options.choice->installData);
        } catch (const ordane::Error& e) {
            // The program still starts; the main window creates what it can, as at any start.
            messages.error(e.what());
        }
    }

    ordane::QtDialogs dialogs;
    ordane::SystemClock clock;
    ordane::QtProcessLauncher launcher;
    ordane::AppServices services{messages, dialogs, clock, launcher};

    ordane::MainWindow window(services, options.choice->folder);
    ordane::centreOnScreen(&window);
    window.show();
    return app.exec();
}
