#pragma once

#include "core/Clock.h"
#include "core/MessageSink.h"

#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace ordane {

// File dialogs, the confined folder browser and the web browser: answered by tests.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // `filter` in Qt's form, e.g. "File EXCEL (*.xls)", several joined by ";;".
    virtual std::optional<std::filesystem::path> openFile(QWidget* parent, const QString& title,
                                                          const std::filesystem::path& startFolder,
                                                          const QString& filter) = 0;
    // `selectedFilter`, when given, is the file type shown first and receives the one the
    // user chose.
    virtual std::optional<std::filesystem::path> saveFile(QWidget* parent, const QString& title,
                                                          const std::filesystem::path& startFolder,
                                                          const QString& filter,
                                                          QString* selectedFilter = nullptr) = 0;
    // A folder browser that cannot leave `root`; `preselected` may be empty.
    virtual std::optional<std::filesystem::path>
    browseFolder(QWidget* parent, const QString& title, const std::filesystem::path& root,
                 const std::filesystem::path& preselected) = 0;
    virtual void openUrl(const QString& url) = 0;
    // Opens a file of ours (the mapping report) in the program the desktop gives its type;
    // false when none could be started.
    virtual bool openLocalFile(const std::filesystem::path& file) = 0;
};

// Starts a program without waiting, with its arguments given directly (never through a
// shell); the working directory is inherited. Returns false with the reason on failure.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    virtual bool start(const std::filesystem::path& program,
                       const std::vector<std::string>& arguments, std::string& failure) = 0;
};

// What every window is given.
struct AppServices {
    MessageSink& messages;
    Dialogs& dialogs;
    const Clock& clock;
    ProcessLauncher& launcher;
};

inline constexpr const char* kMakerWebAddress = "https://www.example.com";

} // namespace ordane
