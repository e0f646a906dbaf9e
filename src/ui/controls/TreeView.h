#pragma once
#include "FeeOfficeApi.h"
#include <memory>
#include <string>
#include <vector>

#include "ui/controls/Control.h"

namespace fo {

class TreeView;

// The images a tree shows, by 1-based index. Headless it keeps only names.
class FEEOFFICE_API ImageList : public Control {
public:
    ImageList(Form& f, std::string name) : Control(f, std::move(name)) { setVisible(false); }  // the image list `name` on `f`; never shown itself
    const char* kind() const override { return "ImageList"; }
    void add(const std::string& imageName) { images_.push_back(imageName); changed(); }  // adds an image by name (numbered from 1)
    const std::vector<std::string>& images() const { return images_; }  // the images, in order

private:
    std::vector<std::string> images_;
};

// A node of a tree view. Image indexes are 1-based into the image list.
class FEEOFFICE_API TreeNode {
public:
    TreeNode(TreeView& owner, TreeNode* parent, std::string key, std::string text, int image, int selectedImage)
        : owner_(&owner), parent_(parent), key_(std::move(key)), text_(std::move(text)),
          image_(image), selectedImage_(selectedImage) {}  // a node of `owner` under `parent` (none: a root)
    const std::string& key() const { return key_; }  // its key: "k" and the record id
    const std::string& text() const { return text_; }  // the text shown
    void setText(const std::string& t);  // sets the text shown
    int image() const { return image_; }  // its image in the image list
    int selectedImage() const { return selectedImage_; }  // its image while selected
    TreeNode* parent() const { return parent_; }  // the node above; nullptr for a root
    const std::vector<TreeNode*>& children() const { return children_; }  // the nodes below, in order
    bool expanded() const { return expanded_; }  // whether its children show
    void setExpanded(bool v);  // shows or hides its children
    bool checked() const { return checked_; }  // whether its check box is ticked
    void setChecked(bool v);  // ticks or clears its check box
    const std::string& tag() const { return tag_; }  // text the code keeps with it
    void setTag(const std::string& t) { tag_ = t; }  // sets the text the code keeps with it
    int depth() const;  // 0 for a root, 1 below it, ...

private:
    friend class TreeView;
    TreeView* owner_;
    TreeNode* parent_;
    std::vector<TreeNode*> children_;
    std::string key_, text_, tag_;
    int image_, selectedImage_;
    bool expanded_ = false, checked_ = false;
};

// A tree view. Nodes are kept in the order they were added (the Nodes
// collection, 1-based); treeOrder() walks them parent before children.
class FEEOFFICE_API TreeView : public Control {
public:
    TreeView(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}  // the tree `name` on `f`
    const char* kind() const override { return "TreeView"; }

    // Adds a node under the node keyed `parentKey` ("" for a root); a
    // non-empty key must be unique and the parent must exist.
    TreeNode& addNode(const std::string& parentKey, const std::string& key, const std::string& text,
                      int image = 0, int selectedImage = 0);
    void clearNodes();
    int nodeCount() const { return static_cast<int>(nodes_.size()); }
    TreeNode& node(int i);  // 1-based, in order of addition
    TreeNode* findNode(const std::string& key) const;
    std::vector<TreeNode*> treeOrder() const;
    TreeNode* selectedItem() const { return selected_; }
    void setSelectedItem(TreeNode* n) { selected_ = n; changed(); }

    ImageList* imageList() const { return imageList_; }  // the images its nodes show
    void setImageList(ImageList* l) { imageList_ = l; changed(); }  // sets the images its nodes show
    bool checkboxes() const { return checkboxes_; }  // whether nodes show a check box
    void setCheckboxes(bool v) { checkboxes_ = v; changed(); }  // sets whether nodes show a check box

    std::function<void(TreeNode&)> NodeClick, NodeCheck;  // run when a node is clicked, or its box ticked or cleared

    bool userNodeClick(const std::string& key);  // as the clerk clicks the node `key`; false when none
    bool userNodeCheck(const std::string& key, bool on);  // as the clerk ticks or clears the node's box
    bool userNodeDblClick(const std::string& key);  // as the clerk double-clicks the node

    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return selected_ ? selected_->text() : std::string(); }
    void nodeChanged() const { changed(); }  // tells the observers a node changed

private:
    std::vector<std::unique_ptr<TreeNode>> nodes_;
    TreeNode* selected_ = nullptr;
    ImageList* imageList_ = nullptr;
    bool checkboxes_ = false;
};

}  // namespace fo
