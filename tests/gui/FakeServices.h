#pragma once

#include "widgets/Services.h"

#include <QDialog>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace ordane::test {

// Answers the file dialogs and the folder browser from queues; records what was asked.
class FakeDialogs : public Dialogs {
public:
    struct Request {
        std::string kind; // "open", "save", "folder"
        QString title;
        std::filesystem::path start;
        QString filter;
        QString shownFilter; // the file type shown first, when the caller asked for the choice
    };

    std::deque<std::optional<std::filesystem::path>> answers;
    // The file types the user chooses in save dialogs; none leaves the one shown first.
    std::deque<QString> chosenFilters;
    std::vector<Request> requests;
    std::vector<QString> openedUrls;

    std::optional<std::filesystem::path> openFile(QWidget*, const QString& title,
                                                  const std::filesystem::path& start,
                                                  const QString& filter) override {
        return answer({"open", title, start, filter});
    }
    std::optional<std::filesystem::path> saveFile(QWidget*, const QString& title,
                                                  const std::filesystem::path& start,
                                                  const QString& filter,
                                                  QString* selectedFilter = nullptr) override {
        auto result = answer({"save", title, start, filter, selectedFilter ? *selectedFilter : QString()});
        if (selectedFilter && !chosenFilters.empty()) {
            *selectedFilter = chosenFilters.front();
            chosenFilters.pop_front();
        }
        return result;
    }
    std::optional<std::filesystem::path>
    browseFolder(QWidget*, const QString& title, const std::filesystem::path& root,
                 const std::filesystem::path& preselected) override {
        browseRoots.push_back(root);
        return answer({"folder", title, preselected, QString()});
    }
    void openUrl(const QString& url) override { openedUrls.push_back(url); }
    bool openLocalFile(const std::filesystem::path& file) override {
        openedFiles.push_back(file);
        return openSucceeds;
    }

    std::vector<std::filesystem::path> openedFiles;
    bool openSucceeds = true;

    std::vector<std::filesystem::path> browseRoots;

private:
    std::optional<std::filesystem::path> answer(Request request) {
        requests.push_back(std::move(request));
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

class RecordingLauncher : public ProcessLauncher {
public:
    struct Call {
        std::filesystem::path program;
        std::vector<std::string> arguments;
    };
    std::vector<Call> calls;
    bool succeed = true;

    bool start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               std::string& failure) override {
        calls.push_back({program, arguments});
        if (!succeed)
            failure = "Cannot start " + program.string();
        return succeed;
    }
};

// Everything a window needs, with fakes.
struct FakeServices {
    RecordingMessageSink messages;
    FakeDialogs dialogs;
    FixedClock clock{LocalDateTime{2026, 12, 9, 1, 8, 30}};
    RecordingLauncher launcher;
    AppServices services{messages, dialogs, clock, launcher};
};

} // namespace ordane::test
