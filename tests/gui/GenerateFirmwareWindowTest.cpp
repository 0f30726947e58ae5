#include "GuiTest.h"

#include "FakeServices.h"
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "core/ProjectState.h"
#include "editors/ModifyFileSx.h"
#include "widgets/QtServices.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;
using Message = RecordingMessageSink::Message;
using Kind = RecordingMessageSink::Kind;

namespace {

const char* const kTemplate =
    "S0030000FC\nS2083880001111111100\nS2083980002222222200\nS9030000FC\n";

// A program folder with the template in MASTER, the flash tool beside it and project P
// with its banks.
struct Home {
    test::TempFolder folder;
    fs::path project = folder / "PROJECTS" / "P";
    fs::path merged = project / "New_SX40218.sx";
    fs::path tool = folder / "Burnidor.exe";
    ProjectState state{folder.path()};

    Home() {
        test::writeFile(folder / "MASTER" / "SX40218.sx", kTemplate);
        test::writeFile(tool, "#!/bin/sh\n");
        for (int bank = 1; bank <= 5; ++bank)
            test::writeFile(project / "bin" / ("bank" + std::to_string(bank) + ".bin"),
                            std::string(0x4000, '\0'));
        state.startUp();
        state.setNewProject("P", project);
    }
};

} // namespace

class GenerateFirmwareWindowTest : public QObject {
    Q_OBJECT

    fs::path m_startFolder;

private slots:
    // The dialog makes MASTER the current directory; every test gets its own back.
    void init() { m_startFolder = fs::current_path(); }
    void cleanup() { fs::current_path(m_startFolder); }

