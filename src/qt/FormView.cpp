#include "qt/FormView.h"
#include "qt/EventBoundary.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "qt/Twips.h"
#include "ui/controls/DataGrid.h"
#include "ui/controls/FlexGrid.h"
#include "ui/controls/KeyCodes.h"
#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/controls/Layout.h"
#include "ui/controls/Menu.h"
#include "ui/controls/Panel.h"

namespace fo::qt {
namespace {

// The extent a layout item's controls are given in the window's own
// coordinates: the largest width (or height) among them.
int declaredExtent(const LayoutItem& item, bool vertical) {
    if (item.kind == LayoutItem::Kind::Control && item.control)
        return vertical ? item.control->height() : item.control->width();
    int extent = 0;
    for (const LayoutItem& child : item.children) extent = std::max(extent, declaredExtent(child, vertical));
    return extent;
}

// A list or grid: what a window of rows is worked on.
bool holdsRows(const Control& c) {
    return dynamic_cast<const ListView*>(&c) || dynamic_cast<const FlexGrid*>(&c) || dynamic_cast<const DataGrid*>(&c);
}

bool isHolder(const Control& c) { return dynamic_cast<const Frame*>(&c) || dynamic_cast<const PictureBox*>(&c); }

bool isArea(const Control& c) {
    const std::string k = c.kind();
    return k == "ListView" || k == "FlexGrid" || k == "DataGrid" || k == "TreeView" || k == "ListBox";
}

// How far down the rows of a list or grid reach, in twips from its top: an
// editor aimed at a row counts from the first row, scrolled into view or not.
int rowsExtent(const Control& area) {
    if (auto* l = dynamic_cast<const ListView*>(&area)) return l->headerHeight() + l->shownCount() * l->rowHeight();
    if (auto* g = dynamic_cast<const FlexGrid*>(&area)) {
        int h = 0;
        for (int r = 0; r < g->rows(); ++r) h += g->rowHeight(r);
        return h;
    }
    return 0;
}

// Whether `c` stands on `area`: inside the rectangle the window gave it, or
// (loosely) inside the room its widget has or its rows reach.
bool contains(const Control& area, const QWidget* shown, const Control& c, bool loosely) {
    int width = area.width(), height = area.height();
    if (loosely) {
        width = std::max(width, toTwips(shown->width()));
        height = std::max({height, toTwips(shown->height()), rowsExtent(area)});
    }
    return c.left() >= area.left() && c.top() >= area.top() && c.left() < area.left() + width &&
           c.top() < area.top() + height;
}

// The room a window may take on the screen it opens on (beside its owner),
// less the window manager's frame: a window never opens larger than the
// office PC's screen, whatever size it asks for.
QSize roomOnScreen(const QWidget* owner) {
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QSize frame(16, 48);  // borders and title bar, as a desktop draws them
    return screen->availableGeometry().size() - frame;
}

}  // namespace

FormView::FormView(Form& form, QWidget* parent) : QDialog(parent), form_(&form) {
    setObjectName(qs(form.name()));
    setSizeGripEnabled(true);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    content_ = new QWidget(this);
    outer->addWidget(content_, 1);

    for (Control* c : form.controls()) {
        auto b = bindControl(*c, content_);
        if (!b) continue;
        byControl_[c] = b.get();
        bindings_.push_back(std::move(b));
    }
    buildMenus();
    outer->setMenuBar(menuActions_.empty() ? nullptr : findChild<QMenuBar*>());

    const LayoutItem& root = form.layout();
    if (!root.children.empty()) {
        auto* top = new QVBoxLayout(content_);
        if (root.kind == LayoutItem::Kind::Column && root.caption.empty())
            for (const LayoutItem& child : root.children) addItem(top, child);
        else
            addItem(top, root);
    } else {
        content_->setMinimumSize(toPixels(form.scaleWidth()), toPixels(form.scaleHeight()));
    }
    // A frame the layout left out while laying out what it holds is drawn
    // by the layout's group; its own widget stays hidden.
    for (auto& b : bindings_) {
        if (laidOut_.count(&b->control()) || !isHolder(b->control())) continue;
        for (const Control* c : form.controls())
            if (c->container() == &b->control() && laidOut_.count(c)) {
                b->setRepresentedByLayout(true);
                for (QWidget* w = widgetOf(*c); w && w != content_; w = w->parentWidget())
                    if (qobject_cast<QGroupBox*>(w)) {
                        groupOf_[&b->control()] = w;
                        break;
                    }
                break;
            }
    }
    // The widgets of what a control holds follow it as it is shown, hidden,
    // enabled or greyed, as the controls themselves do.
    std::set<const Control*> holders;
    for (const Control* c : form.controls())
        if (c->container()) holders.insert(c->container());
    for (const Control* h : holders)
        if (byControl_.count(h)) {
            Control* holder = &byControl_.at(h)->control();
            holderSubscriptions_.emplace_back(*holder, [this, holder] { syncHeld(*holder); });
            syncHeld(*holder);
        }
    // Controls the layout left out stand where the window puts them.
    for (auto& b : bindings_) {
        if (laidOut_.count(&b->control())) continue;
        Control* holder = b->control().container();
        if (holder && byControl_.count(holder) && isHolder(*holder)) b->widget()->setParent(widgetOf(*holder));
        b->afterChange = [this, raw = b.get()] { place(*raw); };
    }
    for (auto& b : bindings_) {
        if (!laidOut_.count(&b->control())) continue;
        // An editor over this list or grid follows its rows as they scroll.
        b->scrolled = [this] { placeFloating(); };
        b->afterChange = [this] { if (!placing_) placeFloating(); };
    }
    placeFloating();
    for (auto& b : bindings_) b->refresh();

    formSubscription_ = Subscription<Form>(form, [this] { syncForm(); });
    QSize wanted(std::max(sizeHint().width(), toPixels(form.scaleWidth())),
                 std::max(sizeHint().height(), toPixels(form.scaleHeight())));
    // A window whose lists or grids the layout lets grow opens with the room
    // the screen has, so their columns show side by side; the form learns
    // the size it got and places what it places itself within.
    const bool rowsGrow = std::any_of(bindings_.begin(), bindings_.end(), [this](const auto& b) {
        return laidOut_.count(&b->control()) && holdsRows(b->control());
    });
    if (rowsGrow) wanted = wanted.expandedTo(roomOnScreen(parentWidget()));
    resize(fitted(wanted));
    if (rowsGrow) {
        if (layout()) layout()->activate();  // the content takes its size before it is shown
        tellSize();
    }
    syncForm();
}

FormView::~FormView() {
    bindings_.clear();
}

ControlBinding* FormView::bindingOf(const Control& c) const {
    auto it = byControl_.find(&c);
    return it == byControl_.end() ? nullptr : it->second;
}

QWidget* FormView::widgetOf(const Control& c) const {
    ControlBinding* b = bindingOf(c);
    return b ? b->widget() : nullptr;
}

QAction* FormView::actionOf(const Menu& m) const {
    auto it = menuActions_.find(const_cast<Menu*>(&m));
    return it == menuActions_.end() ? nullptr : it->second;
}

bool FormView::grows(const LayoutItem& item) const {
    if (item.kind == LayoutItem::Kind::Control) return item.control && isArea(*item.control);
    if (item.kind == LayoutItem::Kind::Splitter || item.kind == LayoutItem::Kind::Tabs) return true;
    for (const LayoutItem& child : item.children)
        if (grows(child)) return true;
    return false;
}

void FormView::addItem(QBoxLayout* into, const LayoutItem& item) {
    const int stretch = item.weight >= 0 ? item.weight : grows(item) ? 1 : 0;
    switch (item.kind) {
    case LayoutItem::Kind::Control:
        if (QWidget* w = item.control ? widgetOf(*item.control) : nullptr) {
            into->addWidget(w, stretch);
            laidOut_.insert(item.control);
        }
        return;
    case LayoutItem::Kind::Row:
    case LayoutItem::Kind::Column: {
        QBoxLayout* l = item.kind == LayoutItem::Kind::Row ? static_cast<QBoxLayout*>(new QHBoxLayout)
                                                           : static_cast<QBoxLayout*>(new QVBoxLayout);
        l->setContentsMargins(0, 0, 0, 0);
        into->addLayout(l, stretch);
        for (const LayoutItem& child : item.children) addItem(l, child);
        return;
    }
    case LayoutItem::Kind::Stretch:
        into->addStretch(1);
        return;
    case LayoutItem::Kind::Grid:
        into->addLayout(gridFor(item), stretch);
        return;
    default:
        into->addWidget(widgetFor(item), stretch);
        return;
    }
}

QGridLayout* FormView::gridFor(const LayoutItem& item) {
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    int columns = 1;
    for (const LayoutItem& r : item.children)
        if (r.kind == LayoutItem::Kind::Row) columns = std::max(columns, static_cast<int>(r.children.size()));
    for (int r = 0; r < static_cast<int>(item.children.size()); ++r) {
        const LayoutItem& line = item.children[static_cast<std::size_t>(r)];
        const std::vector<LayoutItem> one{line};
        const std::vector<LayoutItem>& cells = line.kind == LayoutItem::Kind::Row ? line.children : one;
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            const LayoutItem& cell = cells[static_cast<std::size_t>(c)];
            if (cell.kind == LayoutItem::Kind::Stretch) continue;
            const int span = c + 1 == static_cast<int>(cells.size()) ? columns - c : 1;
            grid->addWidget(widgetFor(cell), r, c, 1, span);
        }
    }
    // The fields take the width; the labels keep theirs.
    for (int c = 1; c < columns; ++c) grid->setColumnStretch(c, 1);
    return grid;
}

