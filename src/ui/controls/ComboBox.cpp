#include "ui/controls/ComboBox.h"

#include <stdexcept>

namespace fo {

void ComboBox::AddItem(const std::string& text, int position) {
    if (position < 0 || position > ListCount()) position = ListCount();
    entries_.insert(entries_.begin() + position, Entry{text, 0});
    if (listIndex_ >= position) ++listIndex_;
    newIndex_ = position;
    changed();
}

void ComboBox::RemoveItem(int i) {
    if (i < 0 || i >= ListCount()) throw std::out_of_range("Invalid argument");
    entries_.erase(entries_.begin() + i);
    if (listIndex_ == i) { listIndex_ = -1; text_.clear(); }
    else if (listIndex_ > i) --listIndex_;
    changed();
}

void ComboBox::Clear() {
    entries_.clear();
    listIndex_ = newIndex_ = -1;
    text_.clear();
    changed();
}

void ComboBox::setListIndex(int i) {
    if (i < -1 || i >= ListCount()) throw std::out_of_range("Invalid property value");
    if (i == listIndex_) return;
    listIndex_ = i;
    text_ = i < 0 ? std::string() : entries_[static_cast<std::size_t>(i)].text;
    changed();
    fire(Click);
}

int ComboBox::findEntry(const std::string& t) const {
    for (int i = 0; i < ListCount(); ++i)
        if (entries_[static_cast<std::size_t>(i)].text == t) return i;
    return -1;
}

void ComboBox::setText(const std::string& t) {
    const int i = findEntry(t);
    if (t == text_ && i == listIndex_) return;
    text_ = t;
    listIndex_ = i;
    changed();
    fire(Change);
}

bool ComboBox::userSelect(const std::string& t) {
    const int i = findEntry(t);
    if (i < 0) return false;
    SetFocus();
    if (i == listIndex_) fire(Click);
    else setListIndex(i);
    return true;
}

}  // namespace fo
