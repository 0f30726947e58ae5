#include "GuiTest.h"

#include "FakeServices.h"
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "core/ProjectState.h"
#include "editors/UNodeGuard.h"
#include "widgets/EditorGrid.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using Kind = RecordingMessageSink::Kind;
using Messages = std::vector<RecordingMessageSink::Message>;

class NodeGuardWindowTest : public QObject {
    Q_OBJECT

    static QLineEdit* box(QWidget& window, const char* field, int k) {
        auto* found = window.findChild<QLineEdit*>(QLatin1String(field) + QString::number(k));
        if (!found)
            qFatal("no box %s%d", field, k);
        return found;
    }
    static QComboBox* choice(QWidget& window, const char* field, int k) {
        auto* found = window.findChild<QComboBox*>(QLatin1String(field) + QString::number(k));
        if (!found)
            qFatal("no drop-down %s%d", field, k);
        return found;
    }

    // A project folder holding the given documents, and its state.
    struct Project {
        test::TempFolder folder;
        ProjectState state{folder.path()};
        Project() { state.setNewProject("P", folder.path()); }
    };

    static const std::string& guardedNodes() {
        static const std::string text =
            "<Node_Guarding>"
            "<row NodeID=\"0x10\" GuardTime=\"100\" LifeTimeFactor=\"3\" Mnemonic=\"Drive left\"/>"
            "<row NodeID=\"0x11\" GuardTime=\"200\" LifeTimeFactor=\"3\" Mnemonic=\"Drive right\"/>"
            "</Node_Guarding>";
        return text;
    }

private slots:
    void newProjectReportsTheMissingTableAndOkWritesBothDocuments() {
        Project project;
        test::FakeServices fake;
        TFNodeGuard window(fake.services, project.state);
        window.FormShow();
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Set Node Guarding"));
        QCOMPARE(fake.messages.messages(), (Messages{{Kind::Info, "File XML not found"}}));

        EditorGrid& grid = *window.grid();
        QCOMPARE(grid.dataRows(), 32);
        QCOMPARE(grid.horizontalHeaderItem(3)->text(), QStringLiteral("Life Time Factor"));
        QCOMPARE(grid.cell(32, 0), std::string("32"));
        for (int k = 1; k <= 5; ++k) {
            QCOMPARE(choice(window, "Priority", k)->currentText(), QStringLiteral("0"));
            QCOMPARE(choice(window, "DataPage", k)->currentText(), QStringLiteral("0"));
            QCOMPARE(box(window, "PGN", k)->text(), QStringLiteral("0x000%1").arg(k));
            QCOMPARE(box(window, "SA", k)->text(), QStringLiteral("0x0%1").arg(k));
        }
        QCOMPARE(box(window, "SA", 4)->accessibleName(),
                 QStringLiteral("Frame J1939 4, Source Address"));

        grid.setCell(1, 1, "0x10");
        grid.setCell(1, 2, "100");
        grid.setCell(1, 3, "3");
        choice(window, "Priority", 3)->setCurrentIndex(7);
        fake.messages.clear();
        QTest::keyClick(&window, Qt::Key_Return); // Enter is OK
        QCOMPARE(fake.messages.texts(), Strings{});
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(
            test::readFile(project.folder / "NodeGuard.xml"),
            std::string(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Node_Guarding>\n"
                "  <row NodeID=\"0x10\" GuardTime=\"100\" LifeTimeFactor=\"3\" Mnemonic=\"\" />\n"
                "</Node_Guarding>\n"));
        QVERIFY(test::readFile(project.folder / "NG_J1939_Frame.xml")
                    .find("<row Priority=\"7\" DataPage=\"0\" PGN=\"0x0003\"") !=
                std::string::npos);
    }

