#include "FuzzTarget.h"

#include "core/Error.h"
#include "documents/ProjectDocument.h"

ORDANE_FUZZ_TARGET(document) {
    ordane::ProjectDocument document;
    try {
        document.loadText(std::string(ordane::fuzz::asText(data, size)), "fuzz.xml");
        const pugi::xml_node root = document.documentElement();
        for (const ordane::DocumentRow& row : document.rows(root)) {
            (void)row.find("PGN");
            try {
                (void)row.integer("Index");
            } catch (const ordane::Error&) {
            }
        }
        (void)ordane::ProjectDocument::findChildText(root, "BaudRateCAN");
        (void)document.text();
    } catch (const ordane::Error&) {
    }
    return 0;
}
