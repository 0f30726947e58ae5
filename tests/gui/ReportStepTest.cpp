#include "GuiTest.h"

#include "FakeServices.h"
#include "MainWindowHome.h"
#include "TestSupport.h"

#include "app/MainWindow.h"

#include <QPushButton>
#include <QStatusBar>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;

// The "Report" button: the mapping report written into the project folder and opened.
class ReportStepTest : public QObject {
    Q_OBJECT

    using Home = test::HomeWithLastProject;

private slots:
    void buttonBesideAbout() {
        Home home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        auto* report = window.findChild<QPushButton*>(QStringLiteral("report"));
        QVERIFY(report);
        QCOMPARE(report->text(), QStringLiteral("Report"));
        QCOMPARE(report->accessibleName(), QStringLiteral("Mapping report"));
        // The steps first, then Report, About and X.
        auto* update = window.findChild<QPushButton*>(QStringLiteral("CreateBin"));
        auto* about = window.findChild<QPushButton*>(QStringLiteral("about"));
        // The next control Tab reaches: labels in the chain take no focus.
        const auto nextTab = [](QWidget* w) {
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus));
            return w;
        };
        QWidget* after = nextTab(update);
        if (after != report) // the maker's web link may come between
            after = nextTab(after);
        QCOMPARE(after, report);
        QCOMPARE(nextTab(report), about);
    }

    void writesAndOpensTheReport() {
        Home home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        test::writeFile(home.project / "TpdoJ1939.xml",
                        "<PDOJ1939><row COB-ID=\"0x900\" Dimension=\"2\" Offset=\"1\" "
                        "Mnemonic=\"x\"/></PDOJ1939>");
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("report")), Qt::LeftButton);

        const fs::path report = home.project / "report.html";
        QCOMPARE(fake.messages.texts(), std::vector<std::string>{});
        QCOMPARE(fake.dialogs.openedFiles, std::vector<fs::path>{report});
        const std::string html = test::readFile(report);
        QVERIFY(html.starts_with("<!DOCTYPE html>\r\n"));
        QVERIFY(html.find("<h1>Mapping report: Plant7</h1>") != std::string::npos);
        QVERIFY(html.find("Made 2026-12-09 01:08") != std::string::npos);
        // The check's findings come first.
        QVERIFY(html.find("<li>TpdoJ1939.xml: Error row 1!! COB-ID must be between 0x001 and "
                          "0x7FF. </li>") < html.find("<h2>Communication parameters</h2>"));
        // Only the document and the report are in the folder: no temporary file is left.
        QCOMPARE(std::distance(fs::directory_iterator(home.project), fs::directory_iterator()), 2);        QCOMPARE(window.statusBar()->currentMessage(),
                 QStringLiteral("Mapping report written: report.html in %1")
                     .arg(QString::fromStdString(home.project.string())));
    }

    void withoutProjectNothingIsWritten() {
        test::TempFolder home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.path());
        test::loseTheProjectFolder(window, fake, home.path());
        QVERIFY(!window.state().hasProjectFolder());
        fake.messages.clear();
        window.reportClick();
        QCOMPARE(fake.messages.texts(), std::vector<std::string>{"Project not valid"});
        QVERIFY(fake.dialogs.openedFiles.empty());
        QVERIFY(!fs::exists("report.html"));
    }

    void failuresAreTold() {
        Home home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        fake.dialogs.openSucceeds = false;
        window.reportClick();
        const fs::path report = home.project / "report.html";
        QCOMPARE(fake.messages.texts(),
                 std::vector<std::string>{"The report was written to " + report.string() +
                                          ", but no browser could be started to show it."});
        QVERIFY(fs::is_regular_file(report));

        // A folder in the report's place: the write fails and nothing is opened.
        fs::remove(report);
        fs::create_directories(report / "inside");
        fake.messages.clear();
        fake.dialogs.openedFiles.clear();
        window.reportClick();
        QCOMPARE(fake.messages.messages().size(), std::size_t(1));
        QCOMPARE(fake.messages.messages()[0].kind, RecordingMessageSink::Kind::Error);
        QVERIFY(fake.messages.messages()[0].text.starts_with("Cannot write '" + report.string()));
        QVERIFY(fake.dialogs.openedFiles.empty());
    }
};

ORDANE_GUI_TEST(ReportStepTest)

} // namespace ordane

#include "ReportStepTest.moc"
