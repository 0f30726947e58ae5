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
        return answer({"open", title, start, filter, QString()});
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
        return answer({"folder", title, preselected, QString(), QString()});
    }
    void openUrl(const QString& url) override { openedUrls.push_back(url); }
    // Questions asked, answered from `confirmations` (no answer left: "No").
    bool confirm(QWidget*, const QString&, const QString& text) override {
        questions.push_back(text);
        if (confirmations.empty())
            return false;
        const bool yes = confirmations.front();
        confirmations.pop_front();
        return yes;
    }

    std::vector<QString> questions;
    std::deque<bool> confirmations;

    // Questions with their own answers, answered from `choices` (an answer's text; none
    // left: the default answer). Each is recorded with its answers.
    struct Choice {
        QString text;
        QStringList answers;
        int standard;
    };
    std::vector<Choice> choiceQuestions;
    std::deque<QString> choices;
    int choose(QWidget*, const QString&, const QString& text, const QStringList& answerTexts,
               int standard) override {
        choiceQuestions.push_back({text, answerTexts, standard});
        if (choices.empty())
            return standard;
        const int chosen = int(answerTexts.indexOf(choices.front()));
        choices.pop_front();
        return chosen < 0 ? standard : chosen;
    }
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

// Records each start; a test then plays the tool's output and end through `play`.
class RecordingLauncher : public ProcessLauncher {
public:
    struct Call {
        std::filesystem::path program;
        std::vector<std::string> arguments;
    };
    std::vector<Call> calls;
    bool succeed = true;

    bool start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               std::string& failure, ProcessWatch watch) override {
        calls.push_back({program, arguments});
        if (!succeed) {
            failure = "Cannot start " + program.string();
            return false;
        }
        m_watch = std::move(watch);
        m_running = true;
        return true;
    }
    bool running() const override { return m_running; }

    // The started tool writes `output` (in pieces, as a pipe gives it) and ends.
    void play(const std::vector<std::string>& output, int exitCode, bool crashed = false) {
        for (const std::string& piece : output)
            if (m_watch.output)
                m_watch.output(piece);
        m_running = false;
        if (m_watch.finished)
            m_watch.finished(exitCode, crashed);
    }

private:
    ProcessWatch m_watch;
    bool m_running = false;
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
