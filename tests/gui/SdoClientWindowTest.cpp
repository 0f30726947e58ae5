#include "GuiTest.h"

#include "FakeServices.h"
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "core/ProjectState.h"
#include "editors/USDO_Client.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class SdoClientWindowTest : public QObject {
    Q_OBJECT

    template <class T> static T* control(QWidget& window, const QString& name) {
        T* found = window.findChild<T*>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    static QLineEdit* box(QWidget& window, const char* field, int k) {
        return control<QLineEdit>(window, QLatin1String(field) + QString::number(k));
    }
    static QComboBox* choice(QWidget& window, const char* field, int k) {
        return control<QComboBox>(window, QLatin1String(field) + QString::number(k));
    }

private slots:
    void newProjectShowsTheDefaultsAndOkWritesThem() {
        test::TempFolder home;
        test::FakeServices fake;
        ProjectState state(home.path());
        state.setNewProject("Plant7", home / "Plant7");
        fs::create_directories(home / "Plant7");
        TFSDO_Client window(fake.services, state);
        window.FormShow();
        window.show();

        QCOMPARE(window.windowTitle(), QStringLiteral("Set SDO Client"));
        const QPoint offCentre = window.frameGeometry().center() -
                                 QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 10, "centred on the screen at its first showing");
        for (int k = 1; k <= 5; ++k) {
            QCOMPARE(box(window, "PGN", k)->text(), QStringLiteral("0x000%1").arg(k));
            QCOMPARE(box(window, "SA", k)->text(), QStringLiteral("0x0%1").arg(k));
            QCOMPARE(choice(window, "DataPage", k)->currentText(), QStringLiteral("0"));
            QCOMPARE(choice(window, "DataPage", k)->count(), 2);
            QVERIFY(box(window, "Mnemonic", k)->text().isEmpty());
            const bool withPriority = k == 2 || k == 5;
            QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("Priority%1").arg(k)) != nullptr,
                     withPriority);
        }
        QCOMPARE(choice(window, "Priority", 5)->count(), 8);
        QCOMPARE(box(window, "PGN", 3)->accessibleName(),
                 QStringLiteral("Request frame J1939 for a write SDO (1/2), PGN"));
        QCOMPARE(window.focusWidget(), control<QPushButton>(window, QStringLiteral("OK")));

        choice(window, "Priority", 2)->setCurrentIndex(6);
        choice(window, "DataPage", 4)->setCurrentIndex(1);
        box(window, "PGN", 1)->setText(QStringLiteral("256"));
        box(window, "Mnemonic", 5)->setText(QStringLiteral("WR_ANS"));
        // Enter in a text box is OK.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        box(window, "PGN", 1)->setFocus();
        QTest::keyClick(box(window, "PGN", 1), Qt::Key_Return);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(!window.isVisible());
        QCOMPARE(fake.messages.texts(), Strings{});

        SdoClientFrames saved;
        saved.load(home / "Plant7");
        QCOMPARE(saved.frame(1), (J1939FrameDefinition{0, 0, "256", "0x01", ""}));
        QCOMPARE(saved.frame(2).priority, 6);
        QCOMPARE(saved.frame(4).dataPage, 1);
        QCOMPARE(saved.frame(5), (J1939FrameDefinition{0, 0, "0x0005", "0x05", "WR_ANS"}));
    }

    void failedChecksShowEveryMessageAndKeepTheWindowOpen() {
        test::TempFolder project;
        test::FakeServices fake;
        ProjectState state(project.path());
        state.setNewProject("P", project.path());
        TFSDO_Client window(fake.services, state);
        window.FormShow();
        window.show();
        box(window, "PGN", 1)->setText(QStringLiteral("65536"));
        box(window, "SA", 5)->setText(QStringLiteral("254"));
        window.OkClick();
        QCOMPARE(fake.messages.messages(),
                 (std::vector<RecordingMessageSink::Message>{
                     {RecordingMessageSink::Kind::Info,
                      "Error in Request SDO Read. PGN must be between 0x0000 and 0xFFFF"},
                     {RecordingMessageSink::Kind::Info,
                      "Error in Answer SDO Write. Source Address must be between 0 and 253"}}));
        QVERIFY(window.isVisible());
        QVERIFY(!fs::exists(project / "SDOClient.xml"));
        QCOMPARE(box(window, "PGN", 1)->text(), QStringLiteral("65536")); // as typed
    }

    // The error box comes first; the window opens with what was read, defaults for the rest.
    void brokenDocumentIsReportedAndTheWindowStillOpens() {
        test::TempFolder project;
        test::FakeServices fake;
        test::writeFile(project / "SDOClient.xml",
                        "<J1939_Frames_SDOClient><row Priority=\"0\" DataPage=\"1\" PGN=\"0xFF50\" "
                        "SA=\"0xF9\" Mnemonic=\"RD\"/></J1939_Frames_SDOClient>");
        ProjectState state(project.path());
        state.setNewProject("P", project.path());
        TFSDO_Client window(fake.services, state);
        box(window, "PGN", 2)->setText(QStringLiteral("typed before"));
        window.FormShow();
        QCOMPARE(fake.messages.messages(), (std::vector<RecordingMessageSink::Message>{
                                               {RecordingMessageSink::Kind::Error,
                                                "SDOClient.xml: 5 rows expected, 1 found"}}));
        QCOMPARE(box(window, "PGN", 1)->text(), QStringLiteral("0xFF50"));
        QCOMPARE(choice(window, "DataPage", 1)->currentIndex(), 1);
        QCOMPARE(box(window, "PGN", 2)->text(), QStringLiteral("0x0002"));

        // A position outside its list shows no selection and is written back as -1.
        std::string rows;
        for (int k = 1; k <= 5; ++k)
            rows += "<row Priority=\"9\" DataPage=\"0\" PGN=\"1\" SA=\"1\" Mnemonic=\"\"/>";
        test::writeFile(project / "SDOClient.xml",
                        "<J1939_Frames_SDOClient>" + rows + "</J1939_Frames_SDOClient>");
        fake.messages.clear();
        window.FormShow();
        QCOMPARE(fake.messages.texts(), Strings{});
        QCOMPARE(choice(window, "Priority", 2)->currentIndex(), -1);
        window.OkClick();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(
            test::readFile(project / "SDOClient.xml").find("<row Priority=\"-1\" DataPage=\"0\"") !=
            std::string::npos);
    }

    void cancelDiscardsTheEdits() {
        test::TempFolder project;
        test::FakeServices fake;
        ProjectState state(project.path());
        state.setNewProject("P", project.path());
        TFSDO_Client window(fake.services, state);
        window.FormShow();
        window.show();
        box(window, "SA", 3)->setText(QStringLiteral("0x33"));
        QTest::keyClick(&window, Qt::Key_Escape); // Escape is Cancel
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QVERIFY(!fs::exists(project / "SDOClient.xml"));
        window.FormShow();
        QCOMPARE(box(window, "SA", 3)->text(), QStringLiteral("0x03"));
    }

    // Without a project folder step 5 says so and opens nothing, as the other steps do.
    void stepFiveOpensTheWindowOnlyWithAProject() {
        test::TempFolder home;
        test::FakeServices fake;
        fs::create_directories(home / "PROJECTS" / "Plant7");
        test::writeFile(home / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=Plant7\n");
        MainWindow main(fake.services, home.path());
        int shown = 0;
        main.setModalRunner([&](QDialog& dialog) {
            auto* window = qobject_cast<TFSDO_Client*>(&dialog);
            if (!window)
                return int(QDialog::Rejected);
            ++shown;
            window->OkClick();
            return window->result();
        });
        main.LbButton2Click();
        QCOMPARE(shown, 1);
        QVERIFY(fs::exists(home / "PROJECTS" / "Plant7" / "SDOClient.xml"));

        fs::remove_all(home / "PROJECTS" / "Plant7");
        main.openClick(); // the folder has gone and the browser is cancelled
        QVERIFY(main.state().projectFolder().empty());
        const fs::path before = fs::current_path();
        fs::current_path(home.path());
        fake.messages.clear();
        main.LbButton2Click();
        fs::current_path(before);
        QCOMPARE(shown, 1);
        QCOMPARE(fake.messages.texts(), Strings{"Project not valid"});
        QVERIFY(!fs::exists(home / "SDOClient.xml"));
    }
};

ORDANE_GUI_TEST(SdoClientWindowTest)

} // namespace ordane

#include "SdoClientWindowTest.moc"
