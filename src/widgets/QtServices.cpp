#include "widgets/QtServices.h"

#include "widgets/GuiSupport.h"
#include "widgets/ProjectBrowser.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace ordane {

void QtMessageSink::info(const std::string& text) {
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(),
                             toQt(text), QMessageBox::Ok);
}

void QtMessageSink::error(const std::string& text) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), toQt(text),
                          QMessageBox::Ok);
}

std::optional<std::filesystem::path> QtDialogs::openFile(QWidget* parent, const QString& title,
                                                         const std::filesystem::path& startFolder,
                                                         const QString& filter) {
    const QString file = QFileDialog::getOpenFileName(parent, title, toQt(startFolder), filter);
    if (file.isEmpty())
        return std::nullopt;
    return toPath(file);
}

std::optional<std::filesystem::path> QtDialogs::saveFile(QWidget* parent, const QString& title,
                                                         const std::filesystem::path& startFolder,
                                                         const QString& filter,
                                                         QString* selectedFilter) {
    const QString file =
        QFileDialog::getSaveFileName(parent, title, toQt(startFolder), filter, selectedFilter,
                                     // outputs are replaced without a question
                                     QFileDialog::DontConfirmOverwrite);
    if (file.isEmpty())
        return std::nullopt;
    return toPath(file);
}

std::optional<std::filesystem::path>
QtDialogs::browseFolder(QWidget* parent, const QString& title, const std::filesystem::path& root,
                        const std::filesystem::path& preselected) {
    ProjectBrowser browser(title, root, preselected, parent);
    if (browser.exec() != QDialog::Accepted)
        return std::nullopt;
    return browser.selectedFolder();
}

void QtDialogs::openUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}

bool QtDialogs::openLocalFile(const std::filesystem::path& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(toQt(file)));
}

bool QtProcessLauncher::start(const std::filesystem::path& program,
                              const std::vector<std::string>& arguments, std::string& failure) {
    QStringList list;
    for (const auto& a : arguments)
        list << toQt(a);
    // An empty working directory: the child inherits ours.
    if (QProcess::startDetached(toQt(program), list))
        return true;
    failure = "Cannot start " + program.string();
    return false;
}

} // namespace ordane
