#pragma once
#include <QDialog>
#include <QPointer>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "qt/bindings/ControlBinding.h"
#include "qt/bindings/Subscription.h"

class QAction;
class QBoxLayout;
class QGridLayout;
class QMenu;

namespace fo {
class Form;
class Menu;
struct LayoutItem;
}  // namespace fo

namespace fo::qt {

// The window of one Form: a dialog whose widgets are made from the form's
// controls and arranged by the layout the form declares. Controls the
// layout leaves out stand where the window puts them in twips: inside their
// frame, or over the list or grid that holds them or they lie on (an
// in-place editor stands over the cell it edits, as the view shows that
// cell now), or at their place in the window. A form without a layout is
// drawn entirely that way. The menu bar holds the form's visible top menus;
// invisible ones are its pop-up menus.
class FormView final : public QDialog {
public:
    FormView(Form& form, QWidget* parent);
    ~FormView() override;

    Form& form() const { return *form_; }
    ControlBinding* bindingOf(const Control& c) const;
    QWidget* widgetOf(const Control& c) const;
    // The menu bar's or a pop-up menu's entry for `m`; nullptr when none.
    QAction* actionOf(const Menu& m) const;
    // Shows the pop-up menu `menu` at the mouse; its handlers run before this returns.
    void popup(Menu& menu);
    // Ends the window's event loop or hides it; called once the form closed.
    void finish();

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void addItem(QBoxLayout* into, const LayoutItem& item);
    QWidget* widgetFor(const LayoutItem& item);
    QGridLayout* gridFor(const LayoutItem& item);
    bool grows(const LayoutItem& item) const;
    void buildMenus();
    void syncMenu(Menu& m);
    void placeFloating();
    void place(ControlBinding& b);
    void syncForm();
    // A control that holds others changed: what it holds shows and greys
    // with it, and so does the layout's group drawn for it.
    void syncHeld(const Control& holder);
    // Tells the form the size its window has now (its resize handler runs).
    void tellSize();
    // `wanted` cut to the room the screen has for a window.
    QSize fitted(QSize wanted) const;

    Form* form_;
    QWidget* content_ = nullptr;
    std::vector<std::unique_ptr<ControlBinding>> bindings_;
    std::map<const Control*, ControlBinding*> byControl_;
    std::set<const Control*> laidOut_;
    std::map<Menu*, QAction*> menuActions_;
    std::map<Menu*, QMenu*> menus_;
    std::vector<Subscription<Control>> menuSubscriptions_;
    Subscription<Form> formSubscription_;
    std::vector<Subscription<Control>> holderSubscriptions_;
    std::map<const Control*, QPointer<QWidget>> groupOf_;  // a holder the layout draws, and its group
    bool finished_ = false, placing_ = false, resizing_ = false;
};

}  // namespace fo::qt
