#include "qt/DesktopHands.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolTip>
#include <QTableView>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <exception>

#include "db/values/DateTime.h"
#include "qt/DesktopUi.h"
#include "qt/EventBoundary.h"
#include "qt/FormView.h"
#include "qt/bindings/ColumnFit.h"
#include "ui/Form.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DataGrid.h"
#include "ui/controls/DatePicker.h"
#include "ui/controls/FlexGrid.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/ListView.h"
#include "ui/controls/Menu.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/TextBox.h"
#include "ui/controls/TreeView.h"
#include "ui/lists/Utf8Text.h"

namespace fo::qt {
namespace {

std::string nameOf(const QWidget* w) {
    const std::string name = w->objectName().toStdString();
    return name.empty() ? w->metaObject()->className() : name;
}

// The part of `area` (in `w`'s pixels) left once every widget it lies in
// has cut it to its own rectangle, and the screen to its own, in `w`'s pixels.
QRect seenPart(const QWidget* w, QRect area) {
    QRect seen = area & w->rect();
    QPoint offset;  // of w within the widget reached so far
    for (const QWidget* p = w; p && !p->isWindow(); p = p->parentWidget()) {
        offset += p->pos();
        const QWidget* parent = p->parentWidget();
        if (!parent) break;
        seen &= parent->rect().translated(-offset);
    }
    if (const QScreen* screen = w->screen()) {
        const QRect onScreen = screen->geometry().translated(-w->mapToGlobal(QPoint(0, 0)));
        seen &= onScreen;
    }
    return seen;
}

void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A press and release of the left button at `at`; twice as a double click.
void mouseClick(QWidget* w, QPoint at, bool twice = false) {
    QPointer<QWidget> alive(w);
    sendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    if (alive) sendMouse(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
    if (!twice) return;
    if (alive) sendMouse(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    if (alive) sendMouse(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void keyClick(QWidget* w, int qtKey, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QPointer<QWidget> alive(w);
    QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
    if (alive) QApplication::sendEvent(w, &release);
}

int qtKeyOf(int code) {
    switch (code) {
    case key::Enter: return Qt::Key_Return;
    case key::Tab: return Qt::Key_Tab;
    case key::Up: return Qt::Key_Up;
    case key::Down: return Qt::Key_Down;
    case key::Left: return Qt::Key_Left;
    case key::Right: return Qt::Key_Right;
    case key::Escape: return Qt::Key_Escape;
    case key::Backspace: return Qt::Key_Backspace;
    default: return 0;
    }
}

// The key a character is typed with on a Chinese office keyboard; an input
// method's characters come without one.
int qtKeyOfChar(int cp) {
    if (cp >= 'a' && cp <= 'z') return Qt::Key_A + (cp - 'a');
    if (cp >= 'A' && cp <= 'Z') return Qt::Key_A + (cp - 'A');
    if (cp >= '0' && cp <= '9') return Qt::Key_0 + (cp - '0');
    if (cp >= 0x20 && cp < 0x7F) return cp;  // Qt's codes for the ASCII marks are their own
    return Qt::Key_unknown;
}

// The row's first cell the view draws (a column may be hidden, zero wide).
QModelIndex shownCell(QAbstractItemView* view, int row) {
    const QAbstractItemModel* model = view->model();
    for (int c = 0; c < model->columnCount(); ++c) {
        const QModelIndex index = model->index(row, c);
        if (!view->visualRect(index).isEmpty()) return index;
    }
    return model->index(row, 0);
}

}  // namespace

void DesktopHands::settle() { ui_.settle(); }

std::vector<std::string> DesktopHands::cutColumns(Control& c) {
    ui_.settle();  // the columns are sized at the turn of the loop after a fill
    QWidget* w = reachable(c);
    if (auto* tree = qobject_cast<QTreeView*>(w)) return qt::cutColumns(*tree, *tree->header(), kRowsMeasured);
    if (auto* table = qobject_cast<QTableView*>(w)) return qt::cutColumns(*table, *table->horizontalHeader(), kRowsMeasured);
    throw ClerkCannot{"'" + c.name() + "' has no columns at the desktop"};
}

std::vector<std::string> DesktopHands::unreadableCells(Control& c, int column) {
    ui_.settle();
    auto* view = qobject_cast<QAbstractItemView*>(reachable(c));
    auto* tree = qobject_cast<QTreeView*>(view);
    auto* table = qobject_cast<QTableView*>(view);
    if (!tree && !table) throw ClerkCannot{"'" + c.name() + "' has no columns at the desktop"};
    std::vector<std::string> unread;
    bool cut = false;
    const QAbstractItemModel* model = view->model();
    for (int r = 0; r < std::min(model->rowCount(), kRowsMeasured); ++r) {
        const QModelIndex index = model->index(r, column);
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty()) continue;
        view->scrollTo(index);
        ui_.settle();
        const QRect cell = view->visualRect(index);
        if (cell.width() >= view->sizeHintForIndex(index).width() && view->viewport()->rect().contains(cell)) continue;
        cut = true;
        // The mouse rests on it: the tip must hold the whole text.
        const QPoint at = cell.intersected(view->viewport()->rect()).center();
        QHelpEvent tip(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &tip);
        if (!QToolTip::isVisible() || QToolTip::text() != text) unread.push_back("row " + std::to_string(r + 1));
        QToolTip::hideText();
    }
    if (cut)
        for (const std::string& heading : roomyColumns(*view, tree ? *tree->header() : *table->horizontalHeader(),
                                                       kRowsMeasured, column))
            unread.push_back("room in " + heading);
    return unread;
}

std::string DesktopHands::offCell(Control& editor, ListView& l, int row, int column) {
    ui_.settle();
    auto* view = qobject_cast<QTreeView*>(reachable(l));
    if (!view) throw ClerkCannot{"'" + l.name() + "' is no list at the desktop"};
    const FormView* window = ui_.viewOf(editor.form());
    const QWidget* shown = window ? window->widgetOf(editor) : nullptr;
    if (!shown || !shown->isVisible()) return "not shown at the desktop";
    const auto onScreen = [](const QWidget* w, const QRect& r) { return QRect(w->mapToGlobal(r.topLeft()), r.size()); };
    const QRect at = onScreen(shown, shown->rect());
    const QRect cell = onScreen(view->viewport(), view->visualRect(view->model()->index(row - 1, column - 1)));
    if (!cell.contains(at)) return "off the cell as drawn";
    if (!onScreen(view->viewport(), view->viewport()->rect()).contains(at)) return "outside what the list shows";
    if (!shown->screen() || !shown->screen()->geometry().contains(at)) return "off the screen";
    return {};
}

void DesktopHands::deliver(const std::function<void()>& input) {
    input();
    ui_.settle();
    if (std::exception_ptr e = takeDriverException()) std::rethrow_exception(e);
}

QWidget* DesktopHands::reachable(const Control& c) const {
    FormView* view = ui_.viewOf(c.form());
    if (!view) throw ClerkCannot{"the window " + c.form().name() + " of '" + c.name() + "' is not on the desktop"};
    QWidget* w = view->widgetOf(c);
    if (!w) throw ClerkCannot{"'" + c.name() + "' has no widget at the desktop"};
    if (!w->isVisible()) showPageOf(w);
    if (!w->isVisible()) {
        const QWidget* hidden = w;
        for (const QWidget* p = w; p; p = p->parentWidget())
            if (p->isHidden()) hidden = p;
        throw ClerkCannot{"'" + c.name() + "' is not shown at the desktop" +
                          (hidden == w ? std::string() : " (" + nameOf(hidden) + " hides it)")};
    }
    if (!w->isEnabled()) throw ClerkCannot{"'" + c.name() + "' is greyed out at the desktop"};
    aimAt(w, w->rect(), "'" + c.name() + "'");
    return w;
}

// A control on a page of a tabbed window that is not the current one: the
// clerk clicks the page's tab first, as he must to see it.
void DesktopHands::showPageOf(QWidget* w) const {
    for (QWidget* p = w; p && p->parentWidget(); p = p->parentWidget()) {
        auto* tabs = qobject_cast<QTabWidget*>(p->parentWidget()->parentWidget());
        if (!tabs || !tabs->isVisible()) continue;
        const int page = tabs->indexOf(p);
        if (page < 0 || page == tabs->currentIndex()) continue;
        QTabBar* bar = tabs->tabBar();
        const QPoint at = aimAt(bar, bar->tabRect(page), "the page '" + tabs->tabText(page).toStdString() + "'");
        mouseClick(bar, at);
        ui_.settle();
    }
}

QPoint DesktopHands::aimAt(const QWidget* w, const QRect& area, const std::string& what) const {
    const QRect seen = seenPart(w, area);
    const QPoint middle = area.center();
    if (area.isEmpty() || !seen.contains(middle)) {
        const QPoint at = w->mapTo(w->window(), area.topLeft());
        throw ClerkCannot{what + " lies outside what the window " + nameOf(w->window()) + " shows (" +
                          std::to_string(area.width()) + "x" + std::to_string(area.height()) + " at " +
                          std::to_string(at.x()) + "," + std::to_string(at.y()) + " of a window " +
                          std::to_string(w->window()->width()) + "x" + std::to_string(w->window()->height()) + ")"};
    }
    return middle;
}

QWidget* DesktopHands::focused(const Control& c) {
    QWidget* w = reachable(c);
    if (!w->hasFocus()) {
        w->setFocus(Qt::MouseFocusReason);
        ui_.settle();
        if (std::exception_ptr e = takeDriverException()) std::rethrow_exception(e);
    }
    QWidget* f = QApplication::focusWidget();
    return f && (f == w || w->isAncestorOf(f)) ? f : w;
}

void DesktopHands::click(Control& c) {
    if (auto* m = dynamic_cast<Menu*>(&c)) {
        FormView* view = ui_.viewOf(c.form());
        QAction* a = view ? view->actionOf(*m) : nullptr;
        if (!a) throw ClerkCannot{"menu entry '" + c.name() + "' is not on the desktop"};
        if (!a->isEnabled()) throw ClerkCannot{"menu entry '" + c.name() + "' is greyed out at the desktop"};
        deliver([a] { a->trigger(); });
        return;
    }
    QWidget* w = reachable(c);
    QPoint at = aimAt(w, w->rect(), "'" + c.name() + "'");
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
        // A check box or option button takes a click on its box or its caption.
        const int box = w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w);
        at = QPoint(std::min(box / 2 + 1, w->width() / 2), w->height() / 2);
    }
    deliver([&] { mouseClick(w, at); });
}

void DesktopHands::setText(TextBox& t, const std::string& text) {
    QWidget* w = focused(t);
    auto* line = qobject_cast<QLineEdit*>(w);
    auto* plain = qobject_cast<QPlainTextEdit*>(w);
    if (!line && !plain) throw ClerkCannot{"'" + t.name() + "' takes no text at the desktop"};
    // Everything selected, then the new text pasted over it (or deleted).
    if (line) line->selectAll();
    else plain->selectAll();
    if (text.empty()) {
        deliver([&] { keyClick(w, Qt::Key_Delete); });
        return;
    }
    QString shown = QString::fromStdString(text);
    if (plain) shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QGuiApplication::clipboard()->setText(shown);
    deliver([&] { keyClick(w, Qt::Key_V, {}, Qt::ControlModifier); });
}

void DesktopHands::typeText(Control& c, const std::string& text) {
    QPointer<QWidget> w = focused(c);
    utf8::forEachCodePoint(text, [&](int cp) {
        if (!w) return;
        if (cp == '\n') {
            deliver([&] { keyClick(w, Qt::Key_Return); });
            return;
        }
        const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
        deliver([&] { keyClick(w, qtKeyOfChar(cp), ch); });
        // The key may have moved the focus on (Enter to Tab): the clerk
        // goes on typing where the focus went.
        if (QWidget* f = QApplication::focusWidget(); f && f != w && f->window() == w->window()) w = f;
    });
}

void DesktopHands::pressKey(Control& c, int keyCode) {
    QWidget* w = focused(c);
    const int k = qtKeyOf(keyCode);
    if (!k) throw ClerkCannot{"no key for code " + std::to_string(keyCode)};
    const QString text = k == Qt::Key_Return ? QStringLiteral("\r") : k == Qt::Key_Escape ? QString(QChar(27))
                         : k == Qt::Key_Backspace ? QString(QChar(8)) : k == Qt::Key_Tab ? QStringLiteral("\t") : QString();
    deliver([&] { keyClick(w, k, text); });
}

void DesktopHands::setCheck(CheckBox& c, int value) {
    QWidget* w = reachable(c);
    auto* box = qobject_cast<QCheckBox*>(w);
    if (!box) throw ClerkCannot{"'" + c.name() + "' is no check box at the desktop"};
    if ((box->checkState() == Qt::Checked) == (value == 1) && c.value() == value) return;
    click(c);
}

void DesktopHands::pickDate(DatePicker& d, const DateTime& date) {
    auto* edit = qobject_cast<QDateEdit*>(reachable(d));
    if (!edit) throw ClerkCannot{"'" + d.name() + "' is no date picker at the desktop"};
    const QDate wanted(date.year, date.month, date.day);
    if (edit->date() == wanted) {
        // The same day picked again from the calendar: only its close-up tells.
        deliver([&] { atEventBoundary([&] { d.userPick(date); }); });
        return;
    }
    deliver([&] { edit->setDate(wanted); });
    if (edit->date() != wanted) throw ClerkCannot{"'" + d.name() + "' does not take the day " + date.dateText()};
}

bool DesktopHands::chooseEntry(ComboBox& c, const std::string& text) {
    auto* combo = qobject_cast<QComboBox*>(reachable(c));
    if (!combo) throw ClerkCannot{"'" + c.name() + "' is no combo box at the desktop"};
    const int i = combo->findText(QString::fromStdString(text), Qt::MatchExactly);
    if (i < 0) {
        if (c.ListCount() > 0 && std::any_of(c.entries().begin(), c.entries().end(),
                                             [&](const auto& e) { return e.text == text; }))
            throw ClerkCannot{"'" + c.name() + "' does not offer '" + text + "' at the desktop"};
        return false;
    }
    // The clerk drops the list down and takes the entry with Enter.
    combo->showPopup();
    ui_.settle();
    QAbstractItemView* list = combo->view();
    if (!list->isVisible()) throw ClerkCannot{"'" + c.name() + "' does not drop its list down at the desktop"};
    list->setCurrentIndex(combo->model()->index(i, combo->modelColumn()));
    deliver([&] { keyClick(list, Qt::Key_Return, QStringLiteral("\r")); });
    if (combo->view()->isVisible()) combo->hidePopup();
    return true;
}

bool DesktopHands::selectEntry(ListBox& l, const std::string& text, bool on) {
    auto* list = qobject_cast<QListWidget*>(reachable(l));
    if (!list) throw ClerkCannot{"'" + l.name() + "' is no list box at the desktop"};
    const auto found = list->findItems(QString::fromStdString(text), Qt::MatchExactly);
    if (found.isEmpty()) {
        for (int i = 0; i < l.ListCount(); ++i)
            if (l.List(i) == text) throw ClerkCannot{"'" + l.name() + "' does not show '" + text + "' at the desktop"};
        return false;
    }
    QListWidgetItem* item = found.first();
    list->scrollToItem(item);
    ui_.settle();
    if (item->isSelected() == on) return true;
    const QPoint at = aimAt(list->viewport(), list->visualItemRect(item), "entry '" + text + "' of '" + l.name() + "'");
    deliver([&] { mouseClick(list->viewport(), at); });
    return true;
}

bool DesktopHands::listItem(ListView& l, const std::string& key, ItemAction a) {
    auto* view = qobject_cast<QTreeView*>(reachable(l));
    if (!view) throw ClerkCannot{"'" + l.name() + "' is no list at the desktop"};
    int row = 0;
    for (int r = 1; r <= l.itemCount() && !row; ++r)
        if (l.rowKey(r) == key) row = r;
    if (!row) return false;
    // A row not read yet comes as the clerk scrolls down to it.
    for (int guard = 0; guard < 10000 && l.shownCount() < row && !l.rowsComplete(); ++guard) {
        view->scrollToBottom();
        ui_.settle();
    }
    const QModelIndex index = view->model()->index(row - 1, 0);
    if (!index.isValid()) throw ClerkCannot{"item '" + key + "' of '" + l.name() + "' is not in its list at the desktop"};
    view->scrollTo(index);
    ui_.settle();
    const std::string what = "item '" + key + "' of '" + l.name() + "'";
    const QPoint at = aimAt(view->viewport(), view->visualRect(shownCell(view, row - 1)), what);
    switch (a) {
    case ItemAction::Click: deliver([&] { mouseClick(view->viewport(), at); }); break;
    case ItemAction::DblClick: deliver([&] { mouseClick(view->viewport(), at, true); }); break;
    case ItemAction::Check:
    case ItemAction::Uncheck:
        if (!(view->model()->flags(index) & Qt::ItemIsUserCheckable))
            throw ClerkCannot{what + " has no check box at the desktop"};
        // What the row's check box does when clicked.
        deliver([&] {
            view->model()->setData(index, a == ItemAction::Check ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
        });
        break;
    }
    return true;
}

bool DesktopHands::listCell(ListView& l, int row, int column) {
    if (row < 1 || row > l.itemCount() || column < 1 || column > l.columnCountOf()) return false;
    auto* view = qobject_cast<QTreeView*>(reachable(l));
    if (!view) throw ClerkCannot{"'" + l.name() + "' is no list at the desktop"};
    ui_.settle();
    const QModelIndex index = view->model()->index(row - 1, column - 1);
    view->scrollTo(index);
    ui_.settle();
    const std::string what = "cell " + std::to_string(row) + "," + std::to_string(column) + " of '" + l.name() + "'";
    const QPoint at = aimAt(view->viewport(), view->visualRect(index), what);
    deliver([&] { mouseClick(view->viewport(), at); });
    return true;
}

bool DesktopHands::treeNode(TreeView& t, const std::string& key, ItemAction a) {
    auto* tree = qobject_cast<QTreeWidget*>(reachable(t));
    if (!tree) throw ClerkCannot{"'" + t.name() + "' is no tree at the desktop"};
    QTreeWidgetItem* item = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it && !item; ++it)
        if ((*it)->data(0, Qt::UserRole).toString().toStdString() == key) item = *it;
    if (!item) {
        if (t.findNode(key)) throw ClerkCannot{"node '" + key + "' of '" + t.name() + "' is not in its tree at the desktop"};
        return false;
    }
    tree->scrollToItem(item);
    ui_.settle();
    const std::string what = "node '" + key + "' of '" + t.name() + "'";
    const QPoint at = aimAt(tree->viewport(), tree->visualItemRect(item), what);
    switch (a) {
    case ItemAction::Click: deliver([&] { mouseClick(tree->viewport(), at); }); break;
    case ItemAction::DblClick: deliver([&] { mouseClick(tree->viewport(), at, true); }); break;
    case ItemAction::Check:
    case ItemAction::Uncheck:
        if (!(item->flags() & Qt::ItemIsUserCheckable)) throw ClerkCannot{what + " has no check box at the desktop"};
        deliver([&] { item->setCheckState(0, a == ItemAction::Check ? Qt::Checked : Qt::Unchecked); });
        break;
    }
    return true;
}

bool DesktopHands::gridCell(FlexGrid& g, int row, int col) {
    auto* view = qobject_cast<QTableView*>(reachable(g));
    if (!view) throw ClerkCannot{"'" + g.name() + "' is no grid at the desktop"};
    if (row < 0 || col < 0 || row >= g.rows() || col >= g.cols()) return false;
    const int headerRows = g.fixedRows() > 0 ? 1 : 0;
    const std::string what = "cell " + std::to_string(row) + "," + std::to_string(col) + " of '" + g.name() + "'";
    if (row < headerRows) throw ClerkCannot{what + " is the grid's header"};
    const QModelIndex index = view->model()->index(row - headerRows, col);
    if (view->isColumnHidden(col)) throw ClerkCannot{what + " is in a hidden column"};
    view->scrollTo(index);
    ui_.settle();
    const QPoint at = aimAt(view->viewport(), view->visualRect(index), what);
    deliver([&] { mouseClick(view->viewport(), at); });
    return true;
}

bool DesktopHands::dataGridRow(DataGrid& g, int record) {
    auto* view = qobject_cast<QTableView*>(reachable(g));
    if (!view) throw ClerkCannot{"'" + g.name() + "' is no grid at the desktop"};
    if (record < 0 || record >= g.rowCount()) return false;
    view->scrollTo(view->model()->index(record, 0));
    ui_.settle();
    const QModelIndex index = shownCell(view, record);
    const QPoint at = aimAt(view->viewport(), view->visualRect(index),
                            "record " + std::to_string(record + 1) + " of '" + g.name() + "'");
    deliver([&] { mouseClick(view->viewport(), at); });
    return true;
}

}  // namespace fo::qt
