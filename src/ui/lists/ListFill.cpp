#include "db/values/Currency.h"
#include "db/values/Value.h"
#include "ui/controls/ListView.h"
#include "ui/lists/mdl1.h"

#include <stdexcept>

namespace fo {
namespace {

// The rows of a result set as a list shows them, read from the set's packed
// rows when drawn: field 0 is the key ("k" & value), field i the cell i; the
// sum column "0.00" and, once the last row is read, the red "合计" row with
// its exact total.
class RecordsetRows final : public ListRows {
public:
    RecordsetRows(RecordsetPtr rs, int sumField, int sumColumn)
        : rs_(std::move(rs)), sumField_(sumField), sumColumn_(sumColumn) {}

    int count() const override {
        return static_cast<int>(rs_->rowsRead()) + (sumField_ >= 0 && rs_->complete() ? 1 : 0);
    }
    bool complete() const override { return rs_->complete(); }
    bool readMore() override { return rs_->readMore(kChunk); }
    int cells() const override { return std::max(1, static_cast<int>(rs_->fieldCount()) - 1); }

    std::string key(int row) const override {
        if (isSumRow(row)) return "k0";
        return "k" + rs_->valueAt(static_cast<std::size_t>(row), 0).toText();
    }

    std::string cell(int row, int column) const override {
        if (isSumRow(row)) {
            if (column == 1) return "合计";
            return column == sumColumn_ ? total().format00() : std::string();
        }
        if (column >= static_cast<int>(rs_->fieldCount())) return {};
        if (column == sumColumn_) return format00(rs_->valueAt(static_cast<std::size_t>(row), static_cast<std::size_t>(sumField_)));
        return rs_->valueAt(static_cast<std::size_t>(row), static_cast<std::size_t>(column)).toText();
    }

    int foreColor(int row) const override { return isSumRow(row) ? color::Red : color::Black; }

private:
    // Rows read at a time while the clerk already works with the list.
    static constexpr std::size_t kChunk = 2000;

    bool isSumRow(int row) const { return sumField_ >= 0 && static_cast<std::size_t>(row) == rs_->rowsRead(); }

    // Added up as rows arrive, each once, exactly (fixed point).
    Currency total() const {
        for (; summed_ < rs_->rowsRead(); ++summed_) total_ += rs_->valueAt(summed_, static_cast<std::size_t>(sumField_)).toCurrency();
        return total_;
    }

    RecordsetPtr rs_;
    int sumField_, sumColumn_;
    mutable Currency total_;
    mutable std::size_t summed_ = 0;
};

}  // namespace

bool setLvwHead(const RecordsetPtr& rs, ListView& lvw, bool BlnHead, const std::string& sumCaption) {
    const int n = static_cast<int>(rs->fieldCount());
    if (BlnHead) {
        lvw.clearColumns();
        for (int i = 1; i < n; ++i) {
            const std::string& name = rs->fieldInfo(static_cast<std::size_t>(i)).name;
            lvw.addColumn("k" + name, name);
        }
    }
    int sumField = -1, sumColumn = 0;  // the sum's field, and its list column (1-based; 0 none)
    if (!sumCaption.empty()) {
        sumField = rs->fieldIndex(sumCaption);
        if (sumField < 0) throw std::invalid_argument("setLvwHead: no field " + sumCaption);
        if (const ColumnHeader* c = lvw.findColumn("k" + sumCaption)) sumColumn = c->index;
        if (sumColumn > 1) lvw.setColumnAlignment(sumColumn, Alignment::Right);
    }
    lvw.setRows(std::make_shared<RecordsetRows>(rs, sumField, sumColumn));
    return true;
}

}  // namespace fo
