#include "ui/lists/clsLvw2012.h"

#include <exception>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "db/values/Currency.h"
#include "db/values/DateTime.h"
#include "db/values/Value.h"
#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/controls/ProgressBar.h"
#include "ui/UiServices.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

constexpr int HelperDefaultWidth = 1500;
constexpr int SumColor = color::Red;

std::vector<std::string> splitComma(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) parts.push_back(part);
    return parts;
}

// Shows the list again however the fill ends.
struct HiddenWhileBuilding {
    explicit HiddenWhileBuilding(ListView& l) : lvw(l) { lvw.setVisible(false); }
    ~HiddenWhileBuilding() { lvw.setVisible(true); }
    ListView& lvw;
};

// The type a list column's texts have in a spreadsheet: amounts where every
// filled cell is a number written with two decimals (the "0.00" the list
// shows), dates where every one is a date, text otherwise. Digits alone stay
// text: student numbers and row numbers are names, not quantities.
DataType columnType(ListView& lvw, int column) {
    bool amounts = true, dates = true, any = false;
    for (int r = 1; r <= lvw.itemCount() && (amounts || dates); ++r) {
        const std::string& text = lvw.item(r).cell(column);
        if (text.empty()) continue;
        any = true;
        const auto point = text.find('.');
        amounts = amounts && point != std::string::npos && point + 3 == text.size() && Currency::parse(text);
        dates = dates && DateTime::parse(text).has_value();
    }
    return !any ? DataType::VarChar : amounts ? DataType::Currency : dates ? DataType::Date : DataType::VarChar;
}

}  // namespace

clsLvw2012::~clsLvw2012() {
    if (!lvw_) return;
    try {
        setColWidth();
    } catch (...) {
        // Nothing to report to while going away.
    }
}

ListView& clsLvw2012::bound() {
    if (!lvw_) throw std::logic_error("no list view bound to the list helper");
    return *lvw_;
}

void clsLvw2012::initColumns(Recordset& rs, int firstField, const std::string& hiddenCaptions) {
    ListView& lvw = bound();
    HiddenWhileBuilding hidden(lvw);
    try {
        lvw.clearItems();
        lvw.clearColumns();
        if (!blnFieldKey) lvw.addColumn("k序号", "序号");
        for (std::size_t i = static_cast<std::size_t>(std::max(firstField, 0)); i < rs.fieldCount(); ++i)
            addColumn(rs.fieldInfo(i).name);
        getColWidth();
        if (!hiddenCaptions.empty())
            for (const std::string& caption : splitComma(hiddenCaptions))
                for (int c = 1; c <= lvw.columnCountOf(); ++c)
                    if (lvw.column(c).text == caption) lvw.setColumnWidth(c - 1, 0);
    } catch (const std::exception&) {
        // Trapped: the list stays as far as it was built.
    }
}

void clsLvw2012::addColumn(const std::string& caption) { bound().addColumn("k" + caption, caption); }

void clsLvw2012::fill(Recordset& rs, ListView& lvw, bool keyMode, bool closeAfter, const std::string& selectId,
                      ProgressBar* progress) {
    lvw.clearItems();
    const std::size_t n = rs.fieldCount();
    long rowNumber = 0;
    if (rs.recordCount() > 0) rs.moveFirst();
    for (; !rs.eof(); rs.moveNext()) {
        ++rowNumber;
        if (keyMode) {
            const std::string id = rs.field(std::size_t{0}).toText();
            ListItem& item = lvw.addItem("k" + id, id);
            for (std::size_t i = 1; i < n; ++i) item.setSubItem(static_cast<int>(i), rs.field(i).toText());
        } else {
            const std::string number = std::to_string(rowNumber);
            ListItem& item = lvw.addItem("k" + number, number);
            for (std::size_t i = 0; i < n; ++i) item.setSubItem(static_cast<int>(i) + 1, rs.field(i).toText());
        }
        if (progress) progress->setValue(progress->value() + 1);
    }
    if (!selectId.empty())
        if (ListItem* it = lvw.findItem("k" + selectId)) lvw.setSelectedItem(it);
    if (closeAfter) rs.close();
}

void clsLvw2012::initList(Recordset& rs, ListView& lvw) { fill(rs, lvw, blnFieldKey, blnCloseRecAfterInit, {}, nullptr); }
void clsLvw2012::initData2012(Recordset& rs, ListView& lvw) { initList(rs, lvw); }

void clsLvw2012::initData(ListView& lvw, Recordset& rs, bool keyMode, bool closeAfter) {
    fill(rs, lvw, keyMode, closeAfter, {}, nullptr);
}

void clsLvw2012::initListKeyIDNoProgress(Recordset& rs, ListView& lvw, const std::string& id) {
    HiddenWhileBuilding hidden(lvw);
    try {
        fill(rs, lvw, true, blnCloseRecAfterInit, id, nullptr);
    } catch (const std::exception&) {
    }
}

