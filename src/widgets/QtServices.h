#pragma once

#include "widgets/Services.h"

class QProcess;
class QWidget;

namespace ordane {

// Message boxes over the active window.
class QtMessageSink : public MessageSink {
public:
    void info(const std::string& text) override;
    void error(const std::string& text) override;
};

class QtDialogs : public Dialogs {
public:
    std::optional<std::filesystem::path> openFile(QWidget* parent, const QString& title,
                                                  const std::filesystem::path& startFolder,
                                                  const QString& filter) override;
    std::optional<std::filesystem::path> saveFile(QWidget* parent, const QString& title,
                                                  const std::filesystem::path& startFolder,
                                                  const QString& filter,
                                                  QString* selectedFilter = nullptr) override;
    std::optional<std::filesystem::path>
    browseFolder(QWidget* parent, const QString& title, const std::filesystem::path& root,
                 const std::filesystem::path& preselected) override;
    void openUrl(const QString& url) override;
    bool confirm(QWidget* parent, const QString& title, const QString& text) override;
    int choose(QWidget* parent, const QString& title, const QString& text,
               const QStringList& answers, int standard) override;
    bool openLocalFile(const std::filesystem::path& file) override;
};

class QtProcessLauncher : public ProcessLauncher {
public:
    ~QtProcessLauncher() override;
    bool start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               std::string& failure, ProcessWatch watch) override;
    bool running() const override;

private:
    QProcess* m_process = nullptr;
};

} // namespace ordane
