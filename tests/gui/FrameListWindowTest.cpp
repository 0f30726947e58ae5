#include "GuiTest.h"

#include "FakeServices.h"
#include "OpenProject.h"
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "core/ProjectState.h"
#include "editors/UDbcImport.h"
#include "editors/UTpdo2MB.h"
#include "editors/UpdoMB.h"
#include "widgets/EditorGrid.h"

#include <QHeaderView>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = fs::path(ORDANE_TEST_DATA) / "documents" / "fixtures";
constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

using Project = test::OpenProject;

QStringList headers(const EditorGrid& grid) {
    QStringList list;
    for (int c = 0; c < grid.columnCount(); ++c)
        list << grid.horizontalHeaderItem(c)->text();
    return list;
}

QPushButton* button(QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(QLatin1String(name));
}

} // namespace

class FrameListWindowTest : public QObject {
    Q_OBJECT

private slots:
    void receivedListShowsEditsAndSaves() {
        Project p;
        test::writeFile(p.folder() / "RCobDef.xml",
                        "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Mnemonic=\"EEC1\"/></COBID>");
        TFpdoMB window(p.fake.services, p.state);
        window.setMode(1);
        window.FormShow();
        window.show();
        EditorGrid& grid = *window.grid();
        QCOMPARE(window.windowTitle(), QStringLiteral("Receive J1939 Frame"));
        QCOMPARE(headers(grid), (QStringList{"N", "PGN", "ID Device", "Delete", "Mnemonic"}));
        QCOMPARE(grid.dataRows(), 100);
        QCOMPARE(grid.item(99, 0)->text(), QStringLiteral("100"));
        QCOMPARE(window.findChild<QTabWidget*>()->tabText(0), QStringLiteral("Can0-ModBus"));
        for (const char* name : {"OK", "Cancel", "Export", "Import"})
            QVERIFY2(button(window, name), name);
        QCOMPARE(window.focusWidget(), button(window, "OK"));
        QCOMPARE(grid.cell(1, 1), std::string("0xF004"));
        QCOMPARE(grid.cell(1, 3), std::string("N")); // absent Delete

        // The Delete box toggles by mouse and stores "Y"; a row typed by hand has none.
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                          grid.visualItemRect(grid.item(0, 3)).center());
        QCOMPARE(grid.cell(1, 3), std::string("Y"));
        grid.setCell(2, 1, "0xFFFF");
        grid.setCell(2, 2, "253");
        grid.setCell(4, 1, "1"); // below the gap: neither checked nor saved
        QTest::keyClick(button(window, "OK"), Qt::Key_Return);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(p.fake.messages.messages().empty());
        QCOMPARE(
            test::readFile(p.folder() / "RCobDef.xml"),
            std::string(kDeclaration) +
                "<COBID>\n  <row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"Y\" Mnemonic=\"EEC1\" />\n"
                "  <row PGN=\"0xFFFF\" ID_DEV=\"253\" Delete=\"\" Mnemonic=\"\" />\n</COBID>\n");

