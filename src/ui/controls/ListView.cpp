#include "ui/controls/ListView.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace fo {

// --- ListItem ---

void ListItem::setText(const std::string& t) { text_ = t; owner_->itemChanged(); }

std::string ListItem::subItem(int i) const {
    if (i < 1) throw std::out_of_range("Invalid property value");
    return i <= static_cast<int>(subItems_.size()) ? subItems_[static_cast<std::size_t>(i - 1)] : std::string();
}

void ListItem::setSubItem(int i, const std::string& t) {
    if (i < 1) throw std::out_of_range("Invalid property value");
    if (static_cast<int>(subItems_.size()) < i) subItems_.resize(static_cast<std::size_t>(i));
    subItems_[static_cast<std::size_t>(i - 1)] = t;
    owner_->itemChanged();
}

void ListItem::setChecked(bool v) { checked_ = v; owner_->itemChanged(); }
bool ListItem::selected() const { return selected_; }

void ListItem::setSelected(bool v) {
    if (v) owner_->setSelectedItem(this);
    else {
        selected_ = false;
        if (owner_->selected_ == this) owner_->selected_ = nullptr;
        owner_->itemChanged();
    }
}

void ListItem::setForeColor(int c) { foreColor_ = c; owner_->itemChanged(); }

int ListItem::cellForeColor(int i) const {
    auto it = cellColors_.find(i);
    return it == cellColors_.end() ? foreColor_ : it->second;
}

void ListItem::setCellForeColor(int i, int c) { cellColors_[i] = c; owner_->itemChanged(); }

int ListItem::index() const {
    if (row_ > 0) return row_;
    const auto& items = owner_->items_;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this) return owner_->suppliedCount() + static_cast<int>(i) + 1;
    return 0;
}

int ListItem::top() const { return owner_->headerHeight_ + (index() - 1) * owner_->rowHeight_; }
int ListItem::height() const { return owner_->rowHeight_; }

// --- ListView ---

ColumnHeader& ListView::addColumn(const std::string& key, const std::string& text, int width, Alignment a) {
    if (!key.empty() && findColumn(key)) throw std::invalid_argument("Key is not unique in collection");
    auto c = std::make_unique<ColumnHeader>();
    c->key = key;
    c->text = text;
    c->width = width;
    c->alignment = a;
    c->index = static_cast<int>(columns_.size()) + 1;
    columns_.push_back(std::move(c));
    changed();
    return *columns_.back();
}

void ListView::clearColumns() {
    columns_.clear();
    changed();
}

ColumnHeader& ListView::column(int i) {
    if (i < 1 || i > columnCountOf()) throw std::out_of_range("Index out of bounds");
    return *columns_[static_cast<std::size_t>(i - 1)];
}

const ColumnHeader& ListView::column(int i) const { return const_cast<ListView*>(this)->column(i); }

ColumnHeader* ListView::findColumn(const std::string& key) {
    for (auto& c : columns_)
        if (c->key == key) return c.get();
    return nullptr;
}

int ListView::columnIndexByText(const std::string& text) const {
    for (const auto& c : columns_)
        if (c->text == text) return c->index;
    return 0;
}

void ListView::setColumnAlignment(int i, Alignment a) { column(i).alignment = a; changed(); }
void ListView::setColumnText(int i, const std::string& text) { column(i).text = text; changed(); }

ListItem& ListView::addItem(const std::string& key, const std::string& text) {
    readAllRows();
    if (!key.empty() && (byKey_.count(key) || findRow(key) > 0))
        throw std::invalid_argument("Key is not unique in collection");
    items_.push_back(std::make_unique<ListItem>(*this, key, text));
    if (!key.empty()) byKey_.emplace(key, items_.back().get());
    changed();
    return *items_.back();
}

void ListView::clearItems() {
    items_.clear();
    byKey_.clear();
    rows_.reset();
    rowItems_.clear();
    keyIndex_.clear();
    indexed_ = 0;
    selected_ = nullptr;
    changed();
}

void ListView::removeItem(int i) {
    if (i >= 1 && i <= suppliedCount()) throw std::logic_error("a supplied row cannot be removed");
    ListItem& it = item(i);
    if (selected_ == &it) selected_ = nullptr;
    byKey_.erase(it.key());
    items_.erase(items_.begin() + (i - suppliedCount() - 1));
    changed();
}

int ListView::itemCount() const {
    readAllRows();
    return shownCount();
}

int ListView::shownCount() const { return suppliedCount() + static_cast<int>(items_.size()); }

ListItem& ListView::item(int i) {
    if (i > suppliedCount() && !rowsComplete()) {
        while (i > suppliedCount() && !rows_->complete() && rows_->readMore()) {
        }
        changed();
    }
    if (i < 1 || i > shownCount()) throw std::out_of_range("Index out of bounds");
    if (i <= suppliedCount()) return rowItem(i);
    return *items_[static_cast<std::size_t>(i - suppliedCount() - 1)];
}

const ListItem& ListView::item(int i) const { return const_cast<ListView*>(this)->item(i); }

ListItem& ListView::rowItem(int i) const {
    auto& made = rowItems_[i];
    if (!made) {
        const int r = i - 1;
        auto* self = const_cast<ListView*>(this);
        made = std::make_unique<ListItem>(*self, rows_->key(r), rows_->cell(r, 1));
        made->row_ = i;
        for (int c = 2; c <= rows_->cells(); ++c) made->subItems_.push_back(rows_->cell(r, c));
        made->foreColor_ = rows_->foreColor(r);
    }
    return *made;
}

