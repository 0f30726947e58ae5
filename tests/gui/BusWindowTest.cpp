#include "GuiTest.h"

#include "FakeServices.h"
#include "MainWindowHome.h"
#include "TestSupport.h"

#include "app/BusWindow.h"
#include "app/MainWindow.h"
#include "bus/LiveBus.h"
#include "widgets/GuiSupport.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>

#include <memory>

namespace ordane {

namespace fs = std::filesystem;

namespace {

// This process hosts one virtual bus server, on a port no other run uses.
QString busUrl() {
    static const QString url = [] {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return QStringLiteral("tcp://127.0.0.1:%1/").arg(probe.serverPort());
    }();
    return url;
}

// The other end of both buses.
struct Peer {
    std::unique_ptr<QCanBusDevice> canopen;
    std::unique_ptr<QCanBusDevice> j1939;
    Peer() {
        canopen.reset(QCanBus::instance()->createDevice("virtualcan", busUrl() + "can0"));
        j1939.reset(QCanBus::instance()->createDevice("virtualcan", busUrl() + "can1"));
        canopen->connectDevice();
        j1939->connectDevice();
    }
    bool connected() const {
        return canopen->state() == QCanBusDevice::ConnectedState &&
               j1939->state() == QCanBusDevice::ConnectedState;
    }
};

QCanBusFrame frame(quint32 id, const char* hex, bool extended) {
    QCanBusFrame f(id, QByteArray::fromHex(hex));
    f.setExtendedFrameFormat(extended);
    return f;
}

} // namespace

// The Bus window over the real virtual CAN bus: the twin, the table, the log, the choices.
class BusWindowTest : public QObject {
    Q_OBJECT

    struct Fixture {
        test::TempFolder folder;
        test::FakeServices fake;
        QString choices = toQt((folder / "bus.ini").string());
        std::unique_ptr<BusWindow> window;
        explicit Fixture(bool chooseDevices = true, const QString& choicesFile = {}) {
            if (!choicesFile.isEmpty())
                choices = choicesFile;
            window = std::make_unique<BusWindow>(fake.services, choices);
            window->setProject(fs::path(ORDANE_SOURCE_DIR) / "examples/Demo");
            if (chooseDevices) {
                device("canopenDevice")->setCurrentText(busUrl() + "can0");
                device("j1939Device")->setCurrentText(busUrl() + "can1");
            }
        }
        QComboBox* device(const char* name) const {
            return window->findChild<QComboBox*>(QString::fromLatin1(name));
        }
        QPushButton* button(const char* name) const {
            return window->findChild<QPushButton*>(QString::fromLatin1(name));
        }
        QTableWidget* table() const { return window->findChild<QTableWidget*>("traffic"); }
        int row(const QString& start) const {
            for (int r = 0; r < table()->rowCount(); ++r)
                if (table()->item(r, 0)->text().startsWith(start))
                    return r;
            return -1;
        }
        QString cell(const QString& rowStart, int column) const {
            const int r = row(rowStart);
            return r < 0 || !table()->item(r, column) ? QString() : table()->item(r, column)->text();
        }
    };

private slots:
    void oneRowPerFrameAndPdo() {
        Fixture f;
        // Four received and three transmitted frames, three TPDOs and one RPDO.
        QCOMPARE(f.table()->rowCount(), 11);
        QCOMPARE(f.cell("EEC1", 1), QStringLiteral("J1939 received"));
        QCOMPARE(f.cell("TPDO 0x181", 1), QStringLiteral("CANopen TPDO"));
        QCOMPARE(f.cell("RPDO 0x201", 1), QStringLiteral("CANopen RPDO"));
        QVERIFY(f.row("Setpoints PGN 0xFF11 SA 0x80") >= 0);
        QVERIFY(!f.button("stop")->isEnabled());
        QVERIFY(!f.button("saveLog")->isEnabled());
    }

