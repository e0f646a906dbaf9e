#pragma once
#include <string>

#include "db/Recordset.h"

namespace fo {

class Form;
class ListView;

// The list-view helper bound to one report-style list: builds columns from a
// result set, fills rows, keeps column widths per window, reads and writes
// cells by column caption, appends a sum row, keeps small temporary values
// and exports the visible columns. Keys: columns "k" & caption, rows "k" &
// id (or row number), the sum row "k0" with the text "合计".
// When the helper goes away it saves the bound list's column widths.
class clsLvw2012 {
public:
    clsLvw2012() = default;
    ~clsLvw2012();
    clsLvw2012(const clsLvw2012&) = delete;
    clsLvw2012& operator=(const clsLvw2012&) = delete;

    void setLvw(ListView& lvw) { lvw_ = &lvw; }
    ListView* lvw() const { return lvw_; }

    std::string strFormName;             // settings section prefix and export title
    bool blnCloseRecAfterInit = false;   // close the set after a fill
    bool blnFieldKey = false;            // first field is the row key (not a column)
    std::string strDateFrom, strDateTo;  // shown in the export title

    // Rebuilds the columns from fields firstField.. (after "序号" unless
    // blnFieldKey), restores the widths, hides the captions listed in
    // `hiddenCaptions` (comma-separated). Errors end it quietly.
    void initColumns(Recordset& rs, int firstField, const std::string& hiddenCaptions);
    void addColumn(const std::string& caption);

    // Row fills; each replaces the rows of `lvw`.
    void initList(Recordset& rs, ListView& lvw);
    void initData2012(Recordset& rs, ListView& lvw);
    void initData(ListView& lvw, Recordset& rs, bool keyMode, bool closeAfter);
    // Key mode, selecting the row whose id is `id`; errors end it quietly.
    void initListKeyIDNoProgress(Recordset& rs, ListView& lvw, const std::string& id);
    // The same, showing progress on the window's ProgressBar1.
    void initListKeyID(Recordset& rs, ListView& lvw, const std::string& id, Form& progressWindow);

    void getColWidth();
    void setColWidth();
    // Widths under ("tavro", section, "k" & i); missing or non-positive -> 1500.
    void gGetLvwColumnWidth(ListView& lvw, const std::string& section);
    void gSetLvwColumnWidth(ListView& lvw, const std::string& section);

    // Temporary values under application "shTavro".
    std::string getTmpData(const std::string& section, const std::string& key);
    void setTmpData(const std::string& section, const std::string& key, const std::string& value);

    // Cells by column caption; row indexes are 1-based. Throw std::logic_error
    // for an unknown caption or row, or when no row is selected.
    std::string getLvwColumnValueSEL(const std::string& caption);
    std::string getLvwColumnValueFromIndx(const std::string& caption, int row);
    void SetLvwColumnValueFromIndx(const std::string& caption, int row, const std::string& value);
    void SetLvwColumnColorFromIndx(const std::string& caption, int row, int color);
    void SetLvwColumnAlign(const std::string& caption, int alignment);

    // Rewrites the listed columns "0.00" and appends their totals as row "合计".
    void addSumRow(const std::string& captions);
    // Exports the columns at least 10 twips wide, amounts ("0.00") as numbers
    // and dates as dates; returns the file or "".
    std::string toExcel();

private:
    ListView& bound();
    int columnOf(const std::string& caption);
    void fill(Recordset& rs, ListView& lvw, bool keyMode, bool closeAfter, const std::string& selectId,
              class ProgressBar* progress);

    ListView* lvw_ = nullptr;
};

}  // namespace fo
