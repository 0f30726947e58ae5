#include "GuiTest.h"

#include "FakeServices.h"
#include "MainWindowHome.h"
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "widgets/EditorDialog.h"
#include "widgets/EditorGrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace ordane {

namespace {

// Types into the window as a user would: the first text box, or else the grid.
void typeSomething(QDialog& dialog) {
    for (QLineEdit* box : dialog.findChildren<QLineEdit*>())
        if (box->isEnabled() && box->window() == &dialog &&
            !qobject_cast<QComboBox*>(box->parent())) {
            box->setText(box->text() + QStringLiteral("7"));
            return;
        }
    if (auto* grid = dialog.findChild<EditorGrid*>()) {
        grid->setCell(1, 1, "7");
        return;
    }
    qFatal("nothing to type into in %s", qPrintable(dialog.windowTitle()));
}

} // namespace

// Every editor: Cancel, Escape and closing ask before unsaved changes are dropped (default
// No, which keeps the window open); without changes they close at once.
class UnsavedChangesTest : public QObject {
    Q_OBJECT

private slots:
    void everyEditorAsksBeforeDroppingChanges_data() {
        QTest::addColumn<QString>("step");
        for (const char* step : {"btn_Prm_Gen", "btn_RCOB", "btn_Info_RCOB", "btn_RPDO_J1939",
                                 "btn_TCOB", "btn_Info_TCOB", "btn_TPDO_J1939", "LbButton2",
                                 "btn_NodeGuard"})
            QTest::newRow(step) << step;
    }
    void everyEditorAsksBeforeDroppingChanges() {
        QFETCH(QString, step);
        test::HomeWithLastProject home;
        test::writeFile(home.project / "RCobDef.xml",
                        "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Mnemonic=\"\"/></COBID>");
        test::FakeServices fake;
        MainWindow window(fake.services, home.folder.path());
        QStringList log;
        window.setModalRunner([&](QDialog& dialog) {
            auto* editor = qobject_cast<EditorDialog*>(&dialog);
            if (!editor)
                return int(QDialog::Rejected);
            dialog.show();
            if (log.isEmpty()) {
                typeSomething(dialog);
                QTest::keyClick(&dialog, Qt::Key_Escape); // "No": stays open
                log << (dialog.isVisible() ? "kept" : "closed");
                dialog.close(); // the platform's close asks too
                log << (dialog.isVisible() ? "kept" : "closed");
                fake.dialogs.confirmations.push_back(true);
                dialog.reject(); // Cancel: "Yes" drops the changes
                log << (dialog.isVisible() ? "kept" : "closed");
            } else {
                QTest::keyClick(&dialog, Qt::Key_Escape); // nothing changed
                log << (dialog.isVisible() ? "kept" : "closed");
            }
            dialog.hide();
            return dialog.result();
        });
        auto* button = window.findChild<QPushButton*>(step);
        QVERIFY(button);
        button->click();
        QCOMPARE(log, (QStringList{"kept", "kept", "closed"}));
        QCOMPARE(fake.dialogs.questions,
                 (std::vector<QString>(3, QStringLiteral("Discard your changes?"))));
        button->click();
        QCOMPARE(log.size(), 4);
        QCOMPARE(log.back(), QStringLiteral("closed"));
        QCOMPARE(fake.dialogs.questions.size(), std::size_t(3));
    }
};

ORDANE_GUI_TEST(UnsavedChangesTest)

} // namespace ordane

#include "UnsavedChangesTest.moc"
