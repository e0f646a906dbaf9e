#include "ui/controls/ListBox.h"

namespace fo {

void ListBox::AddItem(const std::string& text) {
    entries_.push_back(Entry{text, 0, false});
    changed();
}

void ListBox::Clear() {
    entries_.clear();
    listIndex_ = -1;
    changed();
}

void ListBox::setSelected(int i, bool on) {
    auto& e = entries_.at(static_cast<std::size_t>(i));
    if (on && !multiSelect_)
        for (auto& other : entries_) other.selected = false;
    e.selected = on;
    listIndex_ = i;
    changed();
}

int ListBox::SelCount() const {
    int n = 0;
    for (const auto& e : entries_) n += e.selected ? 1 : 0;
    return n;
}

int ListBox::findEntry(const std::string& t) const {
    for (int i = 0; i < ListCount(); ++i)
        if (List(i) == t) return i;
    return -1;
}

bool ListBox::userSelect(const std::string& t, bool on) {
    const int i = findEntry(t);
    if (i < 0) return false;
    SetFocus();
    setSelected(i, on);
    fire(Click);
    return true;
}

}  // namespace fo
