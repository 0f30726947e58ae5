#include "GuiTest.h"

#include "FakeServices.h"
#include "MainWindowHome.h"
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "core/ProjectState.h"
#include "editors/UInfoJ1939PDO.h"
#include "widgets/EditorGrid.h"

#include <QTest>

namespace ordane {

namespace fs = std::filesystem;

namespace {

void writeFrames(const test::TempFolder& folder) {
    test::writeFile(folder / "RCobDef.xml",
                    "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/>"
                    "<row PGN=\"0xFEF1\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/></COBID>");
    test::writeFile(
        folder / "TCobDef.xml",
        "<COBID><row Priority=\"6\" DP=\"0\" PGN=\"0xFF10\" ID_DEV=\"0x80\" Mnemonic=\"\"/>"
        "</COBID>");
}

} // namespace

class PdoMappingWindowTest : public QObject {
    Q_OBJECT

private slots:
    void showsEachDirectionWithItsFrames_data() {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QStringList>("choices");
        QTest::newRow("RPDO") << 1 << "Receive J1939 Frame Info PDO"
                              << "pdoJ1939.xml" << QStringList{"1;0xFF10;0x80"};
        QTest::newRow("TPDO") << 2 << "Transmit J1939 Frame Info PDO"
                              << "TpdoJ1939.xml" << QStringList{"1;0xF004;0", "2;0xFEF1;0"};
    }
    void showsEachDirectionWithItsFrames() {
        QFETCH(int, direction);
        QFETCH(QString, caption);
        QFETCH(QString, document);
        QFETCH(QStringList, choices);
        test::TempFolder home;
        test::FakeServices fake;
        ProjectState state(home.path());
        state.setNewProject("Demo", home.path());
        writeFrames(home);
        test::writeFile(home / document.toStdString(),
                        "<PDOJ1939><row COB-ID=\"0x181\" Dimension=\"2\" Frame_J1939=\"1\" "
                        "Mnemonic=\"Engine speed\"/><row COB-ID=\"0x281\" Dimension=\"1\" "
                        "Offset=\"3\" Frame_J1939=\"9\" Mnemonic=\"\"/></PDOJ1939>");
        TFInfoJ1939PDO window(fake.services, state);
        window.grid()->setCell(4, TFInfoJ1939PDO::CobId, "left over");
        window.setMode(direction);
        window.FormShow();
        QCOMPARE(window.windowTitle(), caption);
        EditorGrid* grid = window.grid();
        QCOMPARE(grid->choices(TFInfoJ1939PDO::Frame), choices);
        const std::vector<std::string> row1 = {"0x181", "2", "1", choices[0].toStdString(),
                                               "Engine speed"};
        for (int c = 1; c <= 5; ++c)
            QCOMPARE(grid->cell(1, c), row1[std::size_t(c - 1)]);
        QCOMPARE(grid->cell(2, TFInfoJ1939PDO::StartByte), std::string("3"));
        QCOMPARE(grid->cell(2, TFInfoJ1939PDO::Frame), std::string());
        QCOMPARE(grid->cell(4, TFInfoJ1939PDO::CobId), std::string());
        QCOMPARE(grid->cell(4, 0), std::string("4"));
        QVERIFY(fake.messages.messages().empty());
    }

    void okChecksThenSavesTheChosenFrame() {
        test::TempFolder home;
        test::FakeServices fake;
        ProjectState state(home.path());
        state.setNewProject("Demo", home.path());
        writeFrames(home);
        TFInfoJ1939PDO window(fake.services, state);
        window.setMode(2);
        window.FormShow();
        EditorGrid* grid = window.grid();
        grid->setCell(1, TFInfoJ1939PDO::CobId, "0x181");
        grid->setCell(1, TFInfoJ1939PDO::Dimension, "8");
        grid->setCell(1, TFInfoJ1939PDO::StartByte, "2");
        grid->setCell(1, TFInfoJ1939PDO::Frame, "2;0xFEF1;0");
        window.OkClick();
        QCOMPARE(fake.messages.messages(),
                 (std::vector<RecordingMessageSink::Message>{
                     {RecordingMessageSink::Kind::Error,
                      "Error row 1!! Dimension and Offset are not correct together. "}}));
        QVERIFY(!fs::exists(home / "TpdoJ1939.xml"));
        QCOMPARE(window.result(), int(QDialog::Rejected));

        grid->setCell(1, TFInfoJ1939PDO::StartByte, "1");
        window.OkClick();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(test::readFile(home / "TpdoJ1939.xml"),
                 std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PDOJ1939>\n"
                             "  <row COB-ID=\"0x181\" Dimension=\"8\" Offset=\"1\" "
                             "Frame_J1939=\"2\" Mnemonic=\"\" />\n</PDOJ1939>\n"));
    }

    void mainWindowButtonsOpenTheirDirection() {
        test::HomeWithLastProject home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        QStringList shown;
        window.setModalRunner([&](QDialog& dialog) {
            shown << dialog.windowTitle();
            return int(QDialog::Rejected);
        });
        window.btn_RPDO_J1939Click();
        window.btn_TPDO_J1939Click();
        QCOMPARE(shown,
                 (QStringList{"Transmit J1939 Frame Info PDO", "Receive J1939 Frame Info PDO"}));
    }
};

ORDANE_GUI_TEST(PdoMappingWindowTest)

} // namespace ordane

#include "PdoMappingWindowTest.moc"
