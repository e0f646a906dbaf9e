#include "qt/ControlBinding.h"
#include "qt/GridBindings.h"
#include "qt/ListViewBinding.h"
#include "qt/SimpleBindings.h"
#include "qt/TextBoxBinding.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"

namespace fo::qt {

std::unique_ptr<ControlBinding> bindControl(Control& c, QWidget* parent) {
    if (auto* t = dynamic_cast<TextBox*>(&c)) return std::make_unique<TextBoxBinding>(*t, parent);
    if (auto* l = dynamic_cast<ListView*>(&c)) return std::make_unique<ListViewBinding>(*l, parent);
    if (auto b = bindGridOrTree(c, parent)) return b;
    return bindSimpleControl(c, parent);
}

}  // namespace fo::qt