    // Rows after the gap are neither checked nor saved, and are gone at the next showing;
    // nothing typed before a Cancel remains.
    void showingAgainShowsTheSavedDocumentOnly() {
        Project project;
        test::FakeServices fake;
        test::writeFile(project.folder / "NodeGuard.xml", guardedNodes());
        TFNodeGuard window(fake.services, project.state);
        window.FormShow();
        QCOMPARE(fake.messages.texts(), Strings{});
        EditorGrid& grid = *window.grid();
        QCOMPARE(grid.cell(2, 4), std::string("Drive right"));
        grid.setCell(4, 1, "0");
        grid.setCell(4, 2, "0");
        grid.setCell(4, 3, "0");
        window.OkClick();
        QCOMPARE(fake.messages.texts(), Strings{});
        QCOMPARE(window.result(), int(QDialog::Accepted));

        window.FormShow();
        QCOMPARE(grid.cell(4, 1), std::string());
        grid.setCell(3, 1, "0x12");
        box(window, "PGN", 1)->setText(QStringLiteral("0xFF60"));
        fake.dialogs.confirmations.push_back(true); // "Discard your changes?"
        window.CancelClick();
        QCOMPARE(window.result(), int(QDialog::Rejected));
        window.FormShow();
        QCOMPARE(grid.cell(3, 1), std::string());
        QCOMPARE(grid.cell(2, 1), std::string("0x11"));
        QCOMPARE(box(window, "PGN", 1)->text(), QStringLiteral("0x0001"));
    }

    void failedChecksShowEveryMessageRowsFirst() {
        Project project;
        test::FakeServices fake;
        TFNodeGuard window(fake.services, project.state);
        window.FormShow();
        window.show();
        fake.messages.clear();
        window.grid()->setCell(1, 1, "0");
        window.grid()->setCell(1, 2, "70000");
        window.grid()->setCell(1, 3, "3");
        box(window, "SA", 3)->setText(QStringLiteral("254"));
        box(window, "PGN", 5)->setText(QStringLiteral("65536"));
        window.OkClick();
        QCOMPARE(
            fake.messages.messages(),
            (Messages{
                {Kind::Info, "Error in row 1. Node ID must be between 1 and 127"},
                {Kind::Info, "Error in row 1. Guard Time must be between 1 and 65535 mS"},
                {Kind::Info, "Error in Frame J1939 3. Source Address must be between 0 and 253"},
                {Kind::Info, "Error in Frame J1939 5. PGN must be between 0x0000 and 0xFFFF"}}));
        QVERIFY(window.isVisible());
        QVERIFY(!fs::exists(project.folder / "NodeGuard.xml"));
        QVERIFY(!fs::exists(project.folder / "NG_J1939_Frame.xml"));
    }

