#include "GuiTest.h"

#include "FakeServices.h"
#include "MainWindowHome.h"
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "core/ProjectState.h"
#include "documents/KeptSignals.h"
#include "editors/UInfoPdoMB.h"
#include "editors/UInfoTPdoMB.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;

namespace {

// A project folder with two received frames, one transmitted frame and two entries on
// frame 1 of the received side.
struct SdoProject {
    test::TempFolder home;
    test::FakeServices fake;
    ProjectState state{home.path()};

    SdoProject() {
        state.setNewProject("Demo", home.path());
        test::writeFile(home / "RCobDef.xml",
                        "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/>"
                        "<row PGN=\"0xFEEE\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/></COBID>");
        test::writeFile(home / "TCobDef.xml",
                        "<COBID><row Priority=\"6\" DP=\"0\" PGN=\"0xFF11\" ID_DEV=\"0x80\" "
                        "Mnemonic=\"\"/></COBID>");
        test::writeFile(home / "RInfoCob.xml",
                        "<RInfoCob><row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\" Dimension=\"1\" "
                        "B1=\"5\" B2=\"4\" B3=\"0\" B4=\"0\"/>"
                        "<row NrPdo=\"1\" Index=\"8448\" SubIndex=\"2\" Dimension=\"2\" B1=\"3\" "
                        "B2=\"0\" B3=\"0\" B4=\"0\"/></RInfoCob>");
    }
};

template <typename T> T* control(QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

QStringList labels(QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

void click(QWidget& window, const char* button) {
    control<QPushButton>(window, button)->click();
}

} // namespace

class SdoMappingWindowTest : public QObject {
    Q_OBJECT

private slots:
    void showsFramesEntriesAndTheSelectedEntry() {
        SdoProject project;
        TFInfopdoMB window(project.fake.services, project.state);
        window.FormShow();
        QCOMPARE(window.windowTitle(), QStringLiteral("Receive J1939 Frame Info SDO"));
        QCOMPARE(control<QLabel>(window, "FrameHeading")->text(),
                 QStringLiteral("PGN                ID_DEV"));
        auto* frames = control<QListWidget>(window, "ListFrames");
        QCOMPARE(labels(frames), (QStringList{"0xF004\t0", "0xFEEE\t0"}));
        QVERIFY(control<QComboBox>(window, "ComboSendSdo")->isHidden());
        QVERIFY(project.fake.messages.messages().empty());

        frames->setCurrentRow(0);
        auto* entries = control<QListWidget>(window, "ListSdo");
        QCOMPARE(labels(entries), (QStringList{"Ind SDO 0", "Ind SDO 1"}));
        entries->setCurrentRow(0);
        QCOMPARE(control<QLineEdit>(window, "EditIndex")->text(), QStringLiteral("0x2100"));
        QCOMPARE(control<QLineEdit>(window, "EditSubIndex")->text(), QStringLiteral("1"));
        QCOMPARE(control<QComboBox>(window, "ComboDimension")->currentText(),
                 QStringLiteral("2 Bytes"));
        QCOMPARE(control<QComboBox>(window, "ComboByte1")->currentText(),
                 QStringLiteral("Byte 5 J1939 Frame"));
        QCOMPARE(control<QComboBox>(window, "ComboByte2")->currentIndex(), 4);
        QVERIFY(!control<QComboBox>(window, "ComboByte3")->isEnabled());

        frames->setCurrentRow(1); // another frame empties the boxes
        QVERIFY(labels(entries).isEmpty());
        QVERIFY(control<QLineEdit>(window, "EditIndex")->text().isEmpty());
        QCOMPARE(control<QComboBox>(window, "ComboDimension")->currentIndex(), 0);
    }

    void showsTheKeptSignalOfTheSelectedEntryUntilItIsModified() {
        SdoProject project;
        KeptSide part;
        part.frames = {{1, "EEC1", 0x0CF004FE, 8, 0xF004, 0}};
        KeptSignal speed;
        speed.frame = 1;
        speed.entry = {0x2100, 1, 1, {5, 4, 0, 0}, 0};
        speed.message = "EEC1";
        speed.name = "EngineSpeed";
        part.signalList = {speed};
        KeptSignals kept;
        kept.replaceSide(Side::Received, part);
        kept.save(project.home.path());

        TFInfopdoMB window(project.fake.services, project.state);
        window.FormShow();
        control<QListWidget>(window, "ListFrames")->setCurrentRow(0);
        auto* entries = control<QListWidget>(window, "ListSdo");
        auto* signal = control<QLabel>(window, "SignalName");
        QCOMPARE(signal->accessibleName(), QStringLiteral("DBC signal"));
        entries->setCurrentRow(0);
        QCOMPARE(signal->text(), QStringLiteral("EngineSpeed"));
        entries->setCurrentRow(1);
        QVERIFY(signal->text().isEmpty());
        entries->setCurrentRow(0);
        control<QComboBox>(window, "ComboByte1")->setCurrentIndex(6);
        click(window, "BtnModify");
        QVERIFY(signal->text().isEmpty());
    }

    void dimensionRuleDisablesBytesThatKeepTheirChoice() {
        SdoProject project;
        TFInfopdoMB window(project.fake.services, project.state);
        window.FormShow();
        control<QListWidget>(window, "ListFrames")->setCurrentRow(1);
        QComboBox* bytes[] = {
            control<QComboBox>(window, "ComboByte1"), control<QComboBox>(window, "ComboByte2"),
            control<QComboBox>(window, "ComboByte3"), control<QComboBox>(window, "ComboByte4")};
        for (int b = 0; b < 4; ++b)
            bytes[b]->setCurrentIndex(b + 1);
        auto* dimension = control<QComboBox>(window, "ComboDimension");
        const struct {
            int dimension;
            bool enabled[4];
        } rules[] = {{1, {true, true, false, false}},
                     {0, {true, true, true, true}},
                     {2, {true, false, false, false}}};
        for (const auto& rule : rules) {
            dimension->setCurrentIndex(rule.dimension);
            for (int b = 0; b < 4; ++b) {
                QCOMPARE(bytes[b]->isEnabled(), rule.enabled[b]);
                QCOMPARE(bytes[b]->currentIndex(), b + 1);
            }
        }
        control<QLineEdit>(window, "EditIndex")->setText(QStringLiteral("0x2000"));
        control<QLineEdit>(window, "EditSubIndex")->setText(QStringLiteral("0x10"));
        click(window, "BtnNew");
        click(window, "OK");
        QCOMPARE(window.result(), int(QDialog::Accepted));
        const std::string saved = test::readFile(project.home / "RInfoCob.xml");
        QVERIFY2(saved.find("<row NrPdo=\"2\" Index=\"8192\" SubIndex=\"16\" Dimension=\"2\" "
                            "B1=\"1\" B2=\"2\" B3=\"3\" B4=\"4\" />") != std::string::npos,
                 saved.c_str());
    }

    void deleteKeepsTheOtherLabelsUntilTheFrameIsSelectedAgain() {
        SdoProject project;
        TFInfopdoMB window(project.fake.services, project.state);
        window.FormShow();
        window.show();
        auto* frames = control<QListWidget>(window, "ListFrames");
        auto* entries = control<QListWidget>(window, "ListSdo");
        frames->setCurrentRow(0);
        entries->setCurrentRow(0);
        click(window, "BtnDelete");
        QCOMPARE(labels(entries), QStringList{"Ind SDO 1"});
        QCOMPARE(control<QLineEdit>(window, "EditIndex")->text(), QStringLiteral("0x2100"));
        click(window, "BtnDelete"); // nothing selected: nothing happens
        QCOMPARE(window.model().entries(0).size(), std::size_t(1));

        control<QLineEdit>(window, "EditSubIndex")->setText(QStringLiteral("7"));
        click(window, "BtnNew");
        QCOMPARE(labels(entries), (QStringList{"Ind SDO 1", "Ind SDO 1"}));
        QCOMPARE(entries->currentRow(), 1);

        const QRect first = frames->visualItemRect(frames->item(0));
        QTest::mouseClick(frames->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(labels(entries), (QStringList{"Ind SDO 0", "Ind SDO 1"}));
        QCOMPARE(window.model().entries(0)[1].subIndex, 7);
        window.hide();
    }

    void newAndModifyCheckTheEntryAndNeedASelection() {
        SdoProject project;
        TFInfopdoMB window(project.fake.services, project.state);
        window.FormShow();
        auto* index = control<QLineEdit>(window, "EditIndex");
        auto* subIndex = control<QLineEdit>(window, "EditSubIndex");
        index->setText(QStringLiteral("0x2200"));
        subIndex->setText(QStringLiteral("0"));
        click(window, "BtnNew"); // no frame selected
        click(window, "BtnModify");
        QVERIFY(project.fake.messages.messages().empty());
        QCOMPARE(window.model().entries(0).size(), std::size_t(2));

        control<QListWidget>(window, "ListFrames")->setCurrentRow(0);
        index->setText(QStringLiteral("0x1FFF"));
        subIndex->setText(QStringLiteral("0"));
        click(window, "BtnNew");
        QCOMPARE(
            project.fake.messages.messages().back(),
            (RecordingMessageSink::Message{RecordingMessageSink::Kind::Error,
                                           "Error! The Index must be between 0x2000 and 0x9FFF"}));
        QCOMPARE(window.model().entries(0).size(), std::size_t(2));

        auto* entries = control<QListWidget>(window, "ListSdo");
        entries->setCurrentRow(0);
        subIndex->setText(QStringLiteral("2"));
        click(window, "BtnModify");
        QCOMPARE(project.fake.messages.texts().back(),
                 std::string("Error! The Index 0x2100 and SubIndex 0x02 is already used"));
        subIndex->setText(QStringLiteral("3"));
        control<QComboBox>(window, "ComboDimension")->setCurrentIndex(2);
        click(window, "BtnModify");
        QCOMPARE(project.fake.messages.messages().size(), std::size_t(2));
        QCOMPARE(window.model().entries(0)[0].subIndex, 3);
        QCOMPARE(window.model().entries(0)[0].dimension, 2);
        QCOMPARE(labels(entries), (QStringList{"Ind SDO 0", "Ind SDO 1"}));
    }

    // Enter in a box presses OK: values typed there that no New or Modify took are asked
    // about (add, drop, or go back, the default), never dropped without a word.
    void okWithValuesNotTakenAsksWhatToDo_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("added");
        QTest::newRow("go back") << QString() << false << false;
        QTest::newRow("add them") << "Add them" << true << true;
        QTest::newRow("drop them") << "Drop them" << true << false;
    }
    void okWithValuesNotTakenAsksWhatToDo() {
        QFETCH(QString, answer);
        QFETCH(bool, closed);
        QFETCH(bool, added);
        SdoProject project;
        const std::string before = test::readFile(project.home / "RInfoCob.xml");
        TFInfopdoMB window(project.fake.services, project.state);
        window.FormShow();
        window.show();
        QTest::keyClick(&window, Qt::Key_Return); // nothing typed: OK saves at once
        QVERIFY(project.fake.dialogs.choiceQuestions.empty());
        QCOMPARE(window.result(), int(QDialog::Accepted));

        window.FormShow();
        window.show();
        control<QListWidget>(window, "ListFrames")->setCurrentRow(1);
        auto* index = control<QLineEdit>(window, "EditIndex");
        index->setText(QStringLiteral("0x2300"));
        control<QLineEdit>(window, "EditSubIndex")->setText(QStringLiteral("1"));
        control<QComboBox>(window, "ComboByte1")->setCurrentIndex(3);
        if (!answer.isEmpty())
            project.fake.dialogs.choices.push_back(answer);
        QTest::keyClick(index, Qt::Key_Return);

        QCOMPARE(project.fake.dialogs.choiceQuestions.size(), std::size_t(1));
        const auto& question = project.fake.dialogs.choiceQuestions[0];
        QCOMPARE(question.answers, (QStringList{"Add them", "Drop them", "Go back"}));
        QCOMPARE(question.standard, 2);
        QCOMPARE(window.isVisible(), !closed);
        const std::string saved = test::readFile(project.home / "RInfoCob.xml");
        QCOMPARE(saved.find("Index=\"8960\"") != std::string::npos, added);
        if (!closed)
            QCOMPARE(index->text(), QStringLiteral("0x2300"));
        window.hide();
    }

    // An object needs at least one frame byte among those its Dimension uses.
    void anObjectTakingNoByteIsRefused() {
        SdoProject project;
        TFInfopdoMB window(project.fake.services, project.state);
        window.FormShow();
        control<QListWidget>(window, "ListFrames")->setCurrentRow(1);
        control<QLineEdit>(window, "EditIndex")->setText(QStringLiteral("0x2300"));
        control<QLineEdit>(window, "EditSubIndex")->setText(QStringLiteral("1"));
        control<QComboBox>(window, "ComboByte3")->setCurrentIndex(2); // unused by "2 Bytes"
        control<QComboBox>(window, "ComboDimension")->setCurrentIndex(1);
        click(window, "BtnNew");
        QCOMPARE(project.fake.messages.texts(),
                 std::vector<std::string>{"Error! The object takes no byte of the J1939 frame: "
                                          "choose a frame byte for one of its SDO bytes"});
        QVERIFY(window.model().entries(1).empty());
        control<QComboBox>(window, "ComboByte2")->setCurrentIndex(2);
        click(window, "BtnNew");
        QCOMPARE(window.model().entries(1).size(), std::size_t(1));
    }

    void transmittedSideCopiesAndPastesAcrossShowings() {
        SdoProject project;
        TFInfoTpdoMB window(project.fake.services, project.state);
        window.FormShow();
        QCOMPARE(window.windowTitle(), QStringLiteral("Transmit J1939 Frame Info SDO"));
        QCOMPARE(control<QLabel>(window, "FrameHeading")->text(),
                 QStringLiteral("PRIOR       DP           PGN        ID_DEV"));
        QCOMPARE(labels(control<QListWidget>(window, "ListFrames")),
                 QStringList{"6\t0\t0xFF11\t0x80"});
        auto* index = control<QLineEdit>(window, "EditIndex");
        auto* subIndex = control<QLineEdit>(window, "EditSubIndex");
        auto* send = control<QComboBox>(window, "ComboSendSdo");
        QVERIFY(!send->isHidden());
        QCOMPARE(send->currentText(), QStringLiteral("False"));

        index->setText(QStringLiteral("junk"));
        click(window, "BtnPaste"); // nothing copied yet
        QCOMPARE(index->text(), QStringLiteral("0x0000"));
        QCOMPARE(subIndex->text(), QStringLiteral("0"));

        index->setText(QStringLiteral("0x2200"));
        subIndex->setText(QStringLiteral("1"));
        control<QComboBox>(window, "ComboDimension")->setCurrentIndex(1);
        control<QComboBox>(window, "ComboByte1")->setCurrentIndex(2);
        send->setCurrentIndex(1);
        click(window, "BtnCopy");
        window.CancelClick();
        QVERIFY(!fs::exists(project.home / "TInfoCob.xml"));

        window.FormShow();
        QVERIFY(index->text().isEmpty());
        click(window, "BtnPaste");
        QCOMPARE(index->text(), QStringLiteral("0x2200"));
        QCOMPARE(send->currentIndex(), 1);
        QVERIFY(!control<QComboBox>(window, "ComboByte3")->isEnabled());
        control<QListWidget>(window, "ListFrames")->setCurrentRow(0);
        click(window, "BtnPaste");
        click(window, "BtnNew");
        subIndex->setText(QStringLiteral("x"));
        click(window, "BtnCopy");
        QCOMPARE(project.fake.messages.texts(),
                 std::vector<std::string>{"'x' is not a valid integer value"});
        project.fake.dialogs.choices.push_back(QStringLiteral("Drop them")); // the "x"
        window.OkClick();
        QCOMPARE(
            test::readFile(project.home / "TInfoCob.xml"),
            std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TInfoCob>\n"
                        "  <row NrPdo=\"1\" Index=\"8704\" SubIndex=\"1\" Dimension=\"1\" "
                        "B1=\"2\" B2=\"0\" B3=\"0\" B4=\"0\" Send_SDO=\"1\" />\n</TInfoCob>\n"));
    }

    void mainWindowOpensEachSideInItsMode() {
        test::HomeWithLastProject home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        test::writeFile(home.project / "RCobDef.xml",
                        "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\"/></COBID>");
        QStringList shown;
        int frames = -1;
        window.setModalRunner([&](QDialog& dialog) {
            shown << dialog.windowTitle();
            frames = dialog.findChild<QListWidget*>(QStringLiteral("ListFrames"))->count();
            return int(QDialog::Rejected);
        });
        window.btn_Info_RCOBClick();
        QCOMPARE(frames, 1);
        window.btn_Info_TCOBClick();
        QCOMPARE(frames, 0);
        QCOMPARE(shown,
                 (QStringList{"Receive J1939 Frame Info SDO", "Transmit J1939 Frame Info SDO"}));
    }
};

ORDANE_GUI_TEST(SdoMappingWindowTest)

} // namespace ordane

#include "SdoMappingWindowTest.moc"
