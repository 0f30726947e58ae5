#include "app/GuiSupport.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QWidget>

namespace ordane {

void labelControl(QLabel* label, QWidget* control) {
    label->setBuddy(control);
    QString text = label->text();
    text.remove(QLatin1Char('&'));
    control->setAccessibleName(text.trimmed());
}

void nameControl(QWidget* control, const QString& objectName, const QString& accessibleName) {
    control->setObjectName(objectName);
    QString text = accessibleName;
    text.remove(QLatin1Char('&'));
    control->setAccessibleName(text.trimmed());
}

void makeToolWindow(QDialog* dialog) {
    dialog->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    if (dialog->layout())
        dialog->layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void centreOnScreen(QWidget* window) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        window->adjustSize(); // before its first showing a window has not taken its layout's size
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace ordane
