#include "GuiTest.h"

#include "FakeServices.h"
#include "TestSupport.h"

#include "app/MainWindow.h"

#include <QPushButton>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;

namespace {

using Message = RecordingMessageSink::Message;
using Kind = RecordingMessageSink::Kind;

const std::vector<Message> kMissingDocuments = {
    {Kind::Info, "File NodeGuard xml not found"},
    {Kind::Info, "File NG_J1939_Frame xml not found"},
    {Kind::Info, "File SDOClient xml not found"},
};

const char* const kParameters =
    "<GeneralParameter><BaudRateCAN>5</BaudRateCAN><CANType>1</CANType>"
    "<IDDev_CANopen>1</IDDev_CANopen><Baud_CANopen>8</Baud_CANopen>"
    "<Set_Ope_CANopen>0</Set_Ope_CANopen><Net_Start_CANopen>0</Net_Start_CANopen>"
    "<Delay_CANopen>10</Delay_CANopen></GeneralParameter>";

// Frames k = 1..count with priority 6, PGN k and source address k.
std::string frames(int count) {
    std::string text = "<COBID>";
    for (int k = 1; k <= count; ++k)
        text += "<row Priority=\"6\" DP=\"0\" PGN=\"" + std::to_string(k) + "\" ID_DEV=\"" +
                std::to_string(k) + "\" Mnemonic=\"\"/>";
    return text + "</COBID>";
}

} // namespace

class UpdateDeviceTest : public QObject {
    Q_OBJECT

    // A program folder whose remembered project Plant7 is reopened at start.
    struct Program {
        Program() {
            fs::create_directories(project / "bin");
            test::writeFile(home / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=Plant7\n");
        }
        test::TempFolder home;
        fs::path project = home / "PROJECTS" / "Plant7";
        test::FakeServices fake;
        std::vector<QString> shownDialogs;

        // The Generate Firmware dialog that follows the bank files is recorded, not run.
        void record(MainWindow& window) {
            window.setModalRunner([this](QDialog& dialog) {
                shownDialogs.push_back(dialog.windowTitle());
                return int(QDialog::Rejected);
            });
        }
    };

    fs::path m_startFolder;

private slots:
    void init() { m_startFolder = fs::current_path(); }
    void cleanup() { fs::current_path(m_startFolder); }

    void oneImageServesEveryUpdateOfTheRun() {
        Program p;
        test::writeFile(p.project / "pargen.xml", kParameters);
        test::writeFile(p.project / "TCobDef.xml", frames(10));
        test::writeFile(p.home / "MASTER" / "SX40218.sx", "S9030000FC\r\n");
        MainWindow window(p.fake.services, p.home.path());
        p.record(window);
        auto* button = window.findChild<QPushButton*>(QStringLiteral("CreateBin"));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(p.fake.messages.messages(), kMissingDocuments);
        for (const char* name : {"bank1.bin", "bank2.bin", "bank3.bin", "bank4.bin", "bank5.bin"})
            QCOMPARE(fs::file_size(p.project / "bin" / name), std::uintmax_t(16384));
        QVERIFY(test::readFile(p.project / "bin" / "bankg.c")
                    .starts_with("#pragma CONST_SEG SEGMENT0\r\n"));

        // A shorter list in the same run: the tail of the longer one stays in the image.
        test::writeFile(p.project / "TCobDef.xml", frames(4));
        window.CreateBinClick();
        const std::string bank2 = test::readFile(p.project / "bin" / "bank2.bin");
        std::string tail;
        for (char k = 5; k <= 10; ++k)
            tail += std::string{k, k, '\0', '\x18'};
        QCOMPARE(bank2.substr(16, 24), tail);
        QCOMPARE(test::readFile(p.project / "bin" / "bank1.bin").substr(16014, 2),
                 std::string("\x04\0", 2));
        QCOMPARE(p.shownDialogs, (std::vector<QString>{QStringLiteral("Generate Firmware"),
                                                       QStringLiteral("Generate Firmware")}));
    }

