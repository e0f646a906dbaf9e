#include "db/Currency.h"
#include "db/Value.h"
#include "ui/controls/ListView.h"
#include "ui/lists/mdl1.h"

namespace fo {

bool setLvwHead(Recordset& rs, ListView& lvw, bool BlnHead, const std::string& sumCaption) {
    const int n = static_cast<int>(rs.fieldCount());
    if (BlnHead) {
        lvw.clearColumns();
        for (int i = 1; i < n; ++i) {
            const std::string& name = rs.fieldInfo(static_cast<std::size_t>(i)).name;
            lvw.addColumn("k" + name, name);
        }
    }
    int s = -1;  // sub-item of the sum column; 0 would be the row text
    if (!sumCaption.empty()) {
        const ColumnHeader* c = lvw.findColumn("k" + sumCaption);
        if (c) s = c->index - 1;
    }
    lvw.clearItems();
    Currency total;
    if (rs.recordCount() > 0) rs.moveFirst();
    for (; !rs.eof(); rs.moveNext()) {
        ListItem& item = lvw.addItem("k" + rs.field(std::size_t{0}).toText(),
                                     n > 1 ? rs.field(std::size_t{1}).toText() : std::string());
        for (int i = 2; i < n; ++i) item.setSubItem(i - 1, rs.field(static_cast<std::size_t>(i)).toText());
        if (!sumCaption.empty()) {
            const Value& v = rs.field(sumCaption);
            total += v.toCurrency();
            if (s > 0) item.setSubItem(s, format00(v));
            else if (s == 0) item.setText(format00(v));
        }
    }
    if (sumCaption.empty()) return true;
    ListItem& sum = lvw.addItem("k0", "合计");
    if (s > 0) {
        sum.setSubItem(s, total.format00());
        sum.setCellForeColor(s, color::Red);
        lvw.setColumnAlignment(s + 1, Alignment::Right);
    }
    sum.setForeColor(color::Red);
    return true;
}

}  // namespace fo
