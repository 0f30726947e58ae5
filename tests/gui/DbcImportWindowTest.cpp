#include "GuiTest.h"

#include "FakeServices.h"
#include "OpenProject.h"
#include "TestSupport.h"

#include "core/ProjectState.h"
#include "documents/KeptSignals.h"
#include "model/SdoMapping.h"
#include "editors/UDbcImport.h"
#include "editors/UTpdo2MB.h"
#include "editors/UpdoMB.h"
#include "widgets/EditorGrid.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;

namespace {

const fs::path kDemoDbc = fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo.dbc";
const fs::path kDbc = fs::path(ORDANE_TEST_DATA) / "documents" / "fixtures" / "dbc";

using Project = test::OpenProject;

template <class T> T* child(QWidget& window, const char* name) {
    return window.findChild<T*>(QLatin1String(name));
}

QStringList column(const QTableView& table, int c) {
    QStringList texts;
    for (int r = 0; r < table.model()->rowCount(); ++r)
        texts << table.model()->index(r, c).data().toString();
    return texts;
}

void setChecked(QTableView& table, int row, bool on) {
    table.model()->setData(table.model()->index(row, DbcSelectionModel::Check),
                           on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

// Under a real X server (xvfb-run with QT_QPA_PLATFORM=xcb) and ORDANE_SCREENSHOT_DIR set,
// keeps a picture of the screen for a person to look at.
void screenshot(QWidget& window, const QString& name) {
    const QString dir = qEnvironmentVariable("ORDANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    window.raise();
    window.activateWindow();
    QTest::qWait(300);
    QProcess::execute(QStringLiteral("import"),
                      {QStringLiteral("-window"), QStringLiteral("root"), dir + "/" + name});
}

// The received side's SDO mapping with one entry, which a mapping import must not drop silently.
const std::string kOneSdoEntry =
    "<RInfoCob><row NrPdo=\"1\" Index=\"12288\" SubIndex=\"1\" Dimension=\"2\" B1=\"1\" "
    "B2=\"0\" B3=\"0\" B4=\"0\"/></RInfoCob>";

// Shows the window and chooses examples/Demo.dbc with its Import button.
void importDemoDbc(Project& p, FrameListWindow& window) {
    window.FormShow();
    window.show();
    p.fake.dialogs.answers.push_back(kDemoDbc);
    window.ImportClick();
}

} // namespace

class DbcImportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void chosenMessagesAndTheirMappingReachTheDocumentsOnlyOnOk() {
        Project p;
        const std::string sdo = kOneSdoEntry;
        test::writeFile(p.folder() / "RInfoCob.xml", sdo);
        TFpdoMB window(p.fake.services, p.state);
        importDemoDbc(p, window);

        TFDbcImport& dialog = *window.dbcDialog();
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.isModal());
        QTableView& table = *dialog.table();
        QCOMPARE(column(table, DbcSelectionModel::Name),
                 (QStringList{"EEC1", "ET1", "CCVS", "EFL_P1", "GatewayStatus", "Setpoints",
                              "PropA_Commands"}));
        QCOMPARE(column(table, DbcSelectionModel::Pgn).mid(0, 4),
                 (QStringList{"0xF004", "0xFEEE", "0xFEF1", "0xFEEF"}));
        QCOMPARE(column(table, DbcSelectionModel::Source).at(4), QStringLiteral("128"));
        QCOMPARE(column(table, DbcSelectionModel::Priority).at(0), QStringLiteral("3"));
        QCOMPARE(column(table, DbcSelectionModel::Transmitter).at(6), QStringLiteral("Gateway"));
        QCOMPARE(column(table, DbcSelectionModel::Signals).at(2), QStringLiteral("20"));
        QCOMPARE(child<QLabel>(dialog, "Summary")->text(),
                 QStringLiteral("7 of 7 J1939 messages chosen (7 in the file)"));
        QCOMPARE(dialog.focusWidget(), child<QLineEdit>(dialog, "Filter"));

        // The filter answers while typing; select none acts on what it shows.
        QTest::keyClicks(child<QLineEdit>(dialog, "Filter"), "gate");
        QCOMPARE(column(table, DbcSelectionModel::Name),
                 (QStringList{"GatewayStatus", "Setpoints", "PropA_Commands"}));
        QTest::mouseClick(child<QPushButton>(dialog, "SelectNone"), Qt::LeftButton);
        child<QLineEdit>(dialog, "Filter")->clear();
        QCOMPARE(table.model()->rowCount(), 7);
        QCOMPARE(child<QLabel>(dialog, "Summary")->text(),
                 QStringLiteral("4 of 7 J1939 messages chosen (7 in the file)"));
        setChecked(table, 1, false); // ET1
        setChecked(table, 3, false); // EFL_P1
        setChecked(table, 4, true);  // GatewayStatus again

        table.setCurrentIndex(table.model()->index(0, DbcSelectionModel::Name));
        const QString signalList = child<QPlainTextEdit>(dialog, "SignalList")->toPlainText();
        QVERIFY2(signalList.contains("EngSpeed  24|16@1 little-endian  SPN 190  [rpm]"),
                 qPrintable(signalList));
        QVERIFY(signalList.contains("EngTorqueMode  0|4@1 little-endian  SPN 899  (not mapped: "
                                    "does not start and end on byte boundaries)"));

        QTest::mouseClick(child<QCheckBox>(dialog, "MapSignals"), Qt::LeftButton);
        QVERIFY(child<QLineEdit>(dialog, "FirstIndex")->isEnabled());
        child<QLineEdit>(dialog, "FirstIndex")->setText("0x1000");
        screenshot(dialog, "dbc-import-dialog.png");
        dialog.OkClick();
        QCOMPARE(p.fake.messages.texts(),
                 (std::vector<std::string>{"Error! The Index must be between 0x2000 and 0x9FFF"}));
        QVERIFY(dialog.isVisible());

        child<QLineEdit>(dialog, "FirstIndex")->setText("0x2100");
        dialog.OkClick(); // the question is answered "No": the dialog stays
        QCOMPARE(p.fake.dialogs.questions.size(), std::size_t(1));
        QVERIFY(p.fake.dialogs.questions[0].startsWith("RInfoCob.xml holds 1 SDO entries."));
        QVERIFY(dialog.isVisible());
        QCOMPARE(window.grid()->cell(1, 1), std::string());

        p.fake.dialogs.confirmations.push_back(true);
        QTest::mouseClick(child<QPushButton>(dialog, "OK"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        EditorGrid& grid = *window.grid();
        QCOMPARE(grid.cell(1, 1), std::string("0xF004"));
        QCOMPARE(grid.cell(1, 4), std::string("EEC1"));
        QCOMPARE(grid.cell(2, 1), std::string("0xFEF1"));
        QCOMPARE(grid.cell(2, 3), std::string("N"));
        QCOMPARE(grid.cell(3, 1), std::string("0xFF10"));
        QCOMPARE(grid.cell(3, 2), std::string("128"));
        QCOMPARE(grid.cell(4, 1), std::string());
        screenshot(window, "dbc-import-grid.png");
        // Nothing is written before OK.
        QVERIFY(!fs::exists(p.folder() / "RCobDef.xml"));
        QCOMPARE(test::readFile(p.folder() / "RInfoCob.xml"), sdo);

        window.OkClick();
        QVERIFY(!window.isVisible());
        J1939FrameList frames(FrameSide::Received);
        frames.load(p.folder());
        QCOMPARE(frames.tableRows(), 3);
        SdoMapping mapping(SdoSide::Received);
        mapping.load(p.folder());
        QVERIFY(mapping.loadProblems().empty());
        QCOMPARE(mapping.frames().size(), std::size_t(3));
        // EEC1 at 0x2100: two one-byte torques, the speed, the source address, the demand.
        QCOMPARE(mapping.entries(0).size(), std::size_t(5));
        QVERIFY((mapping.entries(0)[2] == SdoMappingEntry{0x2100, 3, 1, {5, 4, 0, 0}, 0}));
        QVERIFY((mapping.entries(1)[0] == SdoMappingEntry{0x2101, 1, 1, {3, 2, 0, 0}, 0}));
    }

    void framesChangedAfterTheImportAreNotMappedWithoutAsking() {
        Project p;
        const std::string sdo = kOneSdoEntry;
        test::writeFile(p.folder() / "RInfoCob.xml", sdo);
        TFpdoMB window(p.fake.services, p.state);
        importDemoDbc(p, window);
        TFDbcImport& dialog = *window.dbcDialog();
        child<QCheckBox>(dialog, "MapSignals")->setChecked(true);
        p.fake.dialogs.confirmations.push_back(true); // replace the existing entry
        dialog.OkClick();
        QVERIFY(window.mappingPending());

        // The second imported frame becomes another one: its signals would land on it.
        window.grid()->setCell(2, 1, "0xFEF2");
        window.OkClick(); // "No": nothing is written, the window stays
        QCOMPARE(p.fake.dialogs.questions.size(), std::size_t(2));
        QVERIFY(p.fake.dialogs.questions[1].startsWith(
            "The frames imported from the DBC file were changed in the grid"));
        QVERIFY(window.isVisible());
        QVERIFY(!fs::exists(p.folder() / "RCobDef.xml"));

        // "Yes": the frame list alone. The stored entry named a frame the list did not have,
        // and would now take frame 1's bytes: it is asked about and removed.
        p.fake.dialogs.confirmations.push_back(true);
        p.fake.dialogs.choices.push_back(QStringLiteral("Remove them"));
        window.OkClick();
        QVERIFY(!window.isVisible());
        QVERIFY(p.fake.dialogs.choiceQuestions.back().text.contains(
            "RInfoCob.xml row 1 (Index 0x3000 SubIndex 1): frame 1 is not in the list"));
        J1939FrameList frames(FrameSide::Received);
        frames.load(p.folder());
        QCOMPARE(frames.cell(2, 1), std::string("0xFEF2"));
        QVERIFY(readSdoMapping(p.folder(), Side::Received).empty());
    }

    void cancelBadFilesAndSkippedMessagesChangeNothing() {
        Project p;
        TFTpdo2MB window(p.fake.services, p.state);
        window.setMode(2);
        window.FormShow();
        window.show();
        window.grid()->setCell(1, 1, "typed");

        test::writeFile(p.folder() / "broken.dbc", "VERSION \"\"\n\nBO_ 1 X\n");
        p.fake.dialogs.answers.push_back(p.folder() / "broken.dbc");
        window.ImportClick();
        QCOMPARE(p.fake.messages.texts(),
                 (std::vector<std::string>{"broken.dbc, line 3: truncated or malformed BO_ line; "
                                           "expected BO_ <identifier> <name>: <length> "
                                           "<transmitter>"}));
        QVERIFY(!window.dbcDialog()->isVisible());

        p.fake.dialogs.answers.push_back(kDbc / "mixed_crlf_cp1252.dbc");
        window.ImportClick();
        TFDbcImport& dialog = *window.dbcDialog();
        QTableView& table = *dialog.table();
        QCOMPARE(column(table, DbcSelectionModel::Note).at(0),
                 QStringLiteral("skipped: standard 11-bit identifier, not a J1939 frame"));
        QCOMPARE(column(table, DbcSelectionModel::Pgn).at(0), QString());
        QVERIFY(!(table.model()->flags(table.model()->index(0, 0)) & Qt::ItemIsUserCheckable));
        setChecked(table, 0, true);
        QCOMPARE(table.model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QCOMPARE(child<QLabel>(dialog, "Summary")->text(),
                 QStringLiteral("2 of 2 J1939 messages chosen (5 in the file)"));

        // Space on any cell of a row ticks or clears it; a skipped message stays unticked.
        int j1939 = 0;
        while (!(table.model()->flags(table.model()->index(j1939, 0)) & Qt::ItemIsUserCheckable))
            ++j1939;
        table.setFocus();
        table.setCurrentIndex(table.model()->index(j1939, DbcSelectionModel::Pgn));
        QTest::keyClick(&table, Qt::Key_Space);
        QCOMPARE(child<QLabel>(dialog, "Summary")->text(),
                 QStringLiteral("1 of 2 J1939 messages chosen (5 in the file)"));
        QTest::keyClick(&table, Qt::Key_Space);
        table.setCurrentIndex(table.model()->index(0, DbcSelectionModel::Name));
        QTest::keyClick(&table, Qt::Key_Space);
        QCOMPARE(child<QLabel>(dialog, "Summary")->text(),
                 QStringLiteral("2 of 2 J1939 messages chosen (5 in the file)"));

        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(window.grid()->cell(1, 1), std::string("typed"));
        QVERIFY(!window.mappingPending());
        QVERIFY(!child<QLineEdit>(dialog, "SourceAddress")->isEnabled()); // every message has one
    }

    void messagesWithoutASourceAddressTakeTheBoxAndTheirSignalsAreKept() {
        Project p;
        TFpdoMB window(p.fake.services, p.state);
        window.FormShow();
        window.show();
        p.fake.dialogs.answers.push_back(kDbc / "mixed_addresses.dbc");
        window.ImportClick();
        TFDbcImport& dialog = *window.dbcDialog();
        QTableView& table = *dialog.table();
        QLineEdit& address = *child<QLineEdit>(dialog, "SourceAddress");
        QVERIFY(address.isEnabled());
        QCOMPARE(address.accessibleName(), QStringLiteral("Source address"));
        QCOMPARE(column(table, DbcSelectionModel::Note).at(1),
                 QStringLiteral("skipped: source address 0xFE (null address) in the DBC: give the "
                                "sender's address in Source address"));
        setChecked(table, 1, true); // AMB: no address, no tick
        QCOMPARE(child<QLabel>(dialog, "Summary")->text(),
                 QStringLiteral("3 of 3 J1939 messages chosen (5 in the file)"));

        QTest::keyClicks(&address, "300");
        QCOMPARE(column(table, DbcSelectionModel::Source).at(1), QStringLiteral("254"));
        dialog.OkClick();
        QCOMPARE(p.fake.messages.texts(),
                 (std::vector<std::string>{"The source address 300 is not between 0 and 253"}));
        address.clear();
        QTest::keyClicks(&address, "0x21");
        QCOMPARE(column(table, DbcSelectionModel::Source),
                 (QStringList{"0", "33", "238", "33", "3"}));
        QCOMPARE(column(table, DbcSelectionModel::Note).at(1),
                 QStringLiteral("source address given (0xFE in the DBC)"));
        QCOMPARE(column(table, DbcSelectionModel::Note).at(0), QString());
        QCOMPARE(child<QLabel>(dialog, "Summary")->text(),
                 QStringLiteral("5 of 5 J1939 messages chosen (5 in the file)"));
        QTest::mouseClick(child<QCheckBox>(dialog, "MapSignals"), Qt::LeftButton);
        screenshot(dialog, "dbc-import-source-address.png");
        QTest::mouseClick(child<QPushButton>(dialog, "OK"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(window.grid()->cell(2, 2), std::string("33"));
        QVERIFY(!fs::exists(p.folder() / "DbcSignals.xml"));

        window.OkClick();
        QVERIFY(!window.isVisible());
        const KeptSignals kept = KeptSignals::load(p.folder());
        QCOMPARE(kept.side(Side::Received).frames.size(), std::size_t(5));
        QCOMPARE(kept.side(Side::Received).frames[1].identifier, std::uint32_t(0x18FEF5FE));
        QCOMPARE(kept.side(Side::Received).signalList.size(), std::size_t(8));
        SdoMapping mapping(SdoSide::Received);
        mapping.load(p.folder());
        QCOMPARE(mapping.signalName({1, 1}), std::string("AmbientAirTemperature"));
    }
};

ORDANE_GUI_TEST(DbcImportWindowTest)

} // namespace ordane

#include "DbcImportWindowTest.moc"