    void twinAnswersAndTheTableShowsIt() {
        Fixture f;
        QTest::mouseClick(f.button("startTwin"), Qt::LeftButton);
        QTRY_VERIFY(f.window->session() && f.window->session()->running());
        QVERIFY(f.button("stop")->isEnabled());
        QVERIFY(!f.button("startTwin")->isEnabled());
        Peer peer;
        QTRY_VERIFY(peer.connected());

        peer.j1939->writeFrame(frame(0x0CF00400, "F07D7D0019FFFFFF", true));
        QTRY_VERIFY(peer.canopen->framesAvailable() > 0);
        const QCanBusFrame tpdo = peer.canopen->readFrame();
        QCOMPARE(tpdo.frameId(), 0x181u);
        QCOMPARE(tpdo.payload().toHex().toUpper(), QByteArray("0019"));

        QTRY_COMPARE(f.cell("EEC1", 2), QStringLiteral("1"));
        QCOMPARE(f.cell("EEC1", 4), QStringLiteral("F0 7D 7D 00 19 FF FF FF"));
        QCOMPARE(f.cell("EEC1", 5), QStringLiteral("0x2100:01=0x1900 EngSpeed=800 rpm 0x2100:02=0x7D ActualEngPercentTorque=0 %"));
        QCOMPARE(f.cell("TPDO 0x181", 2), QStringLiteral("1"));
        QCOMPARE(f.cell("TPDO 0x181", 5), QStringLiteral("0x2100:01=0x1900 EngSpeed=800 rpm"));

        // Stop, then the log of what came in is saved where the user says.
        QTest::mouseClick(f.button("stop"), Qt::LeftButton);
        QTRY_VERIFY(f.button("saveLog")->isEnabled());
        const fs::path saved = f.folder / "session.log";
        f.fake.dialogs.answers.push_back(saved);
        QTest::mouseClick(f.button("saveLog"), Qt::LeftButton);
        const std::string log = test::readFile(saved);
        QVERIFY2(log.find(") j1939 0CF00400#F07D7D0019FFFFFF\r\n") != std::string::npos, log.c_str());

        // The choices come back in the next run, from their own file.
        Fixture again(false, f.choices);
        QCOMPARE(again.device("canopenDevice")->currentText(), busUrl() + "can0");
        QCOMPARE(again.device("j1939Device")->currentText(), busUrl() + "can1");
        QVERIFY(test::readFile(fs::path(toStd(f.choices))).find("tcp://") != std::string::npos);
    }

    void unknownDeviceIsToldAndNothingRuns() {
        Fixture f;
        f.device("canopenDevice")->setCurrentText("can7");
        QTest::mouseClick(f.button("monitor"), Qt::LeftButton);
        QVERIFY(!f.window->session());
        const QString error = f.window->findChild<QLabel*>("busError")->text();
        QVERIFY2(error.contains("Unknown device 'can7'"), qPrintable(error));
        QCOMPARE(f.fake.messages.texts().size(), std::size_t(1));
        QVERIFY(f.button("monitor")->isEnabled());
    }

    void closingStopsTheBus() {
        Fixture f;
        QTest::mouseClick(f.button("monitor"), Qt::LeftButton);
        QTRY_VERIFY(f.window->session() && f.window->session()->running());
        f.window->close();
        QVERIFY(f.window->session()->stopped());
    }

    void openedBesideReport() {
        test::HomeWithLastProject home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        auto* bus = window.findChild<QPushButton*>(QStringLiteral("bus"));
        QVERIFY(bus);
        QCOMPARE(bus->text(), QStringLiteral("Bus"));
        QCOMPARE(window.findChild<QPushButton*>("report")->nextInFocusChain(), bus);
        QTest::mouseClick(bus, Qt::LeftButton);
        auto* busWindow = window.findChild<BusWindow*>();
        QVERIFY(busWindow && busWindow->isVisible());
        QVERIFY(busWindow->windowTitle().contains("Plant7"));
    }
};

ORDANE_GUI_TEST(BusWindowTest)

} // namespace ordane

#include "BusWindowTest.moc"