    void aFailedCompilationShowsItsErrorAndWritesNoFile() {
        Program p;
        test::writeFile(p.project / "pargen.xml",
                        "<GeneralParameter><CANType>1</CANType></GeneralParameter>");
        MainWindow window(p.fake.services, p.home.path());
        p.record(window);
        window.CreateBinClick();
        QVERIFY(p.shownDialogs.empty());
        std::vector<Message> expected = kMissingDocuments;
        expected.push_back({Kind::Error, "pargen.xml: element 'BaudRateCAN' is missing"});
        QCOMPARE(p.fake.messages.messages(), expected);
        QVERIFY(fs::is_empty(p.project / "bin"));
    }

    // Step 8 runs the project check first: a project with findings reaches the device only
    // with "Update anyway"; Cancel, the default, writes nothing.
    void theProjectCheckComesFirst() {
        Program p;
        test::writeFile(p.project / "pargen.xml", kParameters);
        test::writeFile(p.project / "RCobDef.xml",
                        "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/></COBID>");
        test::writeFile(p.project / "RInfoCob.xml",
                        "<RInfoCob><row NrPdo=\"1\" Index=\"4096\" SubIndex=\"1\" Dimension=\"2\" "
                        "B1=\"1\" B2=\"0\" B3=\"0\" B4=\"0\"/></RInfoCob>");
        test::writeFile(p.home / "MASTER" / "SX40218.sx", "S9030000FC\r\n");
        MainWindow window(p.fake.services, p.home.path());
        p.record(window);
        window.CreateBinClick();
        QCOMPARE(p.fake.dialogs.choiceQuestions.size(), std::size_t(1));
        const auto& question = p.fake.dialogs.choiceQuestions[0];
        QCOMPARE(question.answers, (QStringList{"Update anyway", "Cancel"}));
        QCOMPARE(question.standard, 1);
        QVERIFY2(question.text.contains(
                     "RInfoCob.xml, row 1: Error! The Index must be between 0x2000 and 0x9FFF"),
                 qPrintable(question.text));
        QVERIFY(p.shownDialogs.empty());
        QVERIFY(fs::is_empty(p.project / "bin"));

        p.fake.dialogs.choices.push_back(QStringLiteral("Update anyway"));
        window.CreateBinClick();
        QCOMPARE(p.shownDialogs, std::vector<QString>{QStringLiteral("Generate Firmware")});
        QCOMPARE(fs::file_size(p.project / "bin" / "bank1.bin"), std::uintmax_t(16384));
    }

    // A merge after a bank file that was not written would put an older one into the device.
    void unwritableFilesAreToldInOneBoxAndStopTheUpdate_data() {
        QTest::addColumn<QStringList>("inTheWay");
        QTest::newRow("bank file and C source") << QStringList{"bank3.bin", "bankg.c"};
        QTest::newRow("bank 2 alone") << QStringList{"bank2.bin"};
    }
    void unwritableFilesAreToldInOneBoxAndStopTheUpdate() {
        QFETCH(QStringList, inTheWay);
        Program p;
        for (const QString& name : inTheWay)
            fs::create_directories(p.project / "bin" / name.toStdString() / "in-the-way");
        MainWindow window(p.fake.services, p.home.path());
        p.record(window);
        window.CreateBinClick();
        QVERIFY(p.shownDialogs.empty());
        const auto& messages = p.fake.messages.messages();
        QCOMPARE(messages.size(), std::size_t(4));
        QCOMPARE(messages.back().kind, Kind::Error);
        for (const QString& name : inTheWay)
            QVERIFY2(messages.back().text.find(name.toStdString()) != std::string::npos,
                     messages.back().text.c_str());
        for (const char* name : {"bank1.bin", "bank2.bin", "bank3.bin", "bank4.bin", "bank5.bin"})
            if (!inTheWay.contains(QLatin1String(name)))
                QCOMPARE(fs::file_size(p.project / "bin" / name), std::uintmax_t(16384));
    }
};

ORDANE_GUI_TEST(UpdateDeviceTest)

} // namespace ordane

#include "UpdateDeviceTest.moc"
