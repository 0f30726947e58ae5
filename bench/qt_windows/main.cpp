// Whether a widget program cross-built with the Qt of bench/qt_windows.sh starts under Wine:
// it shows a window, draws it into a PNG and ends.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label("Ordane on Windows");
    label.resize(320, 80);
    label.show();
    QTimer::singleShot(200, [&] {
        label.grab().save(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("hello.png"));
        app.quit();
    });
    return app.exec();
}
