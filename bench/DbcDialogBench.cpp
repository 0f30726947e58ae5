// Opens the DBC selection dialog on the file given, offscreen, and reports how long the
// user waits: from choosing the file to the dialog drawn, and for each key typed into the
// filter box. Run by bench/dbc.sh on its generated database.
#include "documents/DbcFile.h"
#include "model/DbcImport.h"
#include "editors/UDbcImport.h"
#include "widgets/QtServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ordane_dbc_dialog_bench FILE.dbc FILTER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ordane::QtMessageSink messages;
    ordane::QtDialogs dialogs;
    ordane::SystemClock clock;
    ordane::QtProcessLauncher launcher;
    ordane::AppServices services{messages, dialogs, clock, launcher};

    QElapsedTimer timer;
    timer.start();
    ordane::DbcImport import(ordane::readDbcFile(argv[1]), ordane::FrameSide::Received);
    ordane::DbcSelection selection(import);
    ordane::TFDbcImport dialog(services);
    dialog.setSelection(&selection, std::filesystem::temp_directory_path(), 0);
    dialog.FormShow();
    dialog.show();
    dialog.table()->viewport()->repaint();
    QApplication::processEvents();
    const double openMs = double(timer.nsecsElapsed()) / 1e6;

    // Each key as typed: the text grows one character at a time and the table is redrawn.
    auto* filter = dialog.findChild<QLineEdit*>(QStringLiteral("Filter"));
    const QString typed = QString::fromUtf8(argv[2]);
    double slowestKeyMs = 0;
    for (int n = 1; n <= typed.size(); ++n) {
        timer.restart();
        filter->setText(typed.left(n));
        dialog.table()->viewport()->repaint();
        QApplication::processEvents();
        slowestKeyMs = std::max(slowestKeyMs, double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("%.1f %.1f %zu %d\n", openMs, slowestKeyMs, import.rows().size(),
                dialog.table()->model()->rowCount());
    return 0;
}