void clsLvw2012::initListKeyID(Recordset& rs, ListView& lvw, const std::string& id, Form& progressWindow) {
    HiddenWhileBuilding hidden(lvw);
    try {
        auto* bar = progressWindow.find<ProgressBar>("ProgressBar1");
        progressWindow.show();
        if (bar) {
            bar->setMax(rs.recordCount());
            bar->setValue(1);
        }
        fill(rs, lvw, true, blnCloseRecAfterInit, id, bar);
    } catch (const std::exception&) {
    }
}

void clsLvw2012::getColWidth() { gGetLvwColumnWidth(bound(), strFormName + bound().name()); }
void clsLvw2012::setColWidth() { gSetLvwColumnWidth(bound(), strFormName + bound().name()); }

void clsLvw2012::gGetLvwColumnWidth(ListView& lvw, const std::string& section) {
    SettingsStore& store = ui().settingsStore();
    for (int i = 1; i <= lvw.columnCountOf(); ++i) {
        const int w = wholeNumber(store.getSetting("tavro", section, "k" + std::to_string(i)));
        lvw.setColumnWidth(i - 1, w < 1 ? HelperDefaultWidth : w);
    }
}

void clsLvw2012::gSetLvwColumnWidth(ListView& lvw, const std::string& section) {
    SettingsStore& store = ui().settingsStore();
    for (int i = 1; i <= lvw.columnCountOf(); ++i) {
        const int w = lvw.column(i).width;
        store.saveSetting("tavro", section, "k" + std::to_string(i), std::to_string(w < 0 ? 0 : w));
    }
}

std::string clsLvw2012::getTmpData(const std::string& section, const std::string& key) {
    return ui().settingsStore().getSetting("shTavro", section, key, "");
}

void clsLvw2012::setTmpData(const std::string& section, const std::string& key, const std::string& value) {
    ui().settingsStore().saveSetting("shTavro", section, key, value);
}

int clsLvw2012::columnOf(const std::string& caption) {
    ListView& lvw = bound();
    if (const ColumnHeader* c = lvw.findColumn("k" + caption)) return c->index;
    if (const int i = lvw.columnIndexByText(caption)) return i;
    throw std::logic_error("no column \"" + caption + "\" in " + lvw.name());
}

std::string clsLvw2012::getLvwColumnValueSEL(const std::string& caption) {
    const int c = columnOf(caption);
    const ListItem* sel = bound().selectedItem();
    if (!sel) throw std::logic_error("no row selected in " + bound().name());
    return sel->cell(c);
}

std::string clsLvw2012::getLvwColumnValueFromIndx(const std::string& caption, int row) {
    const int c = columnOf(caption);
    return bound().item(row).cell(c);
}

void clsLvw2012::SetLvwColumnValueFromIndx(const std::string& caption, int row, const std::string& value) {
    const int c = columnOf(caption);
    ListItem& item = bound().item(row);
    if (c == 1) item.setText(value);
    else item.setSubItem(c - 1, value);
}

void clsLvw2012::SetLvwColumnColorFromIndx(const std::string& caption, int row, int color) {
    const int c = columnOf(caption);
    bound().item(row).setCellForeColor(c - 1, color);
}

void clsLvw2012::SetLvwColumnAlign(const std::string& caption, int alignment) {
    bound().setColumnAlignment(columnOf(caption), static_cast<Alignment>(alignment));
}

void clsLvw2012::addSumRow(const std::string& captions) {
    ListView& lvw = bound();
    const std::vector<std::string> parts = splitComma(captions);
    std::vector<Currency> totals(parts.size());
    const int rows = lvw.itemCount();
    lvw.addItem("k0", "合计");
    const int sumRow = lvw.itemCount();
    for (std::size_t p = 0; p < parts.size(); ++p) {
        for (int r = 1; r <= rows; ++r) {
            const Currency v = leadingNumber(getLvwColumnValueFromIndx(parts[p], r));
            totals[p] += v;
            SetLvwColumnValueFromIndx(parts[p], r, v.format00());
        }
        SetLvwColumnValueFromIndx(parts[p], sumRow, totals[p].format00());
        SetLvwColumnColorFromIndx(parts[p], sumRow, SumColor);
        SetLvwColumnAlign(parts[p], static_cast<int>(Alignment::Right));
    }
}

std::string clsLvw2012::toExcel() {
    ListView& lvw = bound();
    struct Wait {
        Wait() { gMOpen(); }
        ~Wait() { gMclose(); }
    } wait;
    Recordset rs;
    std::vector<int> shown;
    for (int c = 1; c <= lvw.columnCountOf(); ++c)
        if (lvw.column(c).width >= 10) {
            rs.appendField(lvw.column(c).text, columnType(lvw, c), 500);
            shown.push_back(c);
        }
    rs.open();
    for (int r = 1; r <= lvw.itemCount(); ++r) {
        rs.addNew();
        for (std::size_t j = 0; j < shown.size(); ++j) rs.field(j) = Value(lvw.item(r).cell(shown[j]));
    }
    const std::string title = strFormName + ": 日期 " + strDateFrom + "-" + strDateTo;
    const std::string path = ExporToExcel_rec(title, rs);
    rs.close();
    return path;
}

}  // namespace fo
