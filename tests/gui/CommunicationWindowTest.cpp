#include "GuiTest.h"

#include "FakeServices.h"
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "core/ProjectState.h"
#include "editors/Upargen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;

namespace {

struct Fixture {
    test::TempFolder home;
    test::FakeServices fake;
    ProjectState state{home.path()};
    TFpargen window{fake.services, state};

    Fixture() {
        fs::create_directories(home / "PROJECTS" / "P1");
        state.setNewProject("P1", home / "PROJECTS" / "P1");
    }
    fs::path pargen() const { return home / "PROJECTS" / "P1" / "pargen.xml"; }
    template <class T> T* get(const char* name) {
        T* control = window.findChild<T*>(QLatin1String(name));
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    QString text(const char* name) { return get<QLineEdit>(name)->text(); }
};

} // namespace

class CommunicationWindowTest : public QObject {
    Q_OBJECT

private slots:
    void showsEveryGroupAndCaption() {
        Fixture f;
        QCOMPARE(f.window.windowTitle(), QStringLiteral("SET COMMUNICATION"));
        QStringList groups, captions;
        for (auto* g : f.window.findChildren<QGroupBox*>())
            groups << g->title();
        for (auto* b : f.window.findChildren<QAbstractButton*>())
            captions << b->text();
        for (auto* l : f.window.findChildren<QLabel*>())
            captions << l->text();
        for (const char* g : {" J1939 ", " CANopen ", " TPDO ", " NODEGUARD ", " SDO CLIENT "})
            QVERIFY2(groups.contains(QLatin1String(g)), g);
        for (const char* c : {"Baud rate",
                              "CAN Bus 2.0A (CobID 11Bit)",
                              "CAN Bus 2.0B (CobID 29Bit)",
                              "TimeOut Data",
                              "(Sec.)",
                              "Peer to Peer",
                              "ID Dev.",
                              "Set Operational State at Start-up",
                              "Network Start at Start-up",
                              "Delay",
                              "0-255 sec.",
                              "Send on change data",
                              "Send cyclically",
                              "mS",
                              "Enable NodeGuard",
                              "Send state on J1939 network",
                              "Send frames every (ms)",
                              "Enable SDO Client",
                              "TimeOut SDO(1/10 ms)",
                              "OK",
                              "Cancel"})
            QVERIFY2(captions.contains(QLatin1String(c)), c);
        for (auto* w : f.window.findChildren<QWidget*>())
            if (qobject_cast<QLineEdit*>(w) && w->parent() && !qobject_cast<QSpinBox*>(w->parent()))
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        const QStringList rates{"10", "20", "50", "100", "125", "250", "500", "800", "1000"};
        for (int i = 0; i < rates.size(); ++i) {
            QCOMPARE(f.get<QComboBox>("BaudRateCAN")->itemText(i), rates[i]);
            QCOMPARE(f.get<QComboBox>("Baud_CANopen")->itemText(i), rates[i] + QLatin1Char('K'));
        }
        QCOMPARE(f.get<QSpinBox>("Delay_CANopen")->maximum(), 255);
    }

    void showWithoutDocumentThenOkWritesTheEdits() {
        Fixture f;
        f.window.FormShow();
        QCOMPARE(f.get<QComboBox>("BaudRateCAN")->currentText(), QStringLiteral("250"));
        QCOMPARE(f.get<QComboBox>("Baud_CANopen")->currentText(), QStringLiteral("1000K"));
        QVERIFY(f.get<QRadioButton>("CANType20B")->isChecked());
        QVERIFY(!f.get<QRadioButton>("CANType20B")->isEnabled());
        QVERIFY(!f.get<QRadioButton>("CANType20A")->isEnabled());
        QVERIFY(f.get<QRadioButton>("SendOnChange")->isChecked());
        QCOMPARE(f.text("TimeOut_Data"), QStringLiteral("0"));
        QCOMPARE(f.text("IDDev_CANopen"), QStringLiteral("1"));
        QCOMPARE(f.get<QSpinBox>("Delay_CANopen")->value(), 10);
        QCOMPARE(f.text("Sent_TPDO_Time"), QStringLiteral("1000"));
        QCOMPARE(f.text("BG_Send_Every"), QStringLiteral("1000"));
        QCOMPARE(f.text("TO_SDO_Client"), QStringLiteral("10000"));
        QCOMPARE(f.window.focusWidget(), f.get<QPushButton>("OK"));

        f.window.show();
        f.get<QComboBox>("Baud_CANopen")->setCurrentIndex(5);
        f.get<QLineEdit>("IDDev_CANopen")->setText(QStringLiteral("0x05"));
        f.get<QCheckBox>("NodeGuard")->setChecked(true);
        f.get<QRadioButton>("SendCyclically")->setChecked(true);
        QSpinBox* delay = f.get<QSpinBox>("Delay_CANopen");
        delay->selectAll();
        QTest::keyClicks(delay, QStringLiteral("300")); // not yet left: still taken, as 255
        QTest::keyClick(f.get<QPushButton>("OK"), Qt::Key_Return);
        QVERIFY(!f.window.isVisible());
        QCOMPARE(f.window.result(), int(QDialog::Accepted));
        QVERIFY(f.fake.messages.messages().empty());
        QCOMPARE(test::readFile(f.pargen()),
                 std::string(
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<GeneralParameter>\n"
                     "  <BaudRateCAN>5</BaudRateCAN>\n  <CANType>1</CANType>\n"
                     "  <IDDev_CANopen>0x05</IDDev_CANopen>\n  <Baud_CANopen>5</Baud_CANopen>\n"
                     "  <Set_Ope_CANopen>0</Set_Ope_CANopen>\n  "
                     "<Net_Start_CANopen>0</Net_Start_CANopen>\n"
                     "  <Delay_CANopen>255</Delay_CANopen>\n  <TimeOut_Data>0</TimeOut_Data>\n"
                     "  <Peer_to_Peer>0</Peer_to_Peer>\n  <Sent_TPDO>0</Sent_TPDO>\n"
                     "  <Sent_TPDO_Time>1000</Sent_TPDO_Time>\n  <NodeGuard>1</NodeGuard>\n"
                     "  <Send_NG_J1939>0</Send_NG_J1939>\n  <BG_Send_Every>1000</BG_Send_Every>\n"
                     "  <EN_SDO_Client>0</EN_SDO_Client>\n  <TO_SDO_Client>10000</TO_SDO_Client>\n"
                     "</GeneralParameter>\n"));
    }

