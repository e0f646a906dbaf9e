#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <vector>

#include "ui/controls/Control.h"

namespace fo {

// A list box, single or multi-select, with item data per entry.
class FEEOFFICE_API ListBox : public Control {
public:
    struct Entry {  // one entry of the list
        std::string text;  // what the entry shows
        long itemData = 0;  // the number the code keeps with it (an id)
        bool selected = false;  // whether it is selected
    };

    ListBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}  // the list box `name` on `f`
    const char* kind() const override { return "ListBox"; }
    bool multiSelect() const { return multiSelect_; }  // whether several entries may be selected
    void setMultiSelect(bool v) { multiSelect_ = v; }  // sets whether several entries may be selected

    void AddItem(const std::string& text);  // adds an entry at the end
    void Clear();  // removes every entry
    int ListCount() const { return static_cast<int>(entries_.size()); }  // how many entries
    int NewIndex() const { return ListCount() - 1; }  // the index of the entry added last
    const std::string& List(int i) const { return at(i).text; }  // entry i's text
    long ItemData(int i) const { return at(i).itemData; }  // entry i's number
    void setItemData(int i, long v) { entries_.at(static_cast<std::size_t>(i)).itemData = v; }  // sets entry i's number
    bool Selected(int i) const { return at(i).selected; }  // whether entry i is selected
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
