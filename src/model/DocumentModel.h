#pragma once

#include "core/Error.h"
#include "core/MessageSink.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ordane {

// One failing check or reading problem, named by its document and, where it has one, its row.
struct Finding {
    std::string document; // the file name as found on disk ("RCobDef.xml")
    int row = 0;          // from 1; 0 when the finding is not about one row
    std::string message;

    // "<document>: <message>" or "<document>, row <n>: <message>".
    std::string line() const;
    bool operator==(const Finding&) const = default;
};

// Each message as a Finding of `document` without row.
void appendFindings(std::vector<Finding>& to, std::string_view document,
                    std::vector<std::string> messages);

// The messages alone, in order.
std::vector<std::string> messagesOf(const std::vector<Finding>& findings);

// What every model of project documents offers the windows, the project check and the
// other readers: it loads from the project folder, keeps what it could not read instead of
// throwing, lists all its failing checks (the project check) or the first (the windows
// that stop at the first), and saves its documents whole.
class DocumentModel {
public:
    virtual ~DocumentModel() = default;

    // Reads the model's documents from the project folder, starting from the defaults or
    // an empty table. A document that cannot be read keeps the values read before its
    // problem, and the problem is kept in loadProblems().
    void load(const std::filesystem::path& projectFolder) {
        m_loadProblems.clear();
        read(projectFolder);
    }
    // Problems of the last load, one per document at most. The message is the reader's
    // whole text, which names document, row and attribute itself: show it as it stands.
    const std::vector<Finding>& loadProblems() const { return m_loadProblems; }
    bool loadedWhole() const { return m_loadProblems.empty(); }
    // Whether the last load met a problem in `document` (a definition's file name).
    bool hadProblemIn(std::string_view document) const;

    // Every failing check of what the model holds, in the order the window checks.
    virtual std::vector<Finding> failures() const = 0;
    // The first failing check's message, or nothing.
    std::optional<std::string> firstFailure() const;

    // Writes the model's documents into the project folder; throws Error.
    virtual void save(const std::filesystem::path& projectFolder) const = 0;

protected:
    virtual void read(const std::filesystem::path& projectFolder) = 0;

    // Runs one reading step of `document`; an Error it throws becomes a load problem and
    // the step's values read so far stay. Returns whether the step read to its end.
    template <class Step> bool readStep(std::string_view document, Step&& step) {
        try {
            step();
            return true;
        } catch (const Error& e) {
            m_loadProblems.push_back({std::string(document), 0, e.what()});
            return false;
        }
    }

    void addLoadProblem(Finding problem) { m_loadProblems.push_back(std::move(problem)); }

private:
    std::vector<Finding> m_loadProblems;
};

// Each load problem of the model in an error box, in order.
void reportLoadProblems(const DocumentModel& model, MessageSink& messages);

} // namespace ordane
