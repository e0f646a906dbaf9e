#pragma once
#include <string>
#include <vector>

namespace fo {

// A spreadsheet's first sheet as rows of cell texts, row 1 first: an .xlsx
// workbook (read with libzip and pugixml) or a .csv file in UTF-8 or in
// GB18030, as older Windows programs write it (told apart by whether the
// bytes are UTF-8). A number is its shortest text ("20260001", "12.5"); a
// cell formatted as a date is its day, "yyyy-mm-dd". Trailing empty rows are
// left out. Throws SetupRefusal, in the clerk's words, for a file that
// cannot be read as either.
std::vector<std::vector<std::string>> readRosterFile(const std::string& path);

// The same for the text of a .csv file.
std::vector<std::vector<std::string>> readCsvText(const std::string& bytes);

}  // namespace fo