        window.FormShow(); // every showing starts from the document
        QCOMPARE(grid.cell(4, 1), std::string());
        QCOMPARE(grid.cell(2, 2), std::string("253"));
    }

    void aFailingCheckKeepsTheRowsAndCancelWritesNothing() {
        Project p;
        TFTpdo2MB window(p.fake.services, p.state);
        window.FormShow();
        window.show();
        EditorGrid& grid = *window.grid();
        QCOMPARE(window.windowTitle(), QStringLiteral("Transmit J1939 Frame"));
        QCOMPARE(headers(grid),
                 (QStringList{"N", "Priority", "Data Page", "PGN", "ID Device", "Mnemonic"}));
        const char* row[] = {"6", "2", "0xFF10", "0x80", "Gateway status"};
        for (int c = 0; c < 5; ++c)
            grid.setCell(1, c + 1, row[c]);
        window.OkClick();
        QCOMPARE(p.fake.messages.messages(),
                 (std::vector<RecordingMessageSink::Message>{
                     {RecordingMessageSink::Kind::Error,
                      "Error in row 1!! The Data Page of J1939 frame must be or 0 or 1"}}));
        QVERIFY(window.isVisible());
        QCOMPARE(grid.cell(1, 2), std::string("2"));
        QVERIFY(!fs::exists(p.folder() / "TCobDef.xml"));

        grid.setCell(1, 2, "0");
        p.fake.dialogs.confirmations.push_back(true); // "Discard your changes?"
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QVERIFY(!fs::exists(p.folder() / "TCobDef.xml"));

        window.FormShow();
        window.show();
        for (int c = 0; c < 5; ++c)
            grid.setCell(1, c + 1, row[c]);
        grid.setCell(1, 2, "0");
        window.OkClick();
        window.FormShow();
        QCOMPARE(grid.cell(1, 5), std::string("Gateway status"));
    }

    void importFillsTheGridAndFailsSilently() {
        Project p;
        TFpdoMB window(p.fake.services, p.state);
        window.FormShow();
        EditorGrid& grid = *window.grid();
        grid.setCell(7, 1, "typed");

        window.ImportClick(); // cancelled: nothing changes
        QCOMPARE(grid.cell(7, 1), std::string("typed"));
        const auto& asked = p.fake.dialogs.requests.back();
        QCOMPARE(asked.start, p.folder());
        QCOMPARE(asked.filter,
                 QStringLiteral("File EXCEL (*.xls);;File CSV (*.csv);;DBC file (*.dbc)"));

        p.fake.dialogs.answers.push_back(kFixtures / "frames.xls");
        window.ImportClick();
        QCOMPARE(grid.cell(7, 1), std::string());
        QCOMPARE(grid.cell(1, 1), std::string("61444"));
        QCOMPARE(grid.cell(3, 1), std::string("0xFEF1"));
        QCOMPARE(grid.cell(2, 3), std::string("Y"));
        QVERIFY(!fs::exists(p.folder() / "RCobDef.xml")); // only OK writes

        // A failed import would leave the grid empty: it asks first.
        p.fake.dialogs.confirmations.push_back(true);
        for (const char* name : {"nosheet.xls", "damaged.xls"}) {
            p.fake.dialogs.answers.push_back(kFixtures / name);
            window.ImportClick();
            QCOMPARE(grid.cell(1, 1), std::string());
        }
        QCOMPARE(p.fake.dialogs.questions.size(), std::size_t(1)); // the second had no frames
        QVERIFY(p.fake.messages.messages().empty());
    }

    void exportWritesTheGridAsShown() {
        Project p;
        const std::string document =
            "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Mnemonic=\"\"/></COBID>";
        test::writeFile(p.folder() / "RCobDef.xml", document);
        TFpdoMB window(p.fake.services, p.state);
        window.FormShow();
        window.grid()->setCell(2, 1, "0xFEEE");
        window.grid()->setCell(2, 2, "3");
        QString told;
        connect(&window, &FrameListWindow::exported, [&](const QString& file) { told = file; });
        window.ExportClick();
        QCOMPARE(told, QString::fromStdString((p.folder() / "rpdodef.csv").string()));
        QCOMPARE(test::readFile(p.folder() / "rpdodef.csv"),
                 std::string("cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n0xF004,0,0,0,0\r\n"
                             "0xFEEE,3,0,0,0\r\n"));
        QVERIFY(p.fake.messages.messages().empty());
        QCOMPARE(test::readFile(p.folder() / "RCobDef.xml"), document);
    }

    void aDocumentThatStopsLoadingKeepsTheRowsBefore() {
        Project p;
        test::writeFile(
            p.folder() / "RCobDef.xml",
            "<COBID><row PGN=\"1\" ID_DEV=\"2\" Mnemonic=\"\"/><row PGN=\"3\"/></COBID>");
        TFpdoMB window(p.fake.services, p.state);
        window.FormShow();
        QCOMPARE(p.fake.messages.texts(),
                 std::vector<std::string>{"RCobDef.xml, row 2: attribute 'ID_DEV' is missing"});
        QCOMPARE(window.grid()->cell(1, 1), std::string("1"));
        QCOMPARE(window.grid()->cell(2, 1), std::string());
    }

    // Frames are referred to by their row. After the rows changed, the SDO mapping and the
    // TPDOs follow their frames; rows whose frame is gone are named, and removed only when
    // the user says so.
    void referencesFollowTheirFramesOrAreRemovedWhenAgreed() {
        Project p;
        test::writeFile(p.folder() / "RCobDef.xml",
                        "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Mnemonic=\"A\"/>"
                        "<row PGN=\"0xFEEE\" ID_DEV=\"0\" Mnemonic=\"B\"/>"
                        "<row PGN=\"0xFEF1\" ID_DEV=\"0\" Mnemonic=\"C\"/></COBID>");
        const std::string sdo =
            "<RInfoCob><row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\" Dimension=\"2\" B1=\"1\" "
            "B2=\"0\" B3=\"0\" B4=\"0\"/><row NrPdo=\"2\" Index=\"8449\" SubIndex=\"1\" "
            "Dimension=\"2\" B1=\"1\" B2=\"0\" B3=\"0\" B4=\"0\"/><row NrPdo=\"3\" Index=\"8450\" "
            "SubIndex=\"1\" Dimension=\"2\" B1=\"1\" B2=\"0\" B3=\"0\" B4=\"0\"/></RInfoCob>";
        const std::string tpdo =
            "<PDOJ1939><row COB-ID=\"0x181\" Dimension=\"1\" Offset=\"1\" Frame_J1939=\"3\" "
            "Mnemonic=\"c\"/><row COB-ID=\"0x281\" Dimension=\"1\" Offset=\"1\" "
            "Frame_J1939=\"2\" Mnemonic=\"b\"/></PDOJ1939>";
        test::writeFile(p.folder() / "RInfoCob.xml", sdo);
        test::writeFile(p.folder() / "TpdoJ1939.xml", tpdo);
        const std::string frames = test::readFile(p.folder() / "RCobDef.xml");
        TFpdoMB window(p.fake.services, p.state);
        window.FormShow();
        window.show();
        EditorGrid& grid = *window.grid();
        // C typed over A in row 1, and row 3 cleared: A is gone, C moves up.
        grid.setCell(1, 1, "0xFEF1");
        grid.setCell(1, 4, "C");
        for (int c = 1; c <= 4; ++c)
            grid.setCell(3, c, "");

        window.OkClick(); // answered with the default, Cancel
        QCOMPARE(p.fake.dialogs.choiceQuestions.size(), std::size_t(1));
        const auto& question = p.fake.dialogs.choiceQuestions[0];
        QCOMPARE(question.answers, (QStringList{"Remove them", "Cancel"}));
        QCOMPARE(question.standard, 1);
        QVERIFY2(question.text.contains("RInfoCob.xml row 1 (Index 0x2100 SubIndex 1): frame 1 "
                                        "(PGN 0xF004, source address 0) is no longer in the list"),
                 qPrintable(question.text));
        QVERIFY(window.isVisible());
        QCOMPARE(test::readFile(p.folder() / "RCobDef.xml"), frames);
        QCOMPARE(test::readFile(p.folder() / "RInfoCob.xml"), sdo);

        p.fake.dialogs.choices.push_back(QStringLiteral("Remove them"));
        window.OkClick();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        const auto stored = readSdoMapping(p.folder(), Side::Received);
        QCOMPARE(stored.size(), std::size_t(2));
        QCOMPARE(std::pair(stored[0].nrPdo, stored[0].entry.index), std::pair(1, 8450));
        QCOMPARE(std::pair(stored[1].nrPdo, stored[1].entry.index), std::pair(2, 8449));
        const std::string pdos = test::readFile(p.folder() / "TpdoJ1939.xml");
        QVERIFY2(pdos.find("COB-ID=\"0x181\" Dimension=\"1\" Offset=\"1\" Frame_J1939=\"1\"") !=
                     std::string::npos,
                 pdos.c_str());
        QVERIFY(pdos.find("COB-ID=\"0x281\" Dimension=\"1\" Offset=\"1\" Frame_J1939=\"2\"") !=
                std::string::npos);
        QVERIFY(p.fake.messages.messages().empty());
    }

    // A DBC import that would drop frames typed in the grid names them and asks first.
    void aDbcImportAsksBeforeReplacingTypedFrames() {
        Project p;
        TFpdoMB window(p.fake.services, p.state);
        window.FormShow();
        EditorGrid& grid = *window.grid();
        grid.setCell(1, 1, "0xFEF1"); // also in the file: kept by the import
        grid.setCell(1, 2, "0");
        grid.setCell(2, 1, "0x1234");
        grid.setCell(2, 2, "5");
        grid.setCell(2, 4, "typed by hand");
        const auto importOnce = [&] {
            p.fake.dialogs.answers.push_back(fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo.dbc");
            window.ImportClick();
            window.dbcDialog()->OkClick();
        };
        importOnce(); // "No"
        QCOMPARE(p.fake.dialogs.questions.size(), std::size_t(1));
        QCOMPARE(p.fake.dialogs.questions[0],
                 QStringLiteral("The import replaces the frame list. These frames of the grid "
                                "are not in it and would be gone:\nrow 2: PGN 0x1234, ID Device "
                                "5 typed by hand\n\nReplace the frame list?"));
        QCOMPARE(grid.cell(2, 1), std::string("0x1234"));

        p.fake.dialogs.confirmations.push_back(true);
        importOnce();
        QCOMPARE(grid.cell(1, 1), std::string("0xF004"));
        QVERIFY(!fs::exists(p.folder() / "RCobDef.xml")); // only OK writes
    }

    // The main window's status bar tells where Export wrote its file.
    void exportIsToldInTheMainWindow() {
        test::TempFolder home;
        test::FakeServices fake;
        fs::create_directories(home / "PROJECTS" / "P1");
        test::writeFile(home / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=P1\n");
        MainWindow main(fake.services, home.path());
        main.setModalRunner([](QDialog& dialog) {
            button(dialog, "Export")->click();
            return int(QDialog::Rejected);
        });
        main.btn_TCOBClick();
        QCOMPARE(main.statusBar()->currentMessage(),
                 QStringLiteral("Frame list exported: rpdodef.csv in %1")
                     .arg(QString::fromStdString((home / "PROJECTS" / "P1").string())));
    }

    void stepsThreeAndFourOpenTheirSide() {
        test::TempFolder home;
        test::FakeServices fake;
        fs::create_directories(home / "PROJECTS" / "P1");
        test::writeFile(home / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=P1\n");
        MainWindow main(fake.services, home.path());
        QStringList shown;
        main.setModalRunner([&](QDialog& dialog) {
            auto* grid = dialog.findChild<EditorGrid*>();
            shown << dialog.windowTitle() + QLatin1Char(':') + QString::number(grid->dataColumns());
            return int(QDialog::Rejected);
        });
        main.btn_RCOBClick();
        main.btn_TCOBClick();
        QCOMPARE(shown, (QStringList{"Receive J1939 Frame:4", "Transmit J1939 Frame:5"}));
    }
};

ORDANE_GUI_TEST(FrameListWindowTest)

} // namespace ordane

#include "FrameListWindowTest.moc"
