#include "GuiTest.h"

#include "FakeServices.h"
#include "MainWindowHome.h"
#include "TestSupport.h"

#include "app/MainWindow.h"

#include <QStatusBar>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;

// The "EDS File" step: the save dialog, the written file and the error box.
class EdsStepTest : public QObject {
    Q_OBJECT

    using Home = test::HomeWithLastProject;

private slots:
    void writesTheChosenFile_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("no extension") << "Gateway"
                                      << "Gateway.eds";
        QTest::newRow("with .eds") << "Gateway.eds"
                                   << "Gateway.eds";
        QTest::newRow("another extension") << "Gateway.txt"
                                           << "Gateway.txt";
    }

    void writesTheChosenFile() {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        Home home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        fake.dialogs.answers.push_back(home.project / typed.toStdString());
        window.B_EdsClick();

        QCOMPARE(fake.dialogs.requests.size(), std::size_t(1));
        QCOMPARE(fake.dialogs.requests[0].kind, std::string("save"));
        QCOMPARE(fake.dialogs.requests[0].start, home.project);
        QCOMPARE(fake.dialogs.requests[0].filter,
                 QStringLiteral("Electronic Data Sheet (*.eds);;Device Configuration File (*.dcf);;"
                                "CAN database (*.dbc)"));
        QCOMPARE(fake.dialogs.requests[0].shownFilter,
                 QStringLiteral("Electronic Data Sheet (*.eds)"));
        QCOMPARE(fake.messages.texts(), std::vector<std::string>{});
        const std::string bytes = test::readFile(home.project / written.toStdString());
        QVERIFY(bytes.rfind("[FileInfo]\r\nFileName=CANopen_to_J1939.eds\r\n", 0) == 0);
        QVERIFY(bytes.find("\r\nCreationTime=01:08AM\r\nCreationDate=12-09-2026\r\n") !=
                std::string::npos);
        // Only the file itself is left in the project folder.
        QCOMPARE(std::distance(fs::directory_iterator(home.project), fs::directory_iterator()), 1);
        QCOMPARE(window.statusBar()->currentMessage(),
                 QStringLiteral("EDS file written: %1 in %2")
                     .arg(written, QString::fromStdString(home.project.string())));
    }

    // The second file type, or a name ending in .dcf, writes the DCF of the project.
    void writesTheDcfWhenAskedFor_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("dcfTypeChosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("dcf");
        QTest::newRow("DCF type, no extension") << "Gateway" << true << "Gateway.dcf" << true;
        QTest::newRow("DCF type, another extension")
            << "Gateway.txt" << true << "Gateway.txt" << true;
        QTest::newRow("EDS type, name ending in .dcf")
            << "Gateway.dcf" << false << "Gateway.dcf" << true;
        QTest::newRow("EDS type, name ending in .DCF")
            << "Gateway.DCF" << false << "Gateway.DCF" << true;
        QTest::newRow("DCF type, name ending in .eds")
            << "Gateway.eds" << true << "Gateway.eds" << false;
    }

    void writesTheDcfWhenAskedFor() {
        QFETCH(QString, typed);
        QFETCH(bool, dcfTypeChosen);
        QFETCH(QString, written);
        QFETCH(bool, dcf);
        Home home;
        test::writeFile(home.project / "pargen.xml",
                        "<GeneralParameter><IDDev_CANopen>9</IDDev_CANopen>"
                        "<Baud_CANopen>6</Baud_CANopen></GeneralParameter>");
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        fake.dialogs.answers.push_back(home.project / typed.toStdString());
        if (dcfTypeChosen)
            fake.dialogs.chosenFilters.push_back(
                QStringLiteral("Device Configuration File (*.dcf)"));
        window.B_EdsClick();

        QCOMPARE(fake.messages.texts(), std::vector<std::string>{});
        const std::string bytes = test::readFile(home.project / written.toStdString());
        const std::string fileName = "\r\nFileName=" + written.toStdString() + "\r\n";
        QCOMPARE(bytes.find(fileName) != std::string::npos, dcf);
        QCOMPARE(bytes.find("\r\n[DeviceComissioning]\r\nNodeID=9\r\nNodeName=Plant7\r\n"
                            "Baudrate=500\r\n") != std::string::npos,
                 dcf);
        QCOMPARE(bytes.find("\r\nFileName=CANopen_to_J1939.eds\r\n") != std::string::npos, !dcf);
        QCOMPARE(std::distance(fs::directory_iterator(home.project), fs::directory_iterator()), 2);
        QCOMPARE(window.statusBar()->currentMessage(),
                 QStringLiteral("%1 written: %2 in %3")
                     .arg(dcf ? "DCF" : "EDS file", written,
                          QString::fromStdString(home.project.string())));
    }

    // A DCF written beside the EDS of its name says so in LastEDS; without one it names none.
    void theDcfNamesTheEdsBesideIt() {
        Home home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        fake.dialogs.answers.push_back(home.project / "Gateway.dcf");
        window.B_EdsClick();
        QCOMPARE(test::readFile(home.project / "Gateway.dcf").find("LastEDS="), std::string::npos);
        fake.dialogs.answers.push_back(home.project / "Gateway.eds");
        fake.dialogs.answers.push_back(home.project / "Gateway.dcf");
        window.B_EdsClick();
        window.B_EdsClick();
        QVERIFY(test::readFile(home.project / "Gateway.dcf").find("\r\nLastEDS=Gateway.eds\r\n") !=
                std::string::npos);
    }

    void dcfRefusalsShowTheErrorBox() {
        Home home;
        test::writeFile(home.project / "pargen.xml",
                        "<GeneralParameter><IDDev_CANopen>128</IDDev_CANopen></GeneralParameter>");
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        fake.dialogs.answers.push_back(home.project / "Gateway");
        fake.dialogs.chosenFilters.push_back(QStringLiteral("Device Configuration File (*.dcf)"));
        window.B_EdsClick();
        using Message = RecordingMessageSink::Message;
        QCOMPARE(fake.messages.messages(),
                 (std::vector<Message>{
                     {RecordingMessageSink::Kind::Error,
                      "pargen.xml, IDDev_CANopen: node ID '128' is not between 1 and 127"}}));
        QVERIFY(!fs::exists(home.project / "Gateway.dcf"));
        QCOMPARE(std::distance(fs::directory_iterator(home.project), fs::directory_iterator()), 1);
    }

    // The third file type, or a name ending in .dbc, writes the DBC file of both buses; a
    // project that the check refuses gets the error box and no file.
    void writesTheDbcWhenAskedFor_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("dbcTypeChosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("dbc");
        QTest::newRow("DBC type, no extension") << "Buses" << true << "Buses.dbc" << true;
        QTest::newRow("EDS type, name ending in .DBC")
            << "Buses.DBC" << false << "Buses.DBC" << true;
        QTest::newRow("DBC type, name ending in .eds")
            << "Buses.eds" << true << "Buses.eds" << false;
    }

    void writesTheDbcWhenAskedFor() {
        QFETCH(QString, typed);
        QFETCH(bool, dbcTypeChosen);
        QFETCH(QString, written);
        QFETCH(bool, dbc);
        Home home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        fake.dialogs.answers.push_back(home.project / typed.toStdString());
        if (dbcTypeChosen)
            fake.dialogs.chosenFilters.push_back(QStringLiteral("CAN database (*.dbc)"));
        window.B_EdsClick();

        QCOMPARE(fake.messages.texts(), std::vector<std::string>{});
        const std::string bytes = test::readFile(home.project / written.toStdString());
        QCOMPARE(bytes.rfind("VERSION \"\"\r\n", 0) == 0, dbc);
        QCOMPARE(bytes.find(" as project Plant7 configures it: ") != std::string::npos, dbc);
        QCOMPARE(window.statusBar()->currentMessage(),
                 QStringLiteral("%1 written: %2 in %3")
                     .arg(dbc ? "DBC file" : "EDS file", written,
                          QString::fromStdString(home.project.string())));
        QCOMPARE(std::distance(fs::directory_iterator(home.project), fs::directory_iterator()), 1);
    }

    void dbcRefusalShowsTheFinding() {
        Home home;
        test::writeFile(home.project / "TpdoJ1939.xml",
                        "<PDOJ1939><row COB-ID=\"0x181\" Dimension=\"2\" Offset=\"1\" "
                        "Mnemonic=\"\"/></PDOJ1939>");
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        fake.dialogs.answers.push_back(home.project / "Buses.dbc");
        window.B_EdsClick();
        using Message = RecordingMessageSink::Message;
        QCOMPARE(fake.messages.messages(),
                 (std::vector<Message>{{RecordingMessageSink::Kind::Error,
                                        "No DBC file is written; ordane-cli check finds:\n"
                                        "TpdoJ1939.xml, row 1: the PDO has no J1939 Frame"}}));
        QVERIFY(!fs::exists(home.project / "Buses.dbc"));
    }

    void cancelWritesNothing() {
        Home home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        window.B_EdsClick();
        QCOMPARE(fake.dialogs.requests.size(), std::size_t(1));
        QCOMPARE(fake.messages.texts(), std::vector<std::string>{});
        QVERIFY(fs::is_empty(home.project));
    }

    void failuresShowTheErrorBox() {
        Home home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        test::writeFile(home.project / "RInfoCob.xml",
                        "<RInfoCob><row NrPdo=\"1\" Index=\"0x2020\" SubIndex=\"1\" "
                        "Dimension=\"0\"/></RInfoCob>");
        test::writeFile(home.project / "Gateway.eds", "old\r\n");
        fake.dialogs.answers.push_back(home.project / "Gateway");
        window.B_EdsClick();
        using Message = RecordingMessageSink::Message;
        const auto errorBox = [](std::string text) {
            return std::vector<Message>{{RecordingMessageSink::Kind::Error, std::move(text)}};
        };
        QCOMPARE(fake.messages.messages(),
                 errorBox("RInfoCob.xml, row 1: Error! The Index 0x2020 is already used by a "
                          "fixed object of the converter"));
        QCOMPARE(test::readFile(home.project / "Gateway.eds"), std::string("old\r\n"));

        fs::remove(home.project / "RInfoCob.xml");
        fake.messages.clear();
        const fs::path unwritable = home.project / "missing" / "Gateway.eds";
        fake.dialogs.answers.push_back(unwritable);
        window.B_EdsClick();
        QCOMPARE(fake.messages.messages(),
                 errorBox("Cannot write '" + unwritable.string() + "': No such file or directory"));
    }
};

ORDANE_GUI_TEST(EdsStepTest)

} // namespace ordane

#include "EdsStepTest.moc"
