// Data grids (bound to a result set) and tree views.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>
#include <QTreeWidget>
#include <map>
#include <vector>

#include "qt/bindings/GridBindings.h"
#include "qt/EventBoundary.h"
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
        if (role != Qt::DisplayRole) return {};
        return rows_.at(static_cast<std::size_t>(i.row())).at(static_cast<std::size_t>(i.column()));
    }
    QVariant headerData(int s, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || role != Qt::DisplayRole || s >= static_cast<int>(headers_.size())) return {};
        return headers_[static_cast<std::size_t>(s)];
    }
    void reload() {
        beginResetModel();
        rows_.clear();
        headers_.clear();
        for (int c = 0; c < g_.columnCount(); ++c) headers_.push_back(qs(g_.column(c).caption));
        const RecordsetPtr& rs = g_.dataSource();
        if (rs && rs->state() == Recordset::Open && g_.rowCount() > 0) {
            Recordset copy = *rs;
            for (copy.moveFirst(); !copy.eof(); copy.moveNext()) {
                std::vector<QString> row;
                for (std::size_t c = 0; c < copy.fieldCount(); ++c) row.push_back(qs(copy.field(c).toText()));
                rows_.push_back(std::move(row));
            }
        }
        endResetModel();
    }

private:
    DataGrid& g_;
    std::vector<std::vector<QString>> rows_;
    std::vector<QString> headers_;
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
        routeKeys(*this, v);
        QObject::connect(v, &QTableView::clicked, v, guarded([this](const QModelIndex& i) { g_.userRowClick(i.row()); }));
        QObject::connect(v, &QTableView::doubleClicked, v, guarded([this](const QModelIndex& i) { g_.userRowDblClick(i.row()); }));
        refresh();
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
        }
        for (int c = 0; c < g_.columnCount(); ++c) {
            v->setColumnHidden(c, !g_.column(c).visible);
            v->setColumnWidth(c, toPixels(g_.column(c).width));
        }
        if (position >= 1 && position <= model_->rowCount({})) v->selectRow(static_cast<int>(position - 1));
    }

private:
    DataGrid& g_;
    DataGridModel* model_;
    const Recordset* source_ = nullptr;
    std::string filter_;
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
        w->clear();
        std::map<const TreeNode*, QTreeWidgetItem*> made;
        QTreeWidgetItem* selected = nullptr;
        for (TreeNode* n : t_.treeOrder()) {
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
