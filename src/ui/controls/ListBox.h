#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <vector>

#include "ui/controls/Control.h"

namespace fo {

// A list box, single or multi-select, with item data per entry.
class FEEOFFICE_API ListBox : public Control {
public:
    struct Entry {
        std::string text;
        long itemData = 0;
        bool selected = false;
    };

    ListBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}
    const char* kind() const override { return "ListBox"; }
    bool multiSelect() const { return multiSelect_; }
    void setMultiSelect(bool v) { multiSelect_ = v; }

    void AddItem(const std::string& text);
    void Clear();
    int ListCount() const { return static_cast<int>(entries_.size()); }
    int NewIndex() const { return ListCount() - 1; }
    const std::string& List(int i) const { return at(i).text; }
    long ItemData(int i) const { return at(i).itemData; }
    void setItemData(int i, long v) { entries_.at(static_cast<std::size_t>(i)).itemData = v; }
    bool Selected(int i) const { return at(i).selected; }
    // Outside multi-select, selecting one entry clears the others.
    void setSelected(int i, bool on);
    int ListIndex() const { return listIndex_; }
    int SelCount() const;
    int findEntry(const std::string& t) const;
    const std::vector<Entry>& entries() const { return entries_; }

    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return listIndex_ < 0 ? std::string() : List(listIndex_); }

    // The clerk selects or deselects the entry with text `t`; Click fires.
    bool userSelect(const std::string& t, bool on);

private:
    const Entry& at(int i) const { return entries_.at(static_cast<std::size_t>(i)); }
    std::vector<Entry> entries_;
    int listIndex_ = -1;
    bool multiSelect_ = true;
};

}  // namespace fo
