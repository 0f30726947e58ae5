#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace ordane {

// The sheet that the frame lists import, matched without regard to letter case.
inline constexpr const char* kFrameSheetName = "rpdodef";

// The texts of one sheet record, field by field.
using SheetRecord = std::vector<std::string>;

// Reads the records of the sheet "rpdodef" of an .xls workbook, or of a .csv file (as the
// CSV export writes it), and hands each to `record` in order, with at most `fields` texts.
// The first line holds column titles and is not a record. Numeric cells give decimal text
// ("65265"), text cells their text, empty cells "". Throws Error with the reason when the
// workbook cannot be read or has no such sheet; records handed over before then stay.
void readFrameSheet(const std::filesystem::path& workbook, std::size_t fields,
                    const std::function<void(const SheetRecord&)>& record);

// A numeric cell as text: whole numbers without a fraction, others in their shortest
// exact form.
std::string numberCellText(double value);

// The records of CSV text after its title line: fields split at commas, double-quoted
// fields may hold commas, line breaks and doubled quotes; lines end in LF or CR LF.
std::vector<SheetRecord> csvRecords(std::string_view text);

} // namespace ordane
