#include "widgets/QtServices.h"

#include "widgets/GuiSupport.h"
#include "widgets/ProjectBrowser.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
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

bool QtDialogs::confirm(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

int QtDialogs::choose(QWidget* parent, const QString& title, const QString& text,
                      const QStringList& answers, int standard) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> buttons;
    for (const QString& answer : answers)
        buttons.push_back(box.addButton(answer, QMessageBox::ActionRole));
    if (standard >= 0 && std::size_t(standard) < buttons.size()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons[std::size_t(standard)]));
        box.setEscapeButton(buttons[std::size_t(standard)]);
    }
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i])
            return int(i);
    return standard;
}

bool QtDialogs::openLocalFile(const std::filesystem::path& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(toQt(file)));
}

QtProcessLauncher::~QtProcessLauncher() {
    // A tool still writing a device is left to finish; only our watch ends.
    if (m_process) {
        m_process->disconnect();
        m_process->setParent(nullptr);
        if (m_process->state() != QProcess::NotRunning)
            m_process->waitForFinished(60000);
        delete m_process;
    }
}

bool QtProcessLauncher::start(const std::filesystem::path& program,
                              const std::vector<std::string>& arguments, std::string& failure,
                              ProcessWatch watch) {
    if (running()) {
        failure = "The flash tool is still running";
        return false;
    }
    QStringList list;
    for (const auto& a : arguments)
        list << toQt(a);
    if (m_process)
        m_process->deleteLater();
    m_process = new QProcess;
    // An empty working directory: the child inherits ours.
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    QProcess* process = m_process;
    QObject::connect(process, &QProcess::readyReadStandardOutput, process, [process, watch] {
        const QByteArray bytes = process->readAllStandardOutput();
        if (watch.output)
            watch.output(bytes.toStdString());
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, watch](int exitCode, QProcess::ExitStatus status) {
                         const QByteArray rest = process->readAllStandardOutput();
                         if (!rest.isEmpty() && watch.output)
                             watch.output(rest.toStdString());
                         if (watch.finished)
                             watch.finished(exitCode, status == QProcess::CrashExit);
                     });
    process->start(toQt(program), list);
    if (process->waitForStarted()) // returns at once once the program runs
        return true;
    failure = "Cannot start " + program.string() + ": " + toStd(process->errorString());
    process->disconnect();
    return false;
}

bool QtProcessLauncher::running() const {
    return m_process && m_process->state() != QProcess::NotRunning;
}

} // namespace ordane