    void showingResetsTheControls() {
        Home home;
        test::FakeServices fake;
        TFModifyFileSx window(fake.services, home.state);
        QCOMPARE(window.windowTitle(), QStringLiteral("Generate Firmware"));
        auto* close = window.findChild<QPushButton*>(QStringLiteral("CloseButton"));
        QVERIFY(close);
        QCOMPARE(close->text(), QStringLiteral("X"));
        QCOMPARE(window.executeButton()->text(), QStringLiteral("Execute update firmware"));
        QStringList ports;
        for (int i = 0; i < window.portList()->count(); ++i)
            ports << window.portList()->itemText(i);
        QCOMPARE(ports,
                 QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
        QVERIFY(window.findChild<QWidget*>(QStringLiteral("Strip")));

        window.portList()->setCurrentIndex(5);
        window.progressBar()->setValue(40);
        window.FormShow();
        QCOMPARE(window.portList()->currentIndex(), 0);
        QCOMPARE(window.progressBar()->value(), 0);
        QVERIFY(window.executeButton()->isEnabled());
        QCOMPARE(fs::current_path(), home.folder / "MASTER");
        QVERIFY(fake.messages.messages().empty());
    }

    void missingTemplateDisablesTheButton() {
        Home home;
        fs::remove(home.folder / "MASTER" / "SX40218.sx");
        test::FakeServices fake;
        TFModifyFileSx window(fake.services, home.state);
        window.FormShow();
        QCOMPARE(fake.messages.messages(),
                 (std::vector<Message>{{Kind::Error, "Error file SX40218.sx not found"}}));
        QVERIFY(!window.executeButton()->isEnabled());
    }

    void comTwoStartsTheFlashToolWithPositionOne() {
        Home home;
        test::writeFile(home.folder / "Ordane_C2J1939.ini", "[lastproj]\nprojectname = /P\n");
        test::FakeServices fake;
        MainWindow main(fake.services, home.folder.path());
        bool shown = false;
        main.setModalRunner([&](QDialog& dialog) {
            auto* window = qobject_cast<TFModifyFileSx*>(&dialog);
            if (!window)
                return int(QDialog::Rejected);
            shown = true;
            window->portList()->setCurrentIndex(1);
            QTest::mouseClick(window->executeButton(), Qt::LeftButton);
            return int(QDialog::Rejected);
        });
        main.CreateBinClick();
        QVERIFY(shown);
        QVERIFY(fs::exists(home.merged));
        QCOMPARE(fake.launcher.calls.size(), std::size_t(1));
        QCOMPARE(fake.launcher.calls[0].program, home.tool);
        QCOMPARE(fake.launcher.calls[0].arguments,
                 (std::vector<std::string>{home.merged.string(), "1"}));
    }

    void flashToolStartsOnlyAfterThisRunWroteTheFile_data() {
        QTest::addColumn<QString>("arrange");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("no bin folder") << "no bin"
                                       << QStringList{"Directory Bin Not Found,Abort Procedure",
                                                      "File *.Sx Not Found,Abort Procedure"};
        QTest::newRow("bank1.bin missing, older merged file")
            << "no bank1"
            << QStringList{"File bank1.bin Not Found,Abort Procedure",
                           "File *.Sx Not Found,Abort Procedure"};
        QTest::newRow("no flash tool")
            << "no tool" << QStringList{"Burnidor.exe Not Found, Procedure Aborted"};
    }
    void flashToolStartsOnlyAfterThisRunWroteTheFile() {
        QFETCH(QString, arrange);
        QFETCH(QStringList, messages);
        Home home;
        test::writeFile(home.merged, "older");
        if (arrange == "no bin")
            fs::remove_all(home.project / "bin");
        if (arrange == "no bank1")
            fs::remove(home.project / "bin" / "bank1.bin");
        if (arrange == "no tool")
            fs::remove(home.tool);
        test::FakeServices fake;
        TFModifyFileSx window(fake.services, home.state);
        window.FormShow();
        window.ExecuteUpdateClick();

        QStringList shown;
        for (const auto& m : fake.messages.messages()) {
            QCOMPARE(m.kind, Kind::Info);
            shown << QString::fromStdString(m.text);
        }
        QCOMPARE(shown, messages);
        QVERIFY(fake.launcher.calls.empty());
        // A stopped merge leaves the older file; a finished one replaces it.
        QCOMPARE(test::readFile(home.merged) == "older", arrange != "no tool");
    }

    // The tool runs without blocking the window: its output shows as it comes, and its
    // end is told, a failure in an error box and success in a plain one.
    void theFlashToolIsWatchedToItsEnd_data() {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("output");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<QString>("message");
        QTest::newRow("cannot open port")
            << 3 << QStringList{"Burnidor 2.1\r\nOpening COM1", "...\r\ncannot open port\r\n"}
            << true << "The flash tool ended with exit 3: cannot open port";
        QTest::newRow("written") << 0 << QStringList{"Writing 32768 bytes\nDone\n"} << false
                                 << "The flash tool ended successfully: Done";
        QTest::newRow("silent failure")
            << 1 << QStringList{} << true << "The flash tool ended with exit 1";
    }
    void theFlashToolIsWatchedToItsEnd() {
        QFETCH(int, exitCode);
        QFETCH(QStringList, output);
        QFETCH(bool, failed);
        QFETCH(QString, message);
        Home home;
        test::FakeServices fake;
        TFModifyFileSx window(fake.services, home.state);
        window.FormShow();
        window.ExecuteUpdateClick();
        QCOMPARE(fake.launcher.calls.size(), std::size_t(1));
        QCOMPARE(fake.launcher.calls[0].arguments,
                 (std::vector<std::string>{home.merged.string(), "0"}));
        // Running: nothing told yet, and no second start.
        QVERIFY(fake.messages.messages().empty());
        QVERIFY(!window.executeButton()->isEnabled());

        std::vector<std::string> pieces;
        for (const QString& piece : output)
            pieces.push_back(piece.toStdString());
        fake.launcher.play(pieces, exitCode);
        QCOMPARE(window.toolOutput()->toPlainText(),
                 output.join(QString()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QCOMPARE(fake.messages.messages(),
                 (std::vector<Message>{{failed ? Kind::Error : Kind::Info, message.toStdString()}}));
        QVERIFY(window.executeButton()->isEnabled());
    }

    // The desktop's launcher: a real program's output and exit status reach the watch.
    void theDesktopLauncherReportsOutputAndEnd() {
        test::TempFolder folder;
        const fs::path tool = folder / "tool.sh";
        test::writeFile(tool, "#!/bin/sh\necho \"port $2\"\necho cannot open port >&2\nexit 3\n");
        fs::permissions(tool, fs::perms::owner_all, fs::perm_options::add);
        QtProcessLauncher launcher;
        std::string output, failure;
        int code = -1;
        bool crashed = true;
        QVERIFY(launcher.start(tool, {"file", "2"}, failure,
                               {[&](const std::string& text) { output += text; },
                                [&](int exitCode, bool c) {
                                    code = exitCode;
                                    crashed = c;
                                }}));
        QTRY_COMPARE(code, 3);
        QVERIFY(!crashed);
        QCOMPARE(output, std::string("port 2\ncannot open port\n"));
        QVERIFY(!launcher.running());
        // A program that cannot be started is told at once.
        QVERIFY(!launcher.start(folder / "missing", {}, failure, {}));
        QVERIFY2(failure.find("missing") != std::string::npos, failure.c_str());
    }

    void failuresThatEndTheRunAreErrorBoxes() {
        Home home;
        test::FakeServices fake;
        TFModifyFileSx window(fake.services, home.state);
        window.FormShow();
        fake.launcher.succeed = false;
        window.ExecuteUpdateClick();
        QCOMPARE(fake.messages.messages(),
                 (std::vector<Message>{{Kind::Error, "Cannot start " + home.tool.string()}}));

        // A scratch file that cannot be created ends the run before the update step.
        fake.messages.clear();
        fake.launcher.calls.clear();
        fs::create_directories(home.project / "bin" / "Bin.sx" / "taken");
        window.ExecuteUpdateClick();
        QCOMPARE(fake.messages.messages().size(), std::size_t(1));
        QCOMPARE(fake.messages.messages()[0].kind, Kind::Error);
        QVERIFY(fake.messages.messages()[0].text.find("Bin.sx") != std::string::npos);
        QVERIFY(fake.launcher.calls.empty());
    }
};

ORDANE_GUI_TEST(GenerateFirmwareWindowTest)

} // namespace ordane

#include "GenerateFirmwareWindowTest.moc"
