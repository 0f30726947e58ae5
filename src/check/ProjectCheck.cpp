#include "check/ProjectCheck.h"

#include "compiler/CompileProject.h"
#include "core/MappedObjectRules.h"
#include "core/NumberText.h"
#include "documents/MappingConflicts.h"
#include "model/CommunicationParameters.h"
#include "model/J1939FrameList.h"
#include "model/NodeGuardSettings.h"
#include "model/PdoMapping.h"
#include "model/SdoClientFrames.h"
#include "model/SdoMapping.h"

#include <algorithm>

namespace ordane {

namespace fs = std::filesystem;

namespace {

struct Item {
    const Finding* finding;
    bool problem;
};

// Every PDO names a frame of its list before the device can be updated.
void checkPdoFrames(const PdoMapping& mapping, ProjectCheck& report) {
    if (!mapping.framesReadWhole())
        return; // the frame list's own check says why
    const std::string name = PdoMapping::documentName(mapping.direction());
    const std::string frames = PdoMapping::frameDocumentName(mapping.direction());
    const std::size_t count = mapping.frameChoices().size();
    for (const PdoFrameReference& pdo : mapping.storedFrames()) {
        auto fail = [&](std::string message) {
            report.failures.push_back(Finding{name, pdo.row, std::move(message)}.line());
        };
        if (pdo.row > kPdosPerDirection) {
            fail(pdoCountMessage());
            continue;
        }
        if (!pdo.frame) {
            fail("the PDO has no J1939 Frame");
            continue;
        }
        const std::int32_t number = parseInteger(*pdo.frame, -1);
        if (number < 1 || static_cast<std::size_t>(number) > count)
            fail("Frame_J1939 " + *pdo.frame + " names no frame of " + frames);
    }
}

} // namespace

void ProjectCheck::addModel(const DocumentModel& model) {
    std::vector<Item> items;
    for (const Finding& f : model.loadProblems())
        items.push_back({&f, true});
    const std::vector<Finding> checks = model.failures();
    for (const Finding& f : checks)
        items.push_back({&f, false});
    // Grouped by document in the order of first mention; within one, by row, then as found.
    std::vector<std::string> order;
    for (const Item& item : items)
        if (std::find(order.begin(), order.end(), item.finding->document) == order.end())
            order.push_back(item.finding->document);
    auto rank = [&](const Item& item) {
        return std::find(order.begin(), order.end(), item.finding->document) - order.begin();
    };
    std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        if (rank(a) != rank(b))
            return rank(a) < rank(b);
        return a.finding->row < b.finding->row;
    });
    for (const Item& item : items)
        failures.push_back(item.problem ? item.finding->message : item.finding->line());
}

void checkMappings(const fs::path& projectFolder, ProjectCheck& report) {
    PdoMapping rpdo(PdoDirection::Rpdo);
    PdoMapping tpdo(PdoDirection::Tpdo);
    SdoMapping received(SdoSide::Received);
    SdoMapping transmitted(SdoSide::Transmitted);
    for (DocumentModel* model :
         std::initializer_list<DocumentModel*>{&rpdo, &tpdo, &received, &transmitted}) {
        model->load(projectFolder);
        report.addModel(*model);
    }

    if (received.loadedWhole() && transmitted.loadedWhole()) {
        for (const MappingConflict& c : findMappingConflicts(
                 mappedObjects(received.storedRows()), mappedObjects(transmitted.storedRows())))
            report.failures.push_back(Finding{c.document, c.row, c.message}.line());
    } else {
        // An unreadable row was reported above; fix it to see the conflicts.
        report.notes.push_back("Objects mapped twice not checked: an SDO mapping document "
                               "cannot be read");
    }
    for (const SdoMapping* mapping : {&received, &transmitted}) {
        if (!mapping->framesReadWhole()) {
            report.notes.push_back(std::string(SdoMapping::mappingDocumentName(mapping->side())) +
                                   ": frame numbers not checked, " +
                                   SdoMapping::frameDocumentName(mapping->side()) +
                                   " cannot be read");
            continue;
        }
        for (const Finding& stray : mapping->strayRows())
            report.failures.push_back(stray.line());
    }
    checkPdoFrames(rpdo, report);
    checkPdoFrames(tpdo, report);
}

ProjectCheck checkProject(const fs::path& projectFolder) {
    ProjectCheck report;
    CommunicationParameters parameters;
    J1939FrameList receivedFrames(FrameSide::Received);
    J1939FrameList transmittedFrames(FrameSide::Transmitted);
    for (DocumentModel* model :
         std::initializer_list<DocumentModel*>{&parameters, &receivedFrames, &transmittedFrames}) {
        model->load(projectFolder);
        report.addModel(*model);
    }
    checkMappings(projectFolder, report);

    SdoClientFrames client;
    NodeGuardSettings guarding;
    for (DocumentModel* model : std::initializer_list<DocumentModel*>{&client, &guarding}) {
        model->load(projectFolder);
        report.addModel(*model);
    }
    for (std::string& note : guarding.notes())
        report.notes.push_back(std::move(note));

    // What the editors let through but the compiler refuses.
    for (std::string& failure : imageRoomFailures(projectFolder))
        report.failures.push_back(std::move(failure));
    return report;
}

} // namespace ordane
