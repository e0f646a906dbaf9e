#include "ui/controls/ListView.h"

#include <algorithm>
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
    const auto& items = owner_->items_;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this) return static_cast<int>(i) + 1;
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
    if (!key.empty() && byKey_.count(key)) throw std::invalid_argument("Key is not unique in collection");
    items_.push_back(std::make_unique<ListItem>(*this, key, text));
    if (!key.empty()) byKey_.emplace(key, items_.back().get());
    changed();
    return *items_.back();
}

void ListView::clearItems() {
    items_.clear();
    byKey_.clear();
    selected_ = nullptr;
    changed();
}

void ListView::removeItem(int i) {
    ListItem& it = item(i);
    if (selected_ == &it) selected_ = nullptr;
    byKey_.erase(it.key());
    items_.erase(items_.begin() + (i - 1));
    changed();
}

ListItem& ListView::item(int i) {
    if (i < 1 || i > itemCount()) throw std::out_of_range("Index out of bounds");
    return *items_[static_cast<std::size_t>(i - 1)];
}

const ListItem& ListView::item(int i) const { return const_cast<ListView*>(this)->item(i); }

ListItem* ListView::findItem(const std::string& key) {
    if (!key.empty()) {
        const auto found = byKey_.find(key);
        return found == byKey_.end() ? nullptr : found->second;
    }
    for (auto& i : items_)
        if (i->key() == key) return i.get();
    return nullptr;
}

void ListView::setSelectedItem(ListItem* item) {
    if (!multiSelect_)
        for (auto& i : items_) i->selected_ = false;
    selected_ = item;
    if (item) item->selected_ = true;
    changed();
}

bool ListView::userItemClick(const std::string& key) {
    ListItem* it = findItem(key);
    if (!it) return false;
    SetFocus();
    setSelectedItem(it);
    if (ItemClick) ItemClick(*it);
    fire(Click);
    return true;
}

bool ListView::userItemCheck(const std::string& key, bool on) {
    ListItem* it = findItem(key);
    if (!it) return false;
    SetFocus();
    if (it->checked() == on) return true;
    it->setChecked(on);
    if (ItemCheck) ItemCheck(*it);
    return true;
}

bool ListView::userItemDblClick(const std::string& key) {
    if (!userItemClick(key)) return false;
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