    void aFailingCheckKeepsTheWindowOpenAndCancelWritesNothing() {
        Fixture f;
        f.window.FormShow();
        f.window.show();
        f.get<QLineEdit>("TimeOut_Data")->setText(QStringLiteral("256"));
        f.get<QLineEdit>("IDDev_CANopen")->setText(QStringLiteral("0"));
        f.window.OkClick();
        QCOMPARE(f.fake.messages.messages(),
                 (std::vector<RecordingMessageSink::Message>{
                     {RecordingMessageSink::Kind::Error,
                      "Error! The Time Out Data must to be between 0 and 255 seconds"}}));
        QVERIFY(f.window.isVisible());
        QCOMPARE(f.text("TimeOut_Data"), QStringLiteral("256"));
        f.fake.dialogs.confirmations.push_back(true); // "Discard your changes?"
        QTest::keyClick(&f.window, Qt::Key_Escape);
        QVERIFY(!f.window.isVisible());
        QCOMPARE(f.window.result(), int(QDialog::Rejected));
        QVERIFY(!fs::exists(f.pargen()));
    }

    void anUnreadableDocumentIsReportedAndShowsTheDefaults() {
        Fixture f;
        test::writeFile(f.pargen(),
                        "<GeneralParameter><IDDev_CANopen>7</IDDev_CANopen>"
                        "<Sent_TPDO>0</Sent_TPDO><CANType>1</CANType></GeneralParameter>");
        f.window.FormShow();
        QCOMPARE(f.text("IDDev_CANopen"), QStringLiteral("7"));
        QVERIFY(f.get<QRadioButton>("SendCyclically")->isChecked());
        QVERIFY(f.get<QRadioButton>("CANType20B")->isEnabled());
        f.window.CancelClick();

        test::writeFile(f.pargen(), "<GeneralParameter><IDDev_CANopen>9</IDDev_CANopen>");
        f.window.FormShow();
        QCOMPARE(f.fake.messages.texts(),
                 std::vector<std::string>{"pargen.xml: Start-end tags mismatch (line 1)"});
        QCOMPARE(f.text("IDDev_CANopen"), QStringLiteral("1"));
        QVERIFY(f.get<QRadioButton>("SendOnChange")->isChecked());
        QVERIFY(!f.get<QRadioButton>("CANType20B")->isEnabled());
        f.window.OkClick();
        QCOMPARE(f.window.result(), int(QDialog::Accepted));
        QVERIFY(test::readFile(f.pargen()).find("<TO_SDO_Client>10000</TO_SDO_Client>") !=
                std::string::npos);
    }

    void aFailedWriteIsReportedAndTheWindowStays() {
        Fixture f;
        f.window.FormShow();
        f.window.show();
        fs::create_directories(f.pargen()); // a folder where the file should go
        f.window.OkClick();
        QCOMPARE(f.fake.messages.messages().size(), std::size_t(1));
        QVERIFY(f.fake.messages.texts()[0].find("Cannot write") != std::string::npos);
        QVERIFY(f.window.isVisible());
    }

    void stepTwoOpensTheWindow() {
        test::TempFolder home;
        test::FakeServices fake;
        fs::create_directories(home / "PROJECTS" / "P1");
        test::writeFile(home / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=P1\n");
        test::writeFile(home / "PROJECTS" / "P1" / "pargen.xml",
                        "<GeneralParameter><IDDev_CANopen>42</IDDev_CANopen></GeneralParameter>");
        MainWindow main(fake.services, home.path());
        QString shownId;
        main.setModalRunner([&](QDialog& dialog) {
            shownId = dialog.findChild<QLineEdit*>(QStringLiteral("IDDev_CANopen"))->text();
            return int(QDialog::Rejected);
        });
        main.btn_Prm_GenClick();
        QCOMPARE(shownId, QStringLiteral("42"));
    }
};

ORDANE_GUI_TEST(CommunicationWindowTest)

} // namespace ordane

#include "CommunicationWindowTest.moc"