const ListItem* ListView::madeItem(int i) const {
    if (i > suppliedCount()) return items_[static_cast<std::size_t>(i - suppliedCount() - 1)].get();
    const auto found = rowItems_.find(i);
    return found == rowItems_.end() ? nullptr : found->second.get();
}

ListItem* ListView::findItem(const std::string& key) {
    if (!key.empty()) {
        const auto found = byKey_.find(key);
        if (found != byKey_.end()) return found->second;
        for (auto& [i, made] : rowItems_)
            if (made->key() == key) return made.get();
        const int row = findRow(key);
        return row > 0 ? &rowItem(row) : nullptr;
    }
    for (int i = 1; i <= itemCount(); ++i)
        if (rowKey(i).empty()) return &item(i);
    return nullptr;
}

int ListView::findRow(const std::string& key) const {
    if (!rows_) return 0;
    const std::hash<std::string> hash;
    const std::uint64_t h = hash(key);
    for (;;) {
        // Rows read since the last look are added to the index, which stays sorted.
        const int count = rows_->count();
        if (indexed_ < count) {
            const auto middle = static_cast<std::ptrdiff_t>(keyIndex_.size());
            for (int r = indexed_; r < count; ++r) keyIndex_.emplace_back(hash(rows_->key(r)), r + 1);
            std::sort(keyIndex_.begin() + middle, keyIndex_.end());
            std::inplace_merge(keyIndex_.begin(), keyIndex_.begin() + middle, keyIndex_.end());
            indexed_ = count;
        }
        auto at = std::lower_bound(keyIndex_.begin(), keyIndex_.end(), std::pair<std::uint64_t, int>{h, 0});
        for (; at != keyIndex_.end() && at->first == h; ++at)
            if (rows_->key(at->second - 1) == key) return at->second;
        if (rows_->complete()) return 0;
        readAllRows();
    }
}

void ListView::setRows(std::shared_ptr<ListRows> rows) {
    clearItems();
    rows_ = std::move(rows);
    changed();
}

bool ListView::readMoreRows() {
    if (!rows_ || rows_->complete()) return false;
    const bool more = rows_->readMore();
    changed();
    return more;
}

void ListView::readAllRows() const {
    if (!rows_ || rows_->complete()) return;
    while (!rows_->complete() && rows_->readMore()) {
    }
    changed();
}

std::string ListView::rowKey(int i) const {
    if (const ListItem* it = madeItem(i)) return it->key();
    return rows_->key(i - 1);
}

std::string ListView::rowCell(int i, int column) const {
    if (const ListItem* it = madeItem(i)) return it->cell(column);
    return column <= rows_->cells() ? rows_->cell(i - 1, column) : std::string();
}

int ListView::rowCells(int i) const {
    if (const ListItem* it = madeItem(i)) return it->subItemCount() + 1;
    return rows_->cells();
}

int ListView::rowCellColor(int i, int column) const {
    if (const ListItem* it = madeItem(i)) return it->cellForeColor(column - 1);
    return rows_->foreColor(i - 1);
}

bool ListView::rowChecked(int i) const {
    const ListItem* it = madeItem(i);
    return it && it->checked();
}

void ListView::setSelectedItem(ListItem* item) {
    if (!multiSelect_) {
        for (auto& i : items_) i->selected_ = false;
        for (auto& [row, made] : rowItems_) made->selected_ = false;
    }
    selected_ = item;
    if (item) item->selected_ = true;
    changed();
}

void ListView::clickItem(ListItem& it) {
    SetFocus();
    setSelectedItem(&it);
    if (ItemClick) ItemClick(it);
    fire(Click);
}

void ListView::checkItem(ListItem& it, bool on) {
    SetFocus();
    if (it.checked() == on) return;
    it.setChecked(on);
    if (ItemCheck) ItemCheck(it);
}

bool ListView::userItemClick(const std::string& key) {
    ListItem* it = findItem(key);
    if (!it) return false;
    clickItem(*it);
    return true;
}

bool ListView::userItemCheck(const std::string& key, bool on) {
    ListItem* it = findItem(key);
    if (!it) return false;
    checkItem(*it, on);
    return true;
}

bool ListView::userItemDblClick(const std::string& key) {
    if (!userItemClick(key)) return false;
    fire(DblClick);
    return true;
}

bool ListView::userRowClick(int i) {
    if (i < 1 || i > shownCount()) return false;
    clickItem(item(i));
    return true;
}

bool ListView::userRowCheck(int i, bool on) {
    if (i < 1 || i > shownCount()) return false;
    checkItem(item(i), on);
    return true;
}

bool ListView::userRowDblClick(int i) {
    if (!userRowClick(i)) return false;
    fire(DblClick);
    return true;
}

std::string ListView::columnKey(int index) const { return column(index + 1).key; }
int ListView::columnWidth(int index) const { return column(index + 1).width; }

void ListView::setColumnWidth(int index, int twips) {
    column(index + 1).width = twips;
    changed();
}

std::optional<Currency> listedAmount(ListView& lvw, const std::string& key, const std::string& caption) {
    const ListItem* item = lvw.findItem(key);
    const int column = lvw.columnIndexByText(caption);
    if (!item || column == 0) return std::nullopt;
    return Currency::parse(item->cell(column));
}

}  // namespace fo
