#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ordane {

class DocumentModel;

// What the project check found: failures, each "<document>: <message>" or
// "<document>, row <n>: <message>" (or a reading problem's own text), and notes that are
// no failures (a missing NodeGuard.xml, checks that could not be made).
struct ProjectCheck {
    std::vector<std::string> failures;
    std::vector<std::string> notes;

    // The model's load problems and failing checks, document by document in the order the
    // model reads them, each document's in row order.
    void addModel(const DocumentModel& model);
};

// The checks of every editor on its documents as stored, the checks across documents and
// what the compiler would refuse, in that order.
ProjectCheck checkProject(const std::filesystem::path& projectFolder);

// The PDO and SDO mapping editors' checks and the checks across their documents.
void checkMappings(const std::filesystem::path& projectFolder, ProjectCheck& report);

} // namespace ordane
