// Controls that offer entries or values to choose from: combo boxes, list
// boxes, date pickers and tab strips.
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>

#include "qt/bindings/ControlBinding.h"
#include "qt/EventBoundary.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DatePicker.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/Panel.h"

namespace fo::qt {
namespace {

class ComboBinding final : public ControlBinding {
public:
    ComboBinding(ComboBox& c, QWidget* parent) : ControlBinding(c, new QComboBox(parent)), c_(c) {
        auto* w = static_cast<QComboBox*>(widget());
        w->setInsertPolicy(QComboBox::NoInsert);
        routeKeys(*this, w);
        QObject::connect(w, &QComboBox::activated, w, guarded([this](int i) {
            if (i >= 0 && i < c_.ListCount()) {
                c_.SetFocus();
                if (i == c_.ListIndex()) c_.userSelect(c_.List(i));
                else c_.setListIndex(i);
            }
            refresh();
        }));
        refresh();
    }

protected:
    void sync() override {
        auto* w = static_cast<QComboBox*>(widget());
        const bool editable = c_.style() == ComboBox::Style::DropDownCombo;
        if (w->isEditable() != editable) {
            w->setEditable(editable);
            if (editable)
                QObject::connect(w->lineEdit(), &QLineEdit::textEdited, w, guarded([this](const QString& t) {
                    c_.setText(ss(t));
                }));
        }
        bool same = w->count() == c_.ListCount();
        for (int i = 0; same && i < w->count(); ++i) same = w->itemText(i) == qs(c_.List(i));
        if (!same) {
            w->clear();
            for (const auto& e : c_.entries()) w->addItem(qs(e.text));
        }
        w->setCurrentIndex(c_.ListIndex());
        if (editable && w->currentText() != qs(c_.text())) w->setEditText(qs(c_.text()));
    }

private:
    ComboBox& c_;
};

class ListBoxBinding final : public ControlBinding {
public:
    ListBoxBinding(ListBox& l, QWidget* parent) : ControlBinding(l, new QListWidget(parent)), l_(l) {
        auto* w = static_cast<QListWidget*>(widget());
        routeKeys(*this, w);
        QObject::connect(w, &QListWidget::itemClicked, w, guarded([this](QListWidgetItem* item) {
            l_.userSelect(ss(item->text()), item->isSelected());
            refresh();
        }));
        refresh();
    }

protected:
    void sync() override {
        auto* w = static_cast<QListWidget*>(widget());
        w->setSelectionMode(l_.multiSelect() ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
        bool same = w->count() == l_.ListCount();
        for (int i = 0; same && i < w->count(); ++i) same = w->item(i)->text() == qs(l_.List(i));
        if (!same) {
            w->clear();
            for (const auto& e : l_.entries()) w->addItem(qs(e.text));
        }
        for (int i = 0; i < w->count(); ++i) w->item(i)->setSelected(l_.Selected(i));
    }

private:
    ListBox& l_;
};

QDate toQDate(const DateTime& d) { return QDate(d.year, d.month, d.day); }

class DateBinding final : public ControlBinding {
public:
    DateBinding(DatePicker& d, QWidget* parent) : ControlBinding(d, new QDateEdit(parent)), d_(d) {
        auto* w = static_cast<QDateEdit*>(widget());
        w->setCalendarPopup(true);
        w->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        routeKeys(*this, w);
        QObject::connect(w, &QDateEdit::dateChanged, w, guarded([this](const QDate& q) {
            if (syncing() || !q.isValid()) return;
            DateTime picked;
            picked.year = q.year();
            picked.month = q.month();
            picked.day = q.day();
            d_.userPick(picked);
        }));
        refresh();
    }

protected:
    void sync() override { static_cast<QDateEdit*>(widget())->setDate(toQDate(d_.value())); }

private:
    DatePicker& d_;
};

class TabBinding final : public ControlBinding {
public:
    TabBinding(TabPanel& t, QWidget* parent) : ControlBinding(t, new QTabBar(parent)), t_(t) {
        auto* w = static_cast<QTabBar*>(widget());
        QObject::connect(w, &QTabBar::currentChanged, w, guarded([this](int i) {
            if (!syncing() && i >= 0) t_.setTab(i);
        }));
        refresh();
    }

protected:
    void sync() override {
        auto* w = static_cast<QTabBar*>(widget());
        if (w->count() != static_cast<int>(t_.captions().size())) {
            while (w->count()) w->removeTab(0);
            for (const auto& c : t_.captions()) w->addTab(qs(c));
        }
        w->setCurrentIndex(t_.tab());
    }

private:
    TabPanel& t_;
};

}  // namespace

std::unique_ptr<ControlBinding> bindChoiceControl(Control& c, QWidget* parent) {
    if (auto* b = dynamic_cast<ComboBox*>(&c)) return std::make_unique<ComboBinding>(*b, parent);
    if (auto* b = dynamic_cast<ListBox*>(&c)) return std::make_unique<ListBoxBinding>(*b, parent);
    if (auto* d = dynamic_cast<DatePicker*>(&c)) return std::make_unique<DateBinding>(*d, parent);
    if (auto* t = dynamic_cast<TabPanel*>(&c)) return std::make_unique<TabBinding>(*t, parent);
    return nullptr;
}

}  // namespace fo::qt
