#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <vector>

#include "ui/controls/Control.h"

namespace fo {

// A combo box: entries with item data, the chosen entry (ListIndex, -1 for
// none) and the text shown. Choosing an entry, by code or by the clerk,
// fires Click; editing the text fires Change.
class FEEOFFICE_API ComboBox : public Control {
public:
    enum class Style { DropDownCombo = 0, DropDownList = 2 };  // typed text allowed, or a choice from the list only
    struct Entry {  // one entry of the list
        std::string text;  // what the entry shows
        long itemData = 0;  // the number the code keeps with it (an id)
    };

    ComboBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}  // the combo box `name` on `f`
    const char* kind() const override { return "ComboBox"; }
    Style style() const { return style_; }  // whether text may be typed
    void setStyle(Style s) { style_ = s; }  // sets whether text may be typed

    // Appends an entry, or inserts it at `position` (0-based).
    void AddItem(const std::string& text, int position = -1);
    void RemoveItem(int i);
    void Clear();
    int ListCount() const { return static_cast<int>(entries_.size()); }
    const std::string& List(int i) const { return entries_.at(static_cast<std::size_t>(i)).text; }
    long ItemData(int i) const { return entries_.at(static_cast<std::size_t>(i)).itemData; }
    void setItemData(int i, long v) { entries_.at(static_cast<std::size_t>(i)).itemData = v; }
    // The most recently added entry's index (as NewIndex).
    int NewIndex() const { return newIndex_; }
    const std::vector<Entry>& entries() const { return entries_; }

    int ListIndex() const { return listIndex_; }  // the entry chosen; -1 none
    void setListIndex(int i);  // chooses entry `i` (-1 none), as code does
    const std::string& text() const { return text_; }  // the text shown
    // Sets the shown text; the entry with exactly that text becomes chosen.
    void setText(const std::string& t);
    // The index of the first entry whose text equals `t`, -1 when none.
    int findEntry(const std::string& t) const;

    std::function<void()> Change;  // run when typed text changes

    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return text_; }

    // The clerk picks the entry whose text equals `t`; false when none does.
    bool userSelect(const std::string& t);

private:
    std::vector<Entry> entries_;
    int listIndex_ = -1, newIndex_ = -1;
    std::string text_;
    Style style_ = Style::DropDownCombo;
};

}  // namespace fo
