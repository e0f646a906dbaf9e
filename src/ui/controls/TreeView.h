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
    ImageList(Form& f, std::string name) : Control(f, std::move(name)) { setVisible(false); }
    const char* kind() const override { return "ImageList"; }
    void add(const std::string& imageName) { images_.push_back(imageName); changed(); }
    const std::vector<std::string>& images() const { return images_; }

private:
    std::vector<std::string> images_;
};

// A node of a tree view. Image indexes are 1-based into the image list.
class FEEOFFICE_API TreeNode {
public:
    TreeNode(TreeView& owner, TreeNode* parent, std::string key, std::string text, int image, int selectedImage)
        : owner_(&owner), parent_(parent), key_(std::move(key)), text_(std::move(text)),
          image_(image), selectedImage_(selectedImage) {}
    const std::string& key() const { return key_; }
    const std::string& text() const { return text_; }
    void setText(const std::string& t);
    int image() const { return image_; }
    int selectedImage() const { return selectedImage_; }
    TreeNode* parent() const { return parent_; }
    const std::vector<TreeNode*>& children() const { return children_; }
    bool expanded() const { return expanded_; }
    void setExpanded(bool v);
    bool checked() const { return checked_; }
    void setChecked(bool v);
    const std::string& tag() const { return tag_; }
    void setTag(const std::string& t) { tag_ = t; }
    int depth() const;

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
    TreeView(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}
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

    ImageList* imageList() const { return imageList_; }
    void setImageList(ImageList* l) { imageList_ = l; changed(); }
    bool checkboxes() const { return checkboxes_; }
    void setCheckboxes(bool v) { checkboxes_ = v; changed(); }

    std::function<void(TreeNode&)> NodeClick, NodeCheck;

    bool userNodeClick(const std::string& key);
    bool userNodeCheck(const std::string& key, bool on);
    bool userNodeDblClick(const std::string& key);

    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return selected_ ? selected_->text() : std::string(); }
    void nodeChanged() const { changed(); }

private:
    std::vector<std::unique_ptr<TreeNode>> nodes_;
    TreeNode* selected_ = nullptr;
    ImageList* imageList_ = nullptr;
    bool checkboxes_ = false;
};

}  // namespace fo
