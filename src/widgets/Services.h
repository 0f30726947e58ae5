#pragma once

#include "core/Clock.h"
#include "core/MessageSink.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
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
    // A question with "Yes" and "No"; true for "Yes".
    virtual bool confirm(QWidget* parent, const QString& title, const QString& text) = 0;
    // A question with these answers, one button each; returns the position of the one
    // chosen. `standard` is the default button and the answer of Escape.
    virtual int choose(QWidget* parent, const QString& title, const QString& text,
                       const QStringList& answers, int standard) = 0;
    // Opens a file of ours (the mapping report) in the program the desktop gives its type;
    // false when none could be started.
    virtual bool openLocalFile(const std::filesystem::path& file) = 0;
};

// What a started program reports while the window goes on: its output as it comes
// (standard output and error together) and its end.
struct ProcessWatch {
    std::function<void(const std::string& text)> output;
    // The exit status, or `crashed` when it did not end on its own.
    std::function<void(int exitCode, bool crashed)> finished;
};

// Starts a program without waiting, with its arguments given directly (never through a
// shell); the working directory is inherited. Returns false with the reason when it could
// not be started; otherwise `watch` hears its output and its end, on the window's thread.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    virtual bool start(const std::filesystem::path& program,
                       const std::vector<std::string>& arguments, std::string& failure,
                       ProcessWatch watch) = 0;
    // Whether a program started here has not ended yet.
    virtual bool running() const = 0;
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
