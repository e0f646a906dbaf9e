#include "ui/controls/TreeView.h"

#include <functional>
#include <stdexcept>

namespace fo {

void TreeNode::setText(const std::string& t) { text_ = t; owner_->nodeChanged(); }
void TreeNode::setExpanded(bool v) { expanded_ = v; owner_->nodeChanged(); }
void TreeNode::setChecked(bool v) { checked_ = v; owner_->nodeChanged(); }

int TreeNode::depth() const {
    int d = 0;
    for (const TreeNode* p = parent_; p; p = p->parent_) ++d;
    return d;
}

TreeNode& TreeView::addNode(const std::string& parentKey, const std::string& key, const std::string& text,
                            int image, int selectedImage) {
    TreeNode* parent = nullptr;
    if (!parentKey.empty()) {
        parent = findNode(parentKey);
        if (!parent) throw std::invalid_argument("Element not found");
    }
    if (!key.empty() && findNode(key)) throw std::invalid_argument("Key is not unique in collection");
    nodes_.push_back(std::make_unique<TreeNode>(*this, parent, key, text, image, selectedImage));
    TreeNode* n = nodes_.back().get();
    if (parent) parent->children_.push_back(n);
    changed();
    return *n;
}

void TreeView::clearNodes() {
    nodes_.clear();
    selected_ = nullptr;
    changed();
}

TreeNode& TreeView::node(int i) {
    if (i < 1 || i > nodeCount()) throw std::out_of_range("Index out of bounds");
    return *nodes_[static_cast<std::size_t>(i - 1)];
}

TreeNode* TreeView::findNode(const std::string& key) const {
    for (const auto& n : nodes_)
        if (n->key() == key) return n.get();
    return nullptr;
}

std::vector<TreeNode*> TreeView::treeOrder() const {
    std::vector<TreeNode*> out;
    std::function<void(TreeNode*)> walk = [&](TreeNode* n) {
        out.push_back(n);
        for (TreeNode* c : n->children()) walk(c);
    };
    for (const auto& n : nodes_)
        if (!n->parent()) walk(n.get());
    return out;
}

bool TreeView::userNodeClick(const std::string& key) {
    TreeNode* n = findNode(key);
    if (!n) return false;
    SetFocus();
    setSelectedItem(n);
    if (NodeClick) NodeClick(*n);
    return true;
}

bool TreeView::userNodeCheck(const std::string& key, bool on) {
    TreeNode* n = findNode(key);
    if (!n) return false;
    SetFocus();
    if (n->checked() == on) return true;
    n->setChecked(on);
    if (NodeCheck) NodeCheck(*n);
    return true;
}

bool TreeView::userNodeDblClick(const std::string& key) {
    if (!userNodeClick(key)) return false;
    fire(DblClick);
    return true;
}

}  // namespace fo
