#pragma once
#include <memory>
#include <string>
#include <vector>

#include "db/Recordset.h"

namespace fo {

// One table with what stands above and below it: a report's whole body, or
// one slip (a notice to parents) of several printed to a page.
struct PrintedSheet {
    std::string heading;                   // centred, bold
    std::vector<std::string> lead;         // lines between the heading and the table
    std::vector<std::string> columns;      // the table's captions; none: no table
    std::vector<bool> rightAligned;        // per column (amounts)
    std::vector<std::vector<std::string>> rows;
    std::vector<bool> emphasised;          // per row: a subtotal or total, or a row marked red
    std::vector<std::string> notes;        // lines under the table
};

// What a report or a run of notices prints: the sheets, each running over
// as many pages as its table needs (`slipsPerPage` 0), or that many small
// sheets to a page with a cutting line between them. `text` is the same
// as plain text, which a binding without a printer records instead.
struct PrintedDocument {
    std::string title;                     // the print job's and the file's name
    std::vector<PrintedSheet> sheets;
    int slipsPerPage = 0;
    bool landscape = false;
    std::string text;
};

// A sheet of `rs` as the list shows it: its fields as the columns, every
// row as text, a row headed "合计" emphasised; `amountsFrom` is the first
// column set right (the amounts).
PrintedSheet sheetOf(const std::string& heading, Recordset& rs, std::size_t amountsFrom);

// Prints a document through the platform's printer (ui().newReportPrinter),
// or, where there is none, as its text to a file in the export folder. What
// was printed is reported to the binding (ui().printed). Returns where it
// went (the printer's name or the file), "" when the clerk cancelled or it
// could not be written (he was told why).
std::string printDocument(const PrintedDocument& document);

// A report window's 打印: `sheet` printed (across the page when `landscape`)
// under `title`, with `text` what a binding without a printer records; the
// clerk is told where it went.
void printReport(const std::string& title, PrintedSheet sheet, const std::string& text, bool landscape);

// Writes a document as a PDF file at `path`; false when no binding can make
// one or the file cannot be written (the clerk was told which).
bool writeDocumentPdf(const PrintedDocument& document, const std::string& path);

// The printer of a platform that can draw pages: the system print dialog
// at a desktop, a PDF file where nobody is asked.
class ReportPrinter {
public:
    virtual ~ReportPrinter() = default;
    // Where it went, "" when cancelled or not written.
    virtual std::string print(const PrintedDocument& document) = 0;
    virtual bool writePdf(const PrintedDocument& document, const std::string& path) = 0;
};

}  // namespace fo
