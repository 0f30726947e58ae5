#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QWidget;
class QDialog;
class QPushButton;

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

// Tab order along the list.
void chainTabOrder(const std::vector<QWidget*>& widgets);

// A fixed-size tool window without system buttons, centred on the screen.
void makeToolWindow(QDialog* dialog);
void centreOnScreen(QWidget* window);

} // namespace ordane
