#pragma once

#include <QPushButton>
#include <QString>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QWidget;
class QDialog;
class QDialogButtonBox;

namespace ordane {

inline QString toQt(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
inline std::string toStd(const QString& text) {
    return text.toUtf8().toStdString();
}
inline QString toQt(const std::filesystem::path& path) {
    return toQt(path.string());
}
inline std::filesystem::path toPath(const QString& text) {
    return std::filesystem::path(toStd(text));
}

// Makes `label` the buddy of `control` and gives the control the label's text as its
// accessible name (without the mnemonic marker).
void labelControl(QLabel* label, QWidget* control);
// A control with a name of its own (a button, a check box): the accessible name is `name`.
void nameControl(QWidget* control, const QString& objectName, const QString& accessibleName);

// A push button named for tests and screen readers; not a default button.
QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& caption);

// OK and Cancel of a dialog: OK is the default button (Enter), Cancel is not. Both belong
// to the dialog at once, so that the default still holds when the dialog is shown.
std::pair<QPushButton*, QPushButton*> makeOkCancel(QDialog* dialog);

// The same, each button clicking the dialog's slot.
template <class Dialog>
std::pair<QPushButton*, QPushButton*> makeOkCancel(Dialog* dialog, void (Dialog::*onOk)(),
                                                   void (Dialog::*onCancel)()) {
    const auto buttons = makeOkCancel(static_cast<QDialog*>(dialog));
    QObject::connect(buttons.first, &QPushButton::clicked, dialog, onOk);
    QObject::connect(buttons.second, &QPushButton::clicked, dialog, onCancel);
    return buttons;
}

// OK and Cancel in a button box, for the dialogs that show them at their foot. With a tab
// order, the two end it and the whole order is set.
QDialogButtonBox* okCancelBox(QDialog* dialog, std::pair<QPushButton*, QPushButton*> buttons,
                              std::vector<QWidget*>* tabOrder = nullptr);

// The lines for a message box, each after a line break; beyond the first twelve only
// their count ("... and 5 more"), so that the box stays on the screen.
QString listedLines(const std::vector<std::string>& lines);

// Tab order along the list.
void chainTabOrder(const std::vector<QWidget*>& widgets);

// A fixed-size tool window without system buttons, centred on the screen.
void makeToolWindow(QDialog* dialog);
void centreOnScreen(QWidget* window);

} // namespace ordane