QWidget* FormView::widgetFor(const LayoutItem& item) {
    switch (item.kind) {
    case LayoutItem::Kind::Control:
        if (QWidget* w = item.control ? widgetOf(*item.control) : nullptr) {
            laidOut_.insert(item.control);
            return w;
        }
        return new QWidget(content_);
    case LayoutItem::Kind::Group: {
        auto* box = new QGroupBox(qs(item.caption), content_);
        auto* l = new QVBoxLayout(box);
        for (const LayoutItem& child : item.children) addItem(l, child);
        return box;
    }
    case LayoutItem::Kind::Splitter: {
        auto* split = new QSplitter(item.vertical ? Qt::Vertical : Qt::Horizontal, content_);
        split->setChildrenCollapsible(false);
        // The panes start with the sizes the window gives its controls, and
        // share a resize in the same proportion.
        QList<int> sizes;
        for (const LayoutItem& child : item.children) {
            split->addWidget(widgetFor(child));
            sizes << std::max(toPixels(declaredExtent(child, item.vertical)), 1);
        }
        split->setSizes(sizes);
        for (int i = 0; i < sizes.size(); ++i) split->setStretchFactor(i, sizes[i]);
        return split;
    }
    case LayoutItem::Kind::Tabs: {
        auto* tabs = new QTabWidget(content_);
        for (const LayoutItem& child : item.children) tabs->addTab(widgetFor(child), qs(child.caption));
        return tabs;
    }
    default: {
        auto* w = new QWidget(content_);
        auto* l = new QVBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        addItem(l, item);
        return w;
    }
    }
}

