#pragma once
#include <string>

namespace fo {

class ImageList;
class ListView;
class TreeView;

// The student-category tree and the column widths of the student lists.
//
// The tree shows the categories of kdw_xslx in up to three levels under a
// root "学生类别" (key "k0"). Every node is keyed "k" & its id, and its
// image tells its level (2, 3, 4 for levels 1, 2, 3), which is how the
// student filter sorts checked nodes into lb1 / lb2 / lb conditions. Only the
// first level is restricted to what the operator may see; below a category
// he may see, he sees everything.
class kdwForm {
public:
    // The built-in operator sees every category, whatever his list says.
    static constexpr const char* kUnrestrictedUserId = "1";

    // Fills `tree` (after clearing it) from the host's read connection, sets
    // `images` as its image list, and shows levels 1 and 2 expanded when
    // `expandLevels` is true. The root is always expanded; a clerk given no
    // category sees it alone.
    void Init_tree(TreeView& tree, ImageList& images, bool expandLevels);

    // Widths of `lvw1` under ("tavro", frmName & list name, "k" & column).
    // Restoring gives 1500 to a column never saved (or saved below 1),
    // except the first column, which keeps what was saved, even 0.
    void getGridWidth(const std::string& frmName, ListView& lvw1);
    // Saving stores each width as a whole number, a negative one as 0.
    void setGridWidth(const std::string& frmName, ListView& lvw1);
};

}  // namespace fo
