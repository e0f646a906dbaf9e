#pragma once
#include <string>
#include <utility>
#include <vector>

#include "db/Recordset.h"

namespace fo {

class ComboBox;
class ListView;

// The small routines every window of the module shares.

// Fills `lvw` from `rs`: field 0 is the row key ("k" & value), field 1 the
// row text, the rest sub-items. With `BlnHead` the columns are rebuilt from
// fields 1.. (key "k" & field name). With a sum caption that column is
// rewritten "0.00" and a red "合计" row (key "k0") carries its total. The
// list reads the set's rows as it draws them (no item per row); a set still
// being read goes on being read as the list asks, and the sum row comes
// after its last row.
bool setLvwHead(const RecordsetPtr& rs, ListView& lvw, bool BlnHead, const std::string& sumCaption);

// Column widths of a list under ("tavro", window name & list name, "k" & i);
// a missing or non-positive width restores as 1000, a negative one saves as 1000.
void getGridWidth(const std::string& frmName, ListView& lvw);
// Saves the window's own widths (by column caption; 0 for none) for the
// columns that never had one saved, so that the restore after it shows whole
// values at a first look; a width the clerk saved stays.
void saveFirstGridWidths(const std::string& frmName, ListView& lvw, int (*designWidth)(const std::string& caption));
void setGridWidth(const std::string& frmName, ListView& lvw);

// What a spreadsheet export is besides its rows.
struct SheetExport {
    SheetExport(std::string title, std::string fileName, std::size_t firstField = 0, std::string sheetName = {},
                bool totalRow = false)
        : title(std::move(title)), fileName(std::move(fileName)), firstField(firstField),
          sheetName(std::move(sheetName)), totalRow(totalRow) {}
    std::string title;           // the page header
    std::string fileName;        // the file's name as offered, without ".xlsx"
    std::size_t firstField = 0;  // the fields before it are row keys and stay out
    // The sheet's name, after the window; "" names it after the file's name
    // up to its dates ("票据管理 2026-12-01至…" gives "票据管理").
    std::string sheetName;
    // A last row "合计" whose amounts are SUBTOTAL formulas of the rows above,
    // so a SUBTOTAL of a whole column still counts each amount once.
    bool totalRow = false;
};

// One more sheet of a workbook: its name and its rows (all fields exported).
struct MoreSheet {
    std::string name;
    Recordset* rows = nullptr;
};

// Writes `rs` as a spreadsheet (.xlsx) where the binding says (the export
// folder, or where the clerk chose in the save dialog): field names in row 1
// in bold "黑体", borders on every row, amounts as numbers shown "0.00",
// whole numbers as numbers, dates as dates, the rest text. Printed on A4
// fitted to the page's width, across the page when wide, with the field
// names atop every page, the title in the page header and 制表人 (the
// operator), 制表日期 (today) and the page numbers in the footer. Reports
// the file to the binding, which offers to open it where a desktop is
// present. An empty set shows "没有记录!" and writes nothing. Returns the
// file written, or "" when none was.
std::string exportSheet(const SheetExport& sheet, Recordset& rs);
// The same with sheets after the first, each with its field names atop and
// the same page set-up; an empty one is left out.
std::string exportSheets(const SheetExport& sheet, Recordset& rs, const std::vector<MoreSheet>& more);
// The same with every field exported and the file named after the title.
std::string ExporToExcel_rec(const std::string& title, Recordset& rs);

// Hourglass on / off. The pointer is set, not counted: one gMclose restores
// the default pointer after any number of gMOpen, and an extra close does no harm.
void gMOpen();
void gMclose();

// Key-press filter of text boxes: swallows "'" and turns Enter into Tab.
void EnterToTab(int& KeyAscii);

// True for the keys no numeric filter touches: Backspace and the arrows.
bool NUM_ignore(int KeyAscii);
// Numeric key filter for a text box holding at most `NUM_length` characters
// with `NUM_dot` decimals; sets KeyAscii to 0 to reject the key. `writeStart`
// is the caret position and `selLength` the selection length, in characters.
void NumContral(int& KeyAscii, const std::string& NUM_text, int NUM_length, int NUM_dot,
                int writeStart, int selLength);

// Fills a combo box from a whole table: text `FieldMc`, item data `FielDid`;
// with `blnSapce` a first entry " " with item data 0. Reads through a
// connection on the module's transaction link string.
void setCmb(ComboBox& Cmb1, const std::string& FielDid, const std::string& FieldMc,
            const std::string& TableN, bool blnSapce);
// Appends one entry per row of `rs` from its current row on: text from
// `textField`, item data the whole number in `dataField`. A null set adds none.
void addComboRows(ComboBox& cmb, const RecordsetPtr& rs, const std::string& textField, const std::string& dataField);

// Whole-number reading of a stored setting, as the width routines need it.
int wholeNumber(const std::string& text);

}  // namespace fo