void FormView::buildMenus() {
    std::vector<Menu*> menus;
    for (Control* c : form_->controls())
        if (auto* m = dynamic_cast<Menu*>(c)) menus.push_back(m);
    if (menus.empty()) return;
    auto* bar = new QMenuBar(this);
    for (Menu* m : menus) {
        const bool hasEntries = std::any_of(menus.begin(), menus.end(), [m](Menu* x) { return x->parentMenu() == m; });
        QMenu* parentMenu = m->parentMenu() ? menus_[m->parentMenu()] : nullptr;
        QAction* action;
        if (hasEntries) {
            QMenu* sub = parentMenu ? parentMenu->addMenu(qs(m->caption())) : bar->addMenu(qs(m->caption()));
            menus_[m] = sub;
            action = sub->menuAction();
        } else if (m->caption() == "-") {
            action = parentMenu ? parentMenu->addSeparator() : bar->addSeparator();
        } else {
            action = parentMenu ? parentMenu->addAction(qs(m->caption())) : bar->addAction(qs(m->caption()));
            QObject::connect(action, &QAction::triggered, this, guarded([m] { m->userClick(); }));
        }
        menuActions_[m] = action;
        menuSubscriptions_.emplace_back(*m, [this, m] { syncMenu(*m); });
        syncMenu(*m);
    }
}

void FormView::syncMenu(Menu& m) {
    QAction* a = menuActions_.at(&m);
    if (m.caption() != "-") a->setText(qs(m.caption()));
    a->setEnabled(m.enabled());
    // A top menu kept invisible is a pop-up menu: it stays out of the bar.
    a->setVisible(m.visible());
    a->setCheckable(m.checked());
    a->setChecked(m.checked());
}

void FormView::popup(Menu& menu) {
    auto it = menus_.find(&menu);
    if (it == menus_.end()) return;
    it->second->exec(QCursor::pos());
}

void FormView::placeFloating() {
    for (auto& b : bindings_)
        if (!laidOut_.count(&b->control())) place(*b);
}