    // A broken table loads silently up to its problem; a broken frame document is reported.
    void brokenDocumentsStillOpenTheWindow() {
        Project project;
        test::FakeServices fake;
        test::writeFile(project.folder / "NodeGuard.xml",
                        "<Node_Guarding>"
                        "<row NodeID=\"1\" GuardTime=\"100\" LifeTimeFactor=\"3\" Mnemonic=\"a\"/>"
                        "<row NodeID=\"2\" GuardTime=\"100\" LifeTimeFactor=\"3\" Mnemonic=\"b\"/>"
                        "<row NodeID=\"3\" GuardTime=\"300\" Mnemonic=\"c\"/></Node_Guarding>");
        test::writeFile(
            project.folder / "NG_J1939_Frame.xml",
            "<NG_J1939_Frames><row Priority=\"6\" DataPage=\"1\" PGN=\"0xFF60\" SA=\"0x80\" "
            "Mnemonic=\"NG\"/><row DataPage=\"0\"/></NG_J1939_Frames>");
        TFNodeGuard window(fake.services, project.state);
        window.FormShow();
        QCOMPARE(fake.messages.messages(),
                 (Messages{
                     {Kind::Error, "NG_J1939_Frame.xml, row 2: attribute 'Priority' is missing"}}));
        EditorGrid& grid = *window.grid();
        QCOMPARE(grid.cell(2, 4), std::string("b"));
        QCOMPARE(grid.cell(3, 1), std::string("3"));
        QCOMPARE(grid.cell(3, 2), std::string("300"));
        QCOMPARE(grid.cell(3, 4), std::string());
        QCOMPARE(choice(window, "Priority", 1)->currentIndex(), 6);
        QCOMPARE(box(window, "Mnemonic", 1)->text(), QStringLiteral("NG"));
        QCOMPARE(box(window, "PGN", 2)->text(), QStringLiteral("0x0002"));

        fake.messages.clear();
        window.OkClick();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.model().usedRows(), 2);
    }

    // The window stays open after "Error in the save parameter", so the rows typed are kept.
    void aFailedTableWriteKeepsTheWindowOpen() {
        Project project;
        test::FakeServices fake;
        fs::create_directory(project.folder / "NodeGuard.xml");
        TFNodeGuard window(fake.services, project.state);
        window.FormShow();
        window.show();
        fake.messages.clear();
        window.grid()->setCell(1, 1, "0x10");
        window.grid()->setCell(1, 2, "100");
        window.grid()->setCell(1, 3, "3");
        window.OkClick();
        QCOMPARE(fake.messages.messages(), (Messages{{Kind::Info, "Error in the save parameter"}}));
        QVERIFY(fs::exists(project.folder / "NG_J1939_Frame.xml"));
        QVERIFY(window.isVisible());
        QCOMPARE(window.grid()->cell(1, 1), std::string("0x10"));
    }

    // Keyboard only: Enter in a cell commits it, the next Enter is OK; nothing typed is lost.
    void typingIntoTheGridAndPressingEnter() {
        Project project;
        test::FakeServices fake;
        TFNodeGuard window(fake.services, project.state);
        window.FormShow();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        EditorGrid& grid = *window.grid();
        grid.setFocus();
        grid.setCurrentCell(0, 1);
        auto type = [&](const char* text, Qt::Key end) {
            for (const char* c = text; *c; ++c)
                QTest::keyClick(QApplication::focusWidget(), *c);
            QTest::keyClick(QApplication::focusWidget(), end);
            QCoreApplication::processEvents();
        };
        type("17", Qt::Key_Tab);
        type("250", Qt::Key_Tab);
        type("4", Qt::Key_Return);
        QCOMPARE(window.result(), int(QDialog::Rejected)); // still open
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(fake.messages.texts(), Strings{"File XML not found"});
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.model().node(1), (GuardedNode{"17", "250", "4", ""}));
    }

    void theGridTakesTheFreeHeight() {
        Project project;
        test::FakeServices fake;
        TFNodeGuard window(fake.services, project.state);
        window.FormShow();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(700, 600);
        QCoreApplication::processEvents();
        const int before = window.grid()->height();
        window.resize(700, 800);
        QCoreApplication::processEvents();
        QCOMPARE(window.grid()->height(), before + 200);
        QCOMPARE(window.grid()->horizontalHeader()->sectionResizeMode(1), QHeaderView::Interactive);
    }

    void stepSixOpensTheWindow() {
        test::TempFolder home;
        test::FakeServices fake;
        fs::create_directories(home / "PROJECTS" / "Plant7");
        test::writeFile(home / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=Plant7\n");
        MainWindow main(fake.services, home.path());
        int shown = 0;
        main.setModalRunner([&](QDialog& dialog) {
            auto* window = qobject_cast<TFNodeGuard*>(&dialog);
            if (!window)
                return int(QDialog::Rejected);
            ++shown;
            window->CancelClick();
            return window->result();
        });
        main.btn_NodeGuardClick();
        QCOMPARE(shown, 1);
        QCOMPARE(fake.messages.texts(), Strings{"File XML not found"});
    }
};

ORDANE_GUI_TEST(NodeGuardWindowTest)

} // namespace ordane

#include "NodeGuardWindowTest.moc"
