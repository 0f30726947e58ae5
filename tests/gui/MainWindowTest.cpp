#include "GuiTest.h"

#include "FakeServices.h"
#include "MainWindowHome.h"
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "app/NewProjectDialog.h"
#include "widgets/ProjectBrowser.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace ordane {

namespace fs = std::filesystem;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartShowsTheCaptionWithoutProject() {
        test::TempFolder home;
        test::FakeServices fake;
        {
            MainWindow window(fake.services, home.path());
            QCOMPARE(window.windowTitle(),
                     QStringLiteral("Korvane Ordane SW40218 CANopen TO J1939"));
            QVERIFY(fs::is_directory(home / "MASTER"));
            QCOMPARE(window.state().projectFolder(), home / "PROJECTS");
            window.close();
        }
        QCOMPARE(QString::fromStdString(test::readFile(home / "Ordane_C2J1939.ini")),
                 QStringLiteral("[lastproj]\nprojectname=\n"));
    }

    void everyStepButtonExistsWithItsCaption() {
        test::TempFolder home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.path());
        const std::pair<const char*, const char*> buttons[] = {
            {"New", "New project"},
            {"open", "Open project"},
            {"btn_Prm_Gen", "Set Communication"},
            {"btn_RCOB", "Receive J1939"},
            {"btn_Info_RCOB", "Define SDO"},
            {"btn_RPDO_J1939", "Define TPDO"},
            {"btn_TCOB", "Transmit J1939"},
            {"btn_Info_TCOB", "Define SDO"},
            {"btn_TPDO_J1939", "Define RPDO"},
            {"LbButton2", "Set SDO Client"},
            {"btn_NodeGuard", "Set NodeGuarding"},
            {"B_Eds", "EDS File"},
            {"CreateBin", "Up date Device"},
            {"about", "About"},
            {"LbButton1", "X"}};
        for (const auto& [name, caption] : buttons) {
            auto* button = window.findChild<QPushButton*>(QLatin1String(name));
            QVERIFY2(button, name);
            QCOMPARE(button->text(), QLatin1String(caption));
            QVERIFY(!button->accessibleName().isEmpty());
        }
    }

    void newProjectThenRestartReopensIt() {
        test::TempFolder home;
        test::FakeServices fake;
        {
            MainWindow window(fake.services, home.path());
            window.setModalRunner([](QDialog& dialog) {
                auto& newProject = static_cast<NewProjectDialog&>(dialog);
                newProject.nameBox()->setText(QStringLiteral("Plant7"));
                newProject.OkClick();
                return newProject.result();
            });
            window.NewClick();
            QCOMPARE(window.windowTitle(),
                     QStringLiteral("Korvane - Ordane SW40218 - J1939 / CANopen :Plant7"));
            QVERIFY(fs::is_directory(home / "PROJECTS" / "Plant7" / "bin"));
            window.close();
        }
        MainWindow again(fake.services, home.path());
        QCOMPARE(again.windowTitle(),
                 QStringLiteral("Korvane - Ordane SW40218 - J1939 / CANopen :Plant7"));
        QCOMPARE(again.state().projectFolder(), home / "PROJECTS" / "Plant7");
    }

    void newProjectMessagesKeepTheDialogOpen() {
        test::TempFolder home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.path());
        fs::create_directories(home / "PROJECTS" / "Existing");
        NewProjectDialog& dialog = window.newProjectDialog();
        dialog.setDestination(home / "PROJECTS");
        dialog.FormShow();
        dialog.show();
        dialog.OkClick();
        QCOMPARE(fake.messages.texts(), std::vector<std::string>{"Name project not valid"});
        QVERIFY(dialog.isVisible());
        dialog.nameBox()->setText(QStringLiteral("Existing"));
        QTest::keyClick(dialog.nameBox(), Qt::Key_Return); // Enter is OK
        QCOMPARE(fake.messages.texts().back(),
                 std::string("Name project not valid because directory already exists"));
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.closePermission());
        dialog.close(); // the platform's close is refused while permission is no
        QVERIFY(dialog.isVisible());
        QTest::keyClick(dialog.nameBox(), Qt::Key_Escape); // Escape is Cancel
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(std::distance(fs::directory_iterator(home / "PROJECTS"), fs::directory_iterator()),
                 1);
    }

    // A title ending in the prefix's colon named no project although one was open.
    void cancelledNewKeepsTheProjectInTheTitle() {
        test::TempFolder home;
        test::FakeServices fake;
        fs::create_directories(home / "PROJECTS" / "Plant7");
        test::writeFile(home / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=Plant7\n");
        MainWindow window(fake.services, home.path());
        window.setModalRunner([](QDialog& dialog) {
            static_cast<NewProjectDialog&>(dialog).CancelClick();
            return dialog.result();
        });
        window.NewClick();
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("Korvane - Ordane SW40218 - J1939 / CANopen :Plant7"));
        QCOMPARE(window.state().projectFolder(), home / "PROJECTS" / "Plant7");
    }

    void openChoosesAFolderOrKeepsTheCurrentOne() {
        test::TempFolder home;
        test::FakeServices fake;
        fs::create_directories(home / "PROJECTS" / "Plant7");
        MainWindow window(fake.services, home.path());

        fake.dialogs.answers.push_back(home / "PROJECTS" / "Plant7");
        window.openClick();
        QCOMPARE(fake.dialogs.requests.back().title, QStringLiteral("Select directory of project"));
        QCOMPARE(fake.dialogs.browseRoots.back(), home / "PROJECTS");
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("Korvane - Ordane SW40218 - J1939 / CANopen :/Plant7"));

        window.openClick(); // cancelled: same folder, preselected
        QCOMPARE(fake.dialogs.requests.back().start, home / "PROJECTS" / "Plant7");
        QCOMPARE(window.state().projectFolder(), home / "PROJECTS" / "Plant7");

        // The projects root is no project: refused, the project stays.
        fake.dialogs.answers.push_back(home / "PROJECTS");
        window.openClick();
        QCOMPARE(fake.messages.texts(),
                 std::vector<std::string>{
                     "The folder PROJECTS holds the projects and is none itself: choose a "
                     "project folder inside it, or create one with New project."});
        QCOMPARE(window.state().projectFolder(), home / "PROJECTS" / "Plant7");
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("Korvane - Ordane SW40218 - J1939 / CANopen :/Plant7"));
    }

    // Without a project the steps that need one cannot be pressed and say why, and the
    // browser does not offer the projects root; a project opened enables them.
    void withoutAProjectTheStepsAreDisabledAndSayWhy() {
        test::TempFolder home;
        test::FakeServices fake;
        fs::create_directories(home / "PROJECTS" / "Plant7");
        MainWindow window(fake.services, home.path());
        QCOMPARE(window.windowTitle(), QStringLiteral("Korvane Ordane SW40218 CANopen TO J1939"));
        const char* steps[] = {"btn_Prm_Gen", "btn_RCOB", "btn_Info_RCOB", "btn_RPDO_J1939",
                               "btn_TCOB", "btn_Info_TCOB", "btn_TPDO_J1939", "LbButton2",
                               "btn_NodeGuard", "B_Eds", "CreateBin", "report"};
        for (const char* name : steps) {
            auto* button = window.findChild<QPushButton*>(QLatin1String(name));
            QVERIFY2(button && !button->isEnabled(), name);
            QVERIFY2(button->toolTip().contains(QStringLiteral("Open a project or create one")),
                     name);
        }
        for (const char* name : {"New", "open", "about", "LbButton1"})
            QVERIFY2(window.findChild<QPushButton*>(QLatin1String(name))->isEnabled(), name);
        // Even reached another way, a step writes nothing into the projects root.
        window.btn_RCOBClick();
        window.LbButton2Click();
        QCOMPARE(fake.messages.texts(),
                 (std::vector<std::string>{"Project not valid", "Project not valid"}));
        QCOMPARE(std::distance(fs::directory_iterator(home / "PROJECTS"), fs::directory_iterator()),
                 1);

        fake.dialogs.answers.push_back(home / "PROJECTS" / "Plant7");
        window.openClick();
        QVERIFY(fake.dialogs.requests.back().start.empty());
        for (const char* name : steps) {
            auto* button = window.findChild<QPushButton*>(QLatin1String(name));
            QVERIFY2(button->isEnabled() && button->toolTip().isEmpty(), name);
        }
    }

    void stepsWithoutAProjectFolderSayProjectNotValid() {
        test::TempFolder home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.path());
        test::loseTheProjectFolder(window, fake, home.path());
        QVERIFY(fake.dialogs.requests.back().start.empty());
        QVERIFY(!window.state().hasProjectFolder());
        fake.messages.clear();
        window.btn_Prm_GenClick();
        window.B_EdsClick();
        window.CreateBinClick(); // nothing is compiled into the current directory
        QCOMPARE(fake.messages.texts(),
                 (std::vector<std::string>{"Project not valid", "Project not valid",
                                           "Project not valid"}));
    }

    void aboutLinkOpensTheMakersPage() {
        test::TempFolder home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.path());
        bool shown = false;
        window.setModalRunner([&](QDialog& dialog) {
            shown = dialog.windowTitle() == QStringLiteral("About...");
            return int(QDialog::Accepted);
        });
        window.aboutClick();
        QVERIFY(shown);
    }

    void aboutShowsTheProgramFolderInUse() {
        test::TempFolder home;
        test::FakeServices fake;
        MainWindow window(fake.services, home.path());
        QString shown;
        window.setModalRunner([&](QDialog& dialog) {
            if (auto* folder = dialog.findChild<QLabel*>(QStringLiteral("ProgramFolder")))
                shown = folder->text();
            return int(QDialog::Accepted);
        });
        window.aboutClick();
        QCOMPARE(shown, QString::fromStdString(home.path().string()));
    }
};

