#pragma once
#include <string>

#include "db/Recordset.h"

namespace fo {

class ComboBox;
class ListView;

// The small routines every window of the module shares.

// Fills `lvw` from `rs`: field 0 is the row key ("k" & value), field 1 the
// row text, the rest sub-items. With `BlnHead` the columns are rebuilt from
// fields 1.. (key "k" & field name). With a sum caption that column is
// rewritten "0.00" and a red "合计" row (key "k0") carries its total.
bool setLvwHead(Recordset& rs, ListView& lvw, bool BlnHead, const std::string& sumCaption);

// Column widths of a list under ("tavro", window name & list name, "k" & i);
// a missing or non-positive width restores as 1000, a negative one saves as 1000.
void getGridWidth(const std::string& frmName, ListView& lvw);
void setGridWidth(const std::string& frmName, ListView& lvw);

// Writes `rs` as a spreadsheet (.xlsx) into the export folder: field names in
// row 1 in bold "黑体", borders on every row, the title in the page header and
// the page footers. Reports the file to the binding, which opens it where a
// desktop is present. An empty set shows "没有记录!" and writes nothing.
// Returns the file written, or "" when none was.
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
