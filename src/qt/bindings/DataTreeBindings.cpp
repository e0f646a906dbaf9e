// Data grids (bound to a result set) and tree views.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "db/values/Value.h"
#include "qt/bindings/ColumnFit.h"
#include "qt/bindings/GridBindings.h"
#include "qt/EventBoundary.h"
#include "qt/bindings/CutCellTips.h"
#include "qt/Twips.h"
#include "ui/controls/DataGrid.h"
#include "ui/controls/FlexGrid.h"
#include "ui/controls/TreeView.h"

namespace fo::qt {
namespace {

// The visible records of the bound set, copied once per change: walking
// the set cell by cell would move its cursor and cost a pass per cell.
class DataGridModel final : public QAbstractTableModel {
public:
    explicit DataGridModel(DataGrid& g) : g_(g) {}
    int rowCount(const QModelIndex& p) const override { return p.isValid() ? 0 : static_cast<int>(rows_.size()); }
    int columnCount(const QModelIndex& p) const override { return p.isValid() ? 0 : static_cast<int>(headers_.size()); }
    QVariant data(const QModelIndex& i, int role) const override {
        const auto c = static_cast<std::size_t>(i.column());
        if (role == Qt::TextAlignmentRole)
            return static_cast<int>(toQtAlignment(amounts_.at(c) ? Alignment::Right : Alignment::Left));
        if (role != Qt::DisplayRole) return {};
        return rows_.at(static_cast<std::size_t>(i.row())).at(c);
    }
    QVariant headerData(int s, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || role != Qt::DisplayRole || s >= static_cast<int>(headers_.size())) return {};
        return headers_[static_cast<std::size_t>(s)];
    }
    void reload() {
        beginResetModel();
        rows_.clear();
        headers_.clear();
        amounts_.assign(static_cast<std::size_t>(g_.columnCount()), false);
        for (int c = 0; c < g_.columnCount(); ++c) headers_.push_back(qs(g_.column(c).caption));
        const RecordsetPtr& rs = g_.dataSource();
        if (rs && rs->state() == Recordset::Open && g_.rowCount() > 0) {
            Recordset copy = *rs;
            for (std::size_t c = 0; c < copy.fieldCount() && c < amounts_.size(); ++c) amounts_[c] = amountField(copy, c);
            for (copy.moveFirst(); !copy.eof(); copy.moveNext()) {
                std::vector<QString> row;
                for (std::size_t c = 0; c < copy.fieldCount(); ++c) {
                    const Value v = copy.field(c);
                    // Amounts as the office writes money, "0.00".
                    row.push_back(qs(c < amounts_.size() && amounts_[c] && !v.isNull() ? format00(v) : v.toText()));
                }
                rows_.push_back(std::move(row));
            }
        }
        endResetModel();
    }

private:
    // A field holds amounts by its type; a computed one by its first value.
    static bool amountField(Recordset& rs, std::size_t field) {
        const DataType type = rs.fieldInfo(field).type;
        if (type != DataType::Empty) return type == DataType::Currency || type == DataType::Double;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            const Value::Kind kind = rs.field(field).kind();
            if (kind != Value::Kind::Null) return kind == Value::Kind::Currency || kind == Value::Kind::Double;
        }
        return false;
    }

    DataGrid& g_;
    std::vector<std::vector<QString>> rows_;
    std::vector<QString> headers_;
    std::vector<bool> amounts_;
};

