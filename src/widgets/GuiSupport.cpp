#include "widgets/GuiSupport.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
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

QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    nameControl(button, objectName, caption);
    button->setAutoDefault(false);
    return button;
}

std::pair<QPushButton*, QPushButton*> makeOkCancel(QDialog* dialog) {
    auto* ok = makeButton(dialog, QStringLiteral("OK"), QObject::tr("OK"));
    auto* cancel = makeButton(dialog, QStringLiteral("Cancel"), QObject::tr("Cancel"));
    ok->setDefault(true);
    return {ok, cancel};
}

QDialogButtonBox* okCancelBox(QDialog* dialog, std::pair<QPushButton*, QPushButton*> buttons,
                              std::vector<QWidget*>* tabOrder) {
    auto* box = new QDialogButtonBox(dialog);
    box->addButton(buttons.first, QDialogButtonBox::AcceptRole);
    box->addButton(buttons.second, QDialogButtonBox::RejectRole);
    if (tabOrder) {
        tabOrder->push_back(buttons.first);
        tabOrder->push_back(buttons.second);
        chainTabOrder(*tabOrder);
    }
    return box;
}

QString listedLines(const std::vector<std::string>& lines) {
    constexpr std::size_t kShown = 12;
    QString text;
    for (std::size_t i = 0; i < lines.size() && i < kShown; ++i)
        text += QLatin1Char('\n') + toQt(lines[i]);
    if (lines.size() > kShown)
        text += QObject::tr("\n... and %1 more").arg(lines.size() - kShown);
    return text;
}

void chainTabOrder(const std::vector<QWidget*>& widgets) {
    for (std::size_t i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(widgets[i - 1], widgets[i]);
}

void makeToolWindow(QDialog* dialog) {
    dialog->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    if (dialog->layout())
        dialog->layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void centreOnScreen(QWidget* window) {
    // Before its first showing a fixed-size window has not taken its layout's size yet; a
    // resizable one keeps the size it was given.
    if (window->layout())
        window->layout()->activate();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace ordane
