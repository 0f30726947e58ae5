#pragma once

#include <string>

namespace ordane {

// One failing check or reading problem, named by its document and, where it has them, its
// row and attribute: what every model, the project check, the outputs that refuse a project
// and the DBC import report.
struct Finding {
    std::string document; // the file name ("RCobDef.xml")
    int row = 0;          // from 1; 0 when the finding is not about one row
    std::string message;
    std::string attribute{}; // the attribute or pargen.xml element, where the finding has one
    // The message names the row in the window's own words ("Error in row 3. ..."), so the
    // line does not name it again.
    bool rowInMessage = false;

    // "<document>: <message>" or "<document>, row <n>: <message>".
    std::string line() const {
        if (row > 0 && !rowInMessage)
            return document + ", row " + std::to_string(row) + ": " + message;
        return document + ": " + message;
    }
    bool operator==(const Finding&) const = default;
};

} // namespace ordane