class DataGridBinding final : public ControlBinding {
public:
    DataGridBinding(DataGrid& g, QWidget* parent)
        : ControlBinding(g, new QTableView(parent)), g_(g), model_(new DataGridModel(g)) {
        auto* v = static_cast<QTableView*>(widget());
        model_->setParent(v);
        v->setModel(model_);
        v->setSelectionBehavior(QAbstractItemView::SelectRows);
        v->setSelectionMode(QAbstractItemView::SingleSelection);
        v->setEditTriggers(QAbstractItemView::NoEditTriggers);
        stretchLastColumn(*v->horizontalHeader());
        routeKeys(*this, v);
        showCutCellsOnHover(*this, v);
        QObject::connect(v, &QTableView::clicked, v, guarded([this](const QModelIndex& i) { g_.userRowClick(i.row()); }));
        QObject::connect(v, &QTableView::doubleClicked, v, guarded([this](const QModelIndex& i) { g_.userRowDblClick(i.row()); }));
        QObject::connect(v->horizontalHeader(), &QHeaderView::sectionResized, v, guarded([this](int c, int, int size) {
            auto* header = static_cast<QTableView*>(widget())->horizontalHeader();
            if (syncing() || c >= g_.columnCount() || c == lastShownSection(*header)) return;
            clerkSized_.insert(c);
            QuietGuard quiet(*this);
            g_.setColumnWidth(c, toTwips(size));
        }));
        widen_ = measureAtNextTurn(v, [this] { measureColumns(); });
        refresh();
    }
    ~DataGridBinding() override {
        // The view may outlive the binding a little (a window deleted later).
        if (widen_) widen_->stop();
    }

protected:
    void sync() override {
        // A row click moves the set's cursor and reports a change; the
        // rows themselves only change with the source or its filter.
        auto* v = static_cast<QTableView*>(widget());
        const RecordsetPtr& rs = g_.dataSource();
        const long position = rs && rs->state() == Recordset::Open && !rs->eof() ? rs->absolutePosition() : -1;
        if (rs.get() != source_ || g_.rowCount() != model_->rowCount({}) || filter_ != (rs ? rs->filter() : "")) {
            source_ = rs.get();
            filter_ = rs ? rs->filter() : "";
            model_->reload();
            measured_ = false;
        }
        // Measured once the window has bound and shown the rows.
        if (!measured_ && !widen_->isActive()) widen_->start();
        for (int c = 0; c < g_.columnCount(); ++c) v->setColumnHidden(c, !g_.column(c).visible);
        for (int c = 0; c < g_.columnCount(); ++c) showColumnWidth(*v->horizontalHeader(), c, toPixels(g_.column(c).width));
        if (position >= 1 && position <= model_->rowCount({})) v->selectRow(static_cast<int>(position - 1));
    }

private:
    // Widens the columns too narrow for their heading and first rows, as
    // lists do; the width goes back to the grid's column, and a column the
    // clerk sized is left alone.
    void measureColumns() {
        auto* v = static_cast<QTableView*>(widget());
        if (!v->isVisible()) return;
        measured_ = true;
        SyncGuard echo(*this);  // the header's resize signals are no drags of the clerk's
        fitColumns(
            *v, *v->horizontalHeader(), std::min(model_->rowCount({}), kRowsMeasured),
            [this](int c) { return c < g_.columnCount() && !clerkSized_.count(c); },
            [this](int c, int pixels) {
                QuietGuard quiet(*this);
                g_.setColumnWidth(c, toTwips(pixels));
            });
    }

    DataGrid& g_;
    DataGridModel* model_;
    const Recordset* source_ = nullptr;
    std::string filter_;
    std::set<int> clerkSized_;  // the columns the clerk sized
    QPointer<QTimer> widen_;     // measures the columns at the next turn of the loop
    bool measured_ = false;      // the rows there now were measured
};

