#include "CsvExport.h"

#include "DocumentFiles.h"
#include "core/AtomicFile.h"

namespace ordane {

std::string frameCsvText(const std::vector<std::pair<std::string, std::string>>& rows) {
    // The title line ends in a blank, as files made for the converter always have.
    std::string text = "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n";
    for (const auto& [first, second] : rows)
        text += first + "," + second + ",0,0,0\r\n";
    return text;
}

void writeFrameCsv(const std::filesystem::path& projectFolder,
                   const std::vector<std::pair<std::string, std::string>>& rows) {
    writeFileAtomically(documentPath(projectFolder, kCsvExportFileName), frameCsvText(rows));
}

} // namespace ordane