void FormView::place(ControlBinding& b) {
    if (placing_) return;
    placing_ = true;
    const Control& c = b.control();
    QWidget* w = b.widget();
    QRect r = toPixels(c.left(), c.top(), c.width(), c.height());
    if (w->parentWidget() == content_) {
        // The laid-out list, grid or control it lies on: of several, the one
        // whose corner is nearest above and left of it; the rectangles the
        // window gave first, then the room the widgets and rows take.
        // An editor held by a list or grid stands on that one.
        const Control* anchor = c.container() && laidOut_.count(c.container()) && isArea(*c.container()) ? c.container()
                                                                                                          : nullptr;
        for (bool loosely : {false, true}) {
            if (anchor) break;
            for (const Control* a : laidOut_)
                if (a != &c && contains(*a, widgetOf(*a), c, loosely) &&
                    (!anchor || std::pair(a->top(), a->left()) > std::pair(anchor->top(), anchor->left())))
                    anchor = a;
            if (anchor) break;
        }
        if (anchor) {
            ControlBinding* ab = bindingOf(*anchor);
            QRect cell = ab->editorRect(c.left() - anchor->left(), c.top() - anchor->top(), c.width(), c.height());
            if (!isArea(*anchor)) cell.setSize(r.size());
            r = QRect(ab->widget()->mapTo(content_, cell.topLeft()), cell.size());
        }
    }
    w->setGeometry(r);
    w->raise();
    placing_ = false;
}

void FormView::syncHeld(const Control& holder) {
    for (auto& b : bindings_) {
        if (&b->control() == &holder) continue;
        for (const Control* c = b->control().container(); c; c = c->container())
            if (c == &holder) {
                b->refresh();
                break;
            }
    }
    auto group = groupOf_.find(&holder);
    if (group != groupOf_.end() && group->second) {
        bool enabled = true;
        for (const Control* c = &holder; c; c = c->container()) enabled = enabled && c->enabled();
        group->second->setVisible(holder.isShown());
        group->second->setEnabled(enabled);
    }
}

void FormView::syncForm() {
    setWindowTitle(qs(form_->caption()));
    if (!resizing_ && isVisible()) {
        const QSize wanted(toPixels(form_->scaleWidth()), toPixels(form_->scaleHeight()));
        const QSize now = content_->size();
        if (std::abs(wanted.width() - now.width()) > 2 || std::abs(wanted.height() - now.height()) > 2) {
            resizing_ = true;
            resize(fitted(size() + (wanted - now)));
            resizing_ = false;
            // The screen had less room than the form asked for: the form
            // learns the size it got, so it places its controls within.
            const QSize got = content_->size();
            if (std::abs(wanted.width() - got.width()) > 2 || std::abs(wanted.height() - got.height()) > 2) tellSize();
        }
    }
    if (Control* active = form_->activeControl())
        if (QWidget* w = widgetOf(*active); w && !w->hasFocus() && w->isVisible()) w->setFocus(Qt::OtherFocusReason);
}

QSize FormView::fitted(QSize wanted) const {
    const QSize room = roomOnScreen(parentWidget());
    if (room.isEmpty()) return wanted;
    return wanted.boundedTo(room).expandedTo(minimumSizeHint().boundedTo(room));
}

void FormView::finish() {
    if (finished_) return;
    finished_ = true;
    if (isModal()) {
        done(0);
        return;
    }
    // A modeless window is deleted later; until then its widgets must not
    // reach a form that may be gone, not even with the focus events its
    // hiding sends.
    for (auto& b : bindings_) b->detach();
    hide();
}

void FormView::closeEvent(QCloseEvent* e) {
    // The close box: the form decides (its unload handler may refuse).
    if (!finished_) atEventBoundary([this] { form_->userClose(); });
    if (!finished_) e->ignore();
    else e->accept();
}

void FormView::reject() {
    // Escape reached the dialog past every control that routes keys (a tab
    // bar, a splitter had the focus): the window takes it as from its active
    // control (its cancel button, else the close box).
    if (finished_) return;
    atEventBoundary([this] {
        if (Control* active = form_->activeControl()) form_->userKey(*active, key::Escape);
        else form_->userClose();
    });
}

void FormView::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    // The clerk resized the window: the form learns its new size (and its
    // resize handler runs), unless the form asked for this size itself.
    if (!resizing_ && isVisible()) tellSize();
    placeFloating();
}

void FormView::tellSize() {
    resizing_ = true;
    atEventBoundary([this] {
        form_->resize(toTwips(content_->width()) + (form_->width() - form_->scaleWidth()),
                      toTwips(content_->height()) + (form_->height() - form_->scaleHeight()));
    });
    resizing_ = false;
}

void FormView::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Row heights and cell positions are known only now.
    for (auto& b : bindings_) b->refresh();
    placeFloating();
    syncForm();
}

}  // namespace fo::qt
