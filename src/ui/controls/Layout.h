#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <utility>
#include <vector>

namespace fo {

class Control;

// How a window arranges its controls, declared once by the window for a
// binding that draws it. Positions in twips stay on the controls; the layout
// only says what sits beside, below or inside what. The headless binding
// ignores it.
struct FEEOFFICE_API LayoutItem {
    enum class Kind {  // what the item lays out
        Control,   // one control
        Row,       // children side by side
        Column,    // children one below the other
        Group,     // a captioned frame around a column of children
        Splitter,  // children separated by a bar the user drags
        Tabs,      // one page per child; a child's caption names its page
        Stretch,   // free space
        Grid,      // rows whose cells line up in columns: labels beside their fields
    };
    Kind kind = Kind::Column;  // what the item lays out
    std::string caption;  // a group's or column's caption
    Control* control = nullptr;  // the control of a Control item
    std::vector<LayoutItem> children;  // the items inside it
    bool vertical = false;  // for Splitter: children stacked top to bottom
    // The share of the room its row or column has to spare that the item
    // takes beside its siblings (0: only what its content needs). Unset
    // (-1), an item holding a list, grid or splitter takes a share of 1 and
    // anything else none.
    int weight = -1;
};

namespace layout {
inline LayoutItem ctl(Control& c) { LayoutItem i; i.kind = LayoutItem::Kind::Control; i.control = &c; return i; }
inline LayoutItem row(std::vector<LayoutItem> children) {
    LayoutItem i; i.kind = LayoutItem::Kind::Row; i.children = std::move(children); return i;
}
inline LayoutItem column(std::vector<LayoutItem> children, std::string caption = {}) {
    LayoutItem i; i.kind = LayoutItem::Kind::Column; i.children = std::move(children);
    i.caption = std::move(caption); return i;
}
inline LayoutItem group(std::string caption, std::vector<LayoutItem> children) {
    LayoutItem i; i.kind = LayoutItem::Kind::Group; i.caption = std::move(caption);
    i.children = std::move(children); return i;
}
inline LayoutItem splitter(std::vector<LayoutItem> children, bool vertical = false) {
    LayoutItem i; i.kind = LayoutItem::Kind::Splitter; i.children = std::move(children);
    i.vertical = vertical; return i;
}
inline LayoutItem tabs(std::vector<LayoutItem> pages) {
    LayoutItem i; i.kind = LayoutItem::Kind::Tabs; i.children = std::move(pages); return i;
}
inline LayoutItem stretch() { LayoutItem i; i.kind = LayoutItem::Kind::Stretch; return i; }
// `item` taking `share` of the room to spare (see LayoutItem::weight).
inline LayoutItem weighted(LayoutItem item, int share) { item.weight = share; return item; }
// Rows (each a row() of cells, or one item) drawn so that the n-th cells of
// every row start at the same place; a row's last cell takes the columns
// its row leaves over.
inline LayoutItem grid(std::vector<LayoutItem> rows) {
    LayoutItem i; i.kind = LayoutItem::Kind::Grid; i.children = std::move(rows); return i;
}
}  // namespace layout

}  // namespace fo