ORDANE_GUI_TEST(MainWindowTest)

class ProjectBrowserTest : public QObject {
    Q_OBJECT

private slots:
    void offersTheRootAndItsFoldersOnly() {
        test::TempFolder home;
        fs::create_directories(home / "PROJECTS" / "Group" / "Plant7");
        fs::create_directories(home / "PROJECTS-old");
        fs::create_directories(home / "MASTER");
        const QString root = QString::fromStdString((home / "PROJECTS").string());
        ProjectBrowser browser(QStringLiteral("Select directory of project"), home / "PROJECTS",
                               home / "PROJECTS" / "Group" / "Plant7");
        QCOMPARE(browser.selectedFolder(), std::optional(home / "PROJECTS" / "Group" / "Plant7"));
        QVERIFY(browser.mayChoose(root));
        QVERIFY(browser.mayChoose(root + QStringLiteral("/Group")));
        QVERIFY(!browser.mayChoose(root + QStringLiteral("-old")));
        QVERIFY(!browser.mayChoose(root + QStringLiteral("/../MASTER")));
        QVERIFY(!browser.mayChoose(QString::fromStdString(home.path().string())));

        browser.select(QString::fromStdString((home / "MASTER").string())); // refused
        QCOMPARE(browser.selectedFolder(), std::optional(home / "PROJECTS" / "Group" / "Plant7"));
        browser.select(root);
        QCOMPARE(browser.selectedFolder(), std::optional(home / "PROJECTS"));
    }
};

ORDANE_GUI_TEST(ProjectBrowserTest)

} // namespace ordane

#include "MainWindowTest.moc"
