#include "app/MainWindow.h"
#include "core/ProjectState.h"
#include "widgets/GuiSupport.h"
#include "widgets/QtServices.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The application title; not the display name, which Qt would append to every caption.
    QApplication::setApplicationName(QLatin1String(ordane::kApplicationTitle));
    QApplication::setApplicationVersion(QStringLiteral("1.704"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Ordane configuration tool"));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption home(QStringLiteral("home"),
                            QStringLiteral("Use DIR as the program folder (MASTER, PROJECTS, "
                                           "settings, flash tool) instead of the executable's."),
                            QStringLiteral("DIR"));
    parser.addOption(home);
    parser.process(app);

    const QString folder =
        parser.isSet(home) ? parser.value(home) : QApplication::applicationDirPath();

    ordane::QtMessageSink messages;
    ordane::QtDialogs dialogs;
    ordane::SystemClock clock;
    ordane::QtProcessLauncher launcher;
    ordane::AppServices services{messages, dialogs, clock, launcher};

    ordane::MainWindow window(services, std::filesystem::absolute(ordane::toPath(folder)));
    ordane::centreOnScreen(&window);
    window.show();
    return app.exec();
}
