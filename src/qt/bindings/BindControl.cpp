#include "qt/bindings/ControlBinding.h"
#include "qt/bindings/GridBindings.h"
#include "qt/bindings/ListViewBinding.h"
#include "qt/bindings/SimpleBindings.h"
#include "qt/bindings/TextBoxBinding.h"
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
