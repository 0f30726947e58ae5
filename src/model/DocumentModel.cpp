#include "model/DocumentModel.h"

#include "documents/DocumentFiles.h"

#include <algorithm>

namespace ordane {

std::string Finding::line() const {
    if (row > 0)
        return document + ", row " + std::to_string(row) + ": " + message;
    return document + ": " + message;
}

void appendFindings(std::vector<Finding>& to, std::string_view document,
                    std::vector<std::string> messages) {
    for (std::string& message : messages)
        to.push_back({std::string(document), 0, std::move(message)});
}

std::vector<std::string> messagesOf(const std::vector<Finding>& findings) {
    std::vector<std::string> messages;
    messages.reserve(findings.size());
    for (const Finding& f : findings)
        messages.push_back(f.message);
    return messages;
}

bool DocumentModel::hadProblemIn(std::string_view document) const {
    return std::any_of(m_loadProblems.begin(), m_loadProblems.end(),
                       [&](const Finding& f) { return equalsIgnoringCase(f.document, document); });
}

std::optional<std::string> DocumentModel::firstFailure() const {
    const std::vector<Finding> all = failures();
    if (all.empty())
        return std::nullopt;
    return all.front().message;
}

void reportLoadProblems(const DocumentModel& model, MessageSink& messages) {
    for (const Finding& problem : model.loadProblems())
        messages.error(problem.message);
}

} // namespace ordane