class TreeBinding final : public ControlBinding {
public:
    TreeBinding(TreeView& t, QWidget* parent) : ControlBinding(t, new QTreeWidget(parent)), t_(t) {
        auto* w = static_cast<QTreeWidget*>(widget());
        w->setHeaderHidden(true);
        routeKeys(*this, w);
        QObject::connect(w, &QTreeWidget::itemClicked, w, guarded([this](QTreeWidgetItem* item, int) {
            t_.userNodeClick(keyOf(item));
        }));
        QObject::connect(w, &QTreeWidget::itemDoubleClicked, w, guarded([this](QTreeWidgetItem* item, int) {
            t_.userNodeDblClick(keyOf(item));
        }));
        QObject::connect(w, &QTreeWidget::itemChanged, w, guarded([this](QTreeWidgetItem* item, int) {
            if (syncing()) return;
            t_.userNodeCheck(keyOf(item), item->checkState(0) == Qt::Checked);
        }));
        auto expand = [this](QTreeWidgetItem* item, bool on) {
            if (syncing()) return;
            if (TreeNode* n = t_.findNode(keyOf(item))) {
                QuietGuard quiet(*this);
                n->setExpanded(on);
            }
        };
        QObject::connect(w, &QTreeWidget::itemExpanded, w, guarded([expand](QTreeWidgetItem* i) { expand(i, true); }));
        QObject::connect(w, &QTreeWidget::itemCollapsed, w, guarded([expand](QTreeWidgetItem* i) { expand(i, false); }));
        refresh();
    }

protected:
    void sync() override {
        auto* w = static_cast<QTreeWidget*>(widget());
        // A tree whose nodes are still the same (a node ticked, renamed,
        // opened) is updated where it stands: its items are never remade
        // under the clerk's click, whose signal is still on its way out of
        // the item it ticked.
        std::vector<QTreeWidgetItem*> items;
        for (QTreeWidgetItemIterator it(w); *it; ++it) items.push_back(*it);
        const std::vector<TreeNode*> nodes = t_.treeOrder();
        bool same = items.size() == nodes.size();
        for (std::size_t i = 0; same && i < nodes.size(); ++i) {
            const QTreeWidgetItem* parentItem = items[i]->parent();
            same = keyOf(items[i]) == nodes[i]->key() &&
                   (parentItem ? nodes[i]->parent() && keyOf(const_cast<QTreeWidgetItem*>(parentItem)) == nodes[i]->parent()->key()
                               : !nodes[i]->parent());
        }
        if (same) {
            for (std::size_t i = 0; i < nodes.size(); ++i) {
                TreeNode* n = nodes[i];
                QTreeWidgetItem* item = items[i];
                if (item->text(0) != qs(n->text())) item->setText(0, qs(n->text()));
                if (t_.checkboxes()) {
                    const Qt::CheckState state = n->checked() ? Qt::Checked : Qt::Unchecked;
                    if (item->data(0, Qt::CheckStateRole).isNull() || item->checkState(0) != state)
                        item->setCheckState(0, state);
                } else if (!item->data(0, Qt::CheckStateRole).isNull()) {
                    item->setData(0, Qt::CheckStateRole, QVariant());
                }
                if (item->isExpanded() != n->expanded()) item->setExpanded(n->expanded());
                if (n == t_.selectedItem() && w->currentItem() != item) w->setCurrentItem(item);
            }
            return;
        }
        w->clear();
        std::map<const TreeNode*, QTreeWidgetItem*> made;
        QTreeWidgetItem* selected = nullptr;
        for (TreeNode* n : nodes) {
            auto* parentItem = n->parent() ? made[n->parent()] : nullptr;
            auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(w);
            item->setText(0, qs(n->text()));
            item->setData(0, Qt::UserRole, qs(n->key()));
            if (t_.checkboxes()) item->setCheckState(0, n->checked() ? Qt::Checked : Qt::Unchecked);
            made[n] = item;
            if (n == t_.selectedItem()) selected = item;
        }
        for (auto& [node, item] : made) item->setExpanded(node->expanded());
        if (selected) w->setCurrentItem(selected);
    }

private:
    static std::string keyOf(QTreeWidgetItem* item) { return ss(item->data(0, Qt::UserRole).toString()); }
    TreeView& t_;
};

}  // namespace

std::unique_ptr<ControlBinding> bindGridOrTree(Control& c, QWidget* parent) {
    if (auto* g = dynamic_cast<FlexGrid*>(&c)) return std::make_unique<FlexGridBinding>(*g, parent);
    if (auto* g = dynamic_cast<DataGrid*>(&c)) return std::make_unique<DataGridBinding>(*g, parent);
    if (auto* t = dynamic_cast<TreeView*>(&c)) return std::make_unique<TreeBinding>(*t, parent);
    return nullptr;
}

}  // namespace fo::qt
