#include "model/FrameReferences.h"

#include "core/NumberText.h"
#include "documents/DocumentFiles.h"

#include <algorithm>
#include <map>

namespace ordane {

namespace fs = std::filesystem;

namespace {

std::string identityText(std::string_view text) {
    if (const auto value = tryParseInteger(text))
        return std::to_string(*value);
    // Not a number: kept apart from every number by its quote.
    return "'" + std::string(text) + "'";
}

// The PDOs built on the side's frames.
const DocumentDefinition& pdoDocument(Side side) {
    return side == Side::Received ? documents::tpdo : documents::rpdo;
}

// The frame number a reference holds; 0 when it holds none that can be followed.
int referenced(const std::optional<std::string>& text) {
    if (!text)
        return 0;
    const std::int32_t number = parseInteger(*text, -1);
    return number > 0 ? number : 0;
}

std::string identityWords(const FrameIdentity& id) {
    const auto words = [](const std::string& text, int width) {
        if (!text.empty() && text.front() == '\'')
            return text;
        return width > 0 ? hexText(std::uint32_t(std::stol(text)), width) : text;
    };
    return "PGN " + words(id.pgn, 4) + ", source address " + words(id.sourceAddress, 0);
}

struct DocumentReferences {
    const DocumentDefinition* definition;
    std::string_view attribute;
};

std::vector<DocumentReferences> referringDocuments(Side side, bool includeSdoMapping) {
    std::vector<DocumentReferences> result;
    if (includeSdoMapping)
        result.push_back({&documents::sdoMapping(side), field::kNrPdo});
    result.push_back({&pdoDocument(side), field::kFrame});
    return result;
}

std::string referenceWhat(const DocumentRow& row, bool pdo) {
    if (pdo)
        return "PDO " + std::to_string(row.number()) + ", COB-ID " +
               row.attribute(field::kCobId, "");
    const std::int32_t index = parseInteger(row.attribute(field::kIndex, ""), -1);
    const std::int32_t subIndex = parseInteger(row.attribute(field::kSubIndex, ""), -1);
    return "Index " + hexText(std::uint32_t(index) & 0xFFFF, 4) + " SubIndex " +
           std::to_string(subIndex);
}

} // namespace

FrameIdentity frameIdentity(std::string_view pgnText, std::string_view sourceAddressText) {
    return {identityText(pgnText), identityText(sourceAddressText)};
}

std::vector<FrameIdentity> storedFrameIdentities(const fs::path& projectFolder, Side side) {
    std::vector<FrameIdentity> frames;
    DocumentFile file;
    if (!file.load(projectFolder, documents::frames(side)))
        return frames;
    for (const DocumentRow& row : file.rows())
        frames.push_back(frameIdentity(row.attribute(field::kPgn, ""),
                                       row.attribute(field::kSourceAddress, "")));
    return frames;
}

std::vector<int> followFrames(const std::vector<FrameIdentity>& before,
                              const std::vector<FrameIdentity>& after) {
    // Each identity's numbers in the new list, taken in order.
    std::map<std::pair<std::string, std::string>, std::vector<int>> places;
    for (std::size_t k = after.size(); k-- > 0;)
        places[{after[k].pgn, after[k].sourceAddress}].push_back(int(k) + 1);
    std::vector<int> result(before.size() + 1, 0);
    for (std::size_t k = 0; k < before.size(); ++k) {
        auto found = places.find({before[k].pgn, before[k].sourceAddress});
        if (found == places.end() || found->second.empty())
            continue;
        result[k + 1] = found->second.back();
        found->second.pop_back();
    }
    return result;
}

std::string FrameReference::line() const {
    std::string text = document + " row " + std::to_string(row) + " (" + what + "): frame " +
                       std::to_string(frame);
    if (newFrame > 0)
        return text + " is now frame " + std::to_string(newFrame);
    if (identity.pgn.empty())
        return text + " is not in the list";
    return text + " (" + identityWords(identity) + ") is no longer in the list";
}

FrameReferencePlan planFrameReferences(const fs::path& projectFolder, Side side,
                                       const std::vector<FrameIdentity>& after,
                                       bool includeSdoMapping) {
    FrameReferencePlan plan;
    plan.side = side;
    plan.sdoMappingIncluded = includeSdoMapping;
    const std::vector<FrameIdentity> before = storedFrameIdentities(projectFolder, side);
    const std::vector<int> numbers = followFrames(before, after);
    for (const DocumentReferences& refs : referringDocuments(side, includeSdoMapping)) {
        DocumentFile file;
        if (!file.load(projectFolder, *refs.definition))
            continue;
        const bool pdo = refs.attribute == field::kFrame;
        for (const DocumentRow& row : file.rows()) {
            const std::optional<std::string> text = row.find(refs.attribute);
            const int frame = referenced(text);
            // A row without a frame (or with one that is no number) is the check's matter.
            if (frame == 0)
                continue;
            FrameReference ref{file.name(), row.number(), frame, 0, referenceWhat(row, pdo), {}};
            if (std::size_t(frame) <= before.size()) {
                ref.identity = before[std::size_t(frame) - 1];
                ref.newFrame = numbers[std::size_t(frame)];
            }
            if (ref.newFrame == 0)
                plan.lost.push_back(std::move(ref));
            else if (ref.newFrame != frame)
                plan.moved.push_back(std::move(ref));
        }
    }
    return plan;
}

std::vector<PlannedDocument> repointedDocuments(const fs::path& projectFolder,
                                                const FrameReferencePlan& plan) {
    std::vector<PlannedDocument> result;
    if (!plan.changesDocuments())
        return result;
    for (const DocumentReferences& refs :
         referringDocuments(plan.side, plan.sdoMappingIncluded)) {
        PlannedDocument planned;
        if (!planned.document.loadIfExists(projectFolder, refs.definition->fileName))
            continue;
        planned.path = documentPath(projectFolder, refs.definition->fileName);
        const std::string& name = planned.document.name();
        std::map<int, int> moved;
        std::vector<int> lost;
        for (const FrameReference& ref : plan.moved)
            if (ref.document == name)
                moved[ref.row] = ref.newFrame;
        for (const FrameReference& ref : plan.lost)
            if (ref.document == name)
                lost.push_back(ref.row);
        if (moved.empty() && lost.empty())
            continue;

        pugi::xml_node root = planned.document.documentElement();
        const std::string attribute(refs.attribute);
        // Rows with the frame number they will hold (the stored one when unchanged).
        std::vector<std::pair<int, pugi::xml_node>> kept;
        std::vector<pugi::xml_node> removed;
        for (const DocumentRow& row : planned.document.rows(root)) {
            if (std::find(lost.begin(), lost.end(), row.number()) != lost.end()) {
                removed.push_back(row.node());
                continue;
            }
            int frame = referenced(row.find(refs.attribute));
            if (const auto m = moved.find(row.number()); m != moved.end()) {
                frame = m->second;
                row.node().attribute(attribute.c_str()).set_value(std::to_string(frame).c_str());
            }
            kept.emplace_back(frame, row.node());
        }
        for (const pugi::xml_node& node : removed)
            root.remove_child(node);
        // The SDO mapping's rows are grouped by frame in frame order; within a frame they
        // keep their order.
        if (refs.attribute == field::kNrPdo) {
            std::stable_sort(kept.begin(), kept.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            for (auto& [frame, node] : kept)
                root.append_move(node);
        }
        result.push_back(std::move(planned));
    }
    return result;
}

void writePlannedDocuments(const std::vector<PlannedDocument>& documents) {
    for (const PlannedDocument& planned : documents)
        planned.document.save(planned.path);
}

} // namespace ordane
