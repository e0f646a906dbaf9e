#pragma once
#include <map>
#include <string>
#include <vector>

namespace fo::test {

// The output of a shell command (standard output only).
std::string commandOutput(const std::string& command);

// A sheet of an .xlsx file, read back as a spreadsheet program reads
// it: the package is unpacked with unzip and its XML read directly, so the
// writer's own view of what it wrote plays no part.
class XlsxSheet {
public:
    struct Cell {
        std::string type;    // the t= attribute: "s" shared string, "" a number
        std::string value;   // the text for strings, the <v> for numbers
        std::string format;  // the number format code ("General", "0.00", "yyyy-mm-dd")
        std::string formula; // the <f> of a formula cell, without "="; its value is the <v>
    };

    // Sheet `number` (1 the first) of `file`.
    explicit XlsxSheet(const std::string& file, int number = 1);

    // The cell at "B3"; a cell not written reads as an empty Cell.
    Cell cell(const std::string& ref) const;
    // The header row's texts, column A onwards.
    std::vector<std::string> header() const;
    // The column ("A", "B"...) whose header reads `caption`; "" when none.
    std::string column(const std::string& caption) const;
    int rows() const { return rows_; }

    // The raw XML parts, for the page set-up checks.
    const std::string& sheetXml() const { return sheet_; }
    const std::string& workbookXml() const { return workbook_; }
    // The value of attribute `name` of the first element `element` of the
    // sheet ("" when absent).
    std::string attribute(const std::string& element, const std::string& name) const;
    // The text of the first element `element` of the sheet.
    std::string elementText(const std::string& element) const;

private:
    std::string sheet_, workbook_;
    std::map<std::string, Cell> cells_;
    int rows_ = 0;
};

}  // namespace fo::test
