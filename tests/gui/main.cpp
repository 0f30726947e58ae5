#include "GuiTest.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Firmware Ordane"));
    int failedClasses = 0;
    for (const auto& make : ordane::test::guiTests()) {
        auto test = make();
        if (QTest::qExec(test.get(), argc, argv) != 0)
            ++failedClasses;
    }
    std::printf("window test classes: %d passed, %d failed\n",
                int(ordane::test::guiTests().size()) - failedClasses, failedClasses);
    return failedClasses == 0 ? 0 : 1;
}
