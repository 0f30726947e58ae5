#pragma once

#include "widgets/Services.h"

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
    bool openLocalFile(const std::filesystem::path& file) override;
};

class QtProcessLauncher : public ProcessLauncher {
public:
    bool start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               std::string& failure) override;
};

} // namespace ordane
