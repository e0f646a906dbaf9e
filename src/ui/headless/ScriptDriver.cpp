#include "ui/headless/ScriptDriver.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <sstream>

#include "db/values/DateTime.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DataGrid.h"
#include "ui/controls/DatePicker.h"
#include "ui/controls/FlexGrid.h"
#include "ui/Form.h"
#include "ui/FormRegistry.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/ListView.h"
#include "ui/controls/Menu.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/TextBox.h"
#include "ui/controls/TreeView.h"
#include "ui/lists/Utf8Text.h"
#include "ui/frmPlanPreview.h"

namespace fo {
namespace {

// A mistake in the script. Not a std::exception, so that the error traps of
// window code it unwinds through let it pass.
struct ScriptError {
    std::string message;
};
// The script ran out while windows were still open.
struct EndOfScript {};

std::string oneLine(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += "\\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n') {
            out += "\\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

// Line breaks compare alike whether written CRLF or LF.
std::string normalized(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

void needWords(const std::vector<std::string>& w, std::size_t n, const char* usage) {
    if (w.size() != n) throw ScriptError{std::string("usage: ") + usage};
}

int number(const std::string& word, const char* what) {
    try {
        std::size_t used = 0;
        const int n = std::stoi(word, &used);
        if (used == word.size()) return n;
    } catch (const std::exception&) {
    }
    throw ScriptError{std::string("not a number for ") + what + ": '" + word + "'"};
}

int keyCode(const std::string& name) {
    const std::string k = utf8::lowerAscii(name);
    if (k == "enter") return key::Enter;
    if (k == "tab") return key::Tab;
    if (k == "up") return key::Up;
    if (k == "down") return key::Down;
    if (k == "left") return key::Left;
    if (k == "right") return key::Right;
    if (k == "escape" || k == "esc") return key::Escape;
    if (k == "backspace") return key::Backspace;
    throw ScriptError{"unknown key '" + name + "'"};
}

std::string join(const std::vector<std::string>& cells) {
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "\t" : "") + oneLine(cells[i]);
    return out;
}

}  // namespace

ScriptDriver::ScriptDriver(FormRegistry& registry, HeadlessUi& ui, std::ostream& out, std::ostream& err)
    : registry_(registry), ui_(ui), out_(out), err_(err) {
    ui_.events.message = [this](const MessageRecord& m) { out_ << "message " << oneLine(m.title) << '|' << oneLine(m.text) << '\n'; };
    ui_.events.opened = [this](const Form& f) { out_ << "open " << f.name() << '\n'; };
    ui_.events.closed = [this](const Form& f) { out_ << "close " << f.name() << '\n'; };
    ui_.events.exported = [this](const std::string& p) { out_ << "export " << p << '\n'; };
    ui_.events.printed = [this](const std::string& p) { out_ << "print " << p << '\n'; };
    ui_.setModalRunner([this](Form& f) {
        modal_.push_back(&f);
        struct Pop {
            std::vector<Form*>& stack;
            ~Pop() { stack.pop_back(); }
        } pop{modal_};
        runUntilClosed(&f);
    });
}

ScriptDriver::~ScriptDriver() {
    ui_.events = HeadlessUi::Events{};
    ui_.setModalRunner(nullptr);
}

int ScriptDriver::run(std::istream& script) {
    std::string text;
    int number = 0;
    try {
        while (std::getline(script, text))
            if (auto line = parseScriptLine(text, ++number)) lines_.push_back(std::move(*line));
    } catch (const std::invalid_argument& e) {
        err_ << "line " << number << ": " << e.what() << '\n';
        return 2;
    }
    int status = 0;
    try {
        runUntilClosed(nullptr);
    } catch (const EndOfScript&) {
    } catch (const ScriptError& e) {
        err_ << "line " << currentLine_ << ": " << e.message << '\n';
        status = 2;
    } catch (const HeadlessAbort& e) {
        err_ << "line " << currentLine_ << ": " << e.message() << '\n';
        status = 2;
    } catch (const ClerkCannot& e) {
        err_ << "line " << currentLine_ << ": " << e.message << '\n';
        status = 2;
    } catch (const std::exception& e) {
        err_ << "line " << currentLine_ << ": error not handled by the window: " << e.what() << '\n';
        status = 2;
    }
    modal_.clear();
    closeRemainingWindows();
    if (ui_.pendingAnswers())
        err_ << "warning: " << ui_.pendingAnswers() << " answer(s) left unused\n";
    if (status == 0 && failures_ > 0) status = 1;
    return status;
}

void ScriptDriver::closeRemainingWindows() {
    // The clerk closes what is still open, innermost first; nobody answers now.
    for (int guard = 0; guard < 64 && !ui_.openForms().empty(); ++guard) {
        Form* f = ui_.openForms().back();
        try {
            if (!f->unload()) f->hide();
        } catch (...) {
            ui_.formClosed(*f);
        }
    }
}

void ScriptDriver::runUntilClosed(Form* form) {
    for (;;) {
        if (form && !(form->isLoaded() && form->isShown())) return;
        if (next_ >= lines_.size()) throw EndOfScript{};
        const ScriptLine& line = lines_[next_++];
        currentLine_ = line.number;
        hands_->settle();
        execute(line);
    }
}

void ScriptDriver::execute(const ScriptLine& line) {
    const auto& w = line.words;
    const std::string verb = utf8::lowerAscii(w[0]);
    if (verb == "open") doOpen(w);
    else if (verb == "set") doSet(w);
    else if (verb == "type") doType(w);
    else if (verb == "key") doKey(w);
    else if (verb == "click") doClick(w);
    else if (verb == "item") doItem(w);
    else if (verb == "cell") doCell(w);
    else if (verb == "select") doSelect(w);
    else if (verb == "answer") doAnswer(w);
    else if (verb == "expect") doExpect(w);
    else if (verb == "dump") doDump(w);
    else if (verb == "close") doClose(w);
    else throw ScriptError{"unknown verb '" + w[0] + "'"};
}

Form& ScriptDriver::target() const {
    if (modal_.empty()) throw ScriptError{"no window is open"};
    return *modal_.back();
}

Control& ScriptDriver::control(const std::string& name) const {
    Form& f = target();
    Control* c = f.findControl(name);
    if (!c) throw ScriptError{"unknown control '" + name + "' in " + f.name()};
    return *c;
}

Control& ScriptDriver::usableControl(const std::string& name) const {
    Control& c = control(name);
    bool usable = c.isUsable();
    if (dynamic_cast<Menu*>(&c)) {
        // A pop-up menu stays invisible in the menu bar; its entries still work.
        usable = true;
        for (const Control* m = &c; m; m = m->container()) usable = usable && m->enabled();
    }
    if (!usable) throw ScriptError{"control '" + name + "' is disabled or hidden"};
    return c;
}

void ScriptDriver::doOpen(const std::vector<std::string>& w) {
    needWords(w, 2, "open NAME");
    if (const auto* op = registry_.entry(w[1])) {
        (*op)();
        return;
    }
    auto form = registry_.window(w[1]);
    if (!form) throw ScriptError{"unknown window '" + w[1] + "'"};
    form->showModal();
}

void ScriptDriver::doSet(const std::vector<std::string>& w) {
    needWords(w, 3, "set CONTROL VALUE");
    Control& c = usableControl(w[1]);
    const std::string& v = w[2];
    if (auto* t = dynamic_cast<TextBox*>(&c)) {
        hands_->setText(*t, withCrLf(v));
    } else if (auto* d = dynamic_cast<DatePicker*>(&c)) {
        const auto date = DateTime::parse(v);
        if (!date) throw ScriptError{"not a date: '" + v + "'"};
        hands_->pickDate(*d, *date);
    } else if (auto* k = dynamic_cast<CheckBox*>(&c)) {
        if (v != "0" && v != "1") throw ScriptError{"a check box is set to 0 or 1"};
        hands_->setCheck(*k, v == "1" ? 1 : 0);
    } else if (auto* o = dynamic_cast<OptionButton*>(&c)) {
        if (v != "1") throw ScriptError{"an option button is set to 1 (choose another to clear it)"};
        hands_->click(*o);
    } else if (auto* cb = dynamic_cast<ComboBox*>(&c)) {
        if (!hands_->chooseEntry(*cb, v)) throw ScriptError{"no entry '" + v + "' in " + w[1]};
    } else {
        throw ScriptError{std::string("cannot set a ") + c.kind() + " ('" + w[1] + "')"};
    }
}

void ScriptDriver::doType(const std::vector<std::string>& w) {
    needWords(w, 3, "type CONTROL TEXT");
    hands_->typeText(usableControl(w[1]), w[2]);
}

void ScriptDriver::doKey(const std::vector<std::string>& w) {
    needWords(w, 3, "key CONTROL KEYNAME");
    hands_->pressKey(usableControl(w[1]), keyCode(w[2]));
}

void ScriptDriver::doClick(const std::vector<std::string>& w) {
    needWords(w, 2, "click CONTROL");
    hands_->click(usableControl(w[1]));
}

void ScriptDriver::doItem(const std::vector<std::string>& w) {
    needWords(w, 4, "item CONTROL KEY click|check|uncheck|dblclick");
    Control& c = usableControl(w[1]);
    const std::string word = utf8::lowerAscii(w[3]);
    ItemAction action = ItemAction::Click;
    if (word == "check") action = ItemAction::Check;
    else if (word == "uncheck") action = ItemAction::Uncheck;
    else if (word == "dblclick") action = ItemAction::DblClick;
    else if (word != "click") throw ScriptError{"unknown item action '" + w[3] + "'"};
    bool found = false;
    if (auto* l = dynamic_cast<ListView*>(&c)) {
        found = hands_->listItem(*l, w[2], action);
    } else if (auto* t = dynamic_cast<TreeView*>(&c)) {
        found = hands_->treeNode(*t, w[2], action);
    } else {
        throw ScriptError{"'" + w[1] + "' is neither a list view nor a tree"};
    }
    if (!found) throw ScriptError{"no item '" + w[2] + "' in " + w[1]};
}

void ScriptDriver::doCell(const std::vector<std::string>& w) {
    needWords(w, 4, "cell GRID ROW COL");
    Control& c = usableControl(w[1]);
    auto* l = dynamic_cast<ListView*>(&c);
    const int r = number(w[2], "ROW");
    const int named = l ? l->columnIndexByText(w[3]) : 0;
    const int col = named ? named : number(w[3], "COL");
    bool found = false;
    if (l) found = hands_->listCell(*l, r, col);
    else if (auto* g = dynamic_cast<FlexGrid*>(&c)) found = hands_->gridCell(*g, r, col);
    else if (auto* d = dynamic_cast<DataGrid*>(&c)) found = hands_->dataGridRow(*d, r - 1);
    else throw ScriptError{"'" + w[1] + "' is not a grid"};
    if (!found) throw ScriptError{"no cell " + w[2] + "," + w[3] + " in " + w[1]};
}

void ScriptDriver::doSelect(const std::vector<std::string>& w) {
    needWords(w, 4, "select LIST TEXT on|off");
    auto* l = dynamic_cast<ListBox*>(&usableControl(w[1]));
    if (!l) throw ScriptError{"'" + w[1] + "' is not a list box"};
    const std::string state = utf8::lowerAscii(w[3]);
    if (state != "on" && state != "off") throw ScriptError{"select takes on or off"};
    if (!hands_->selectEntry(*l, w[2], state == "on")) throw ScriptError{"no entry '" + w[2] + "' in " + w[1]};
}

void ScriptDriver::doAnswer(const std::vector<std::string>& w) {
    needWords(w, 2, "answer yes|no|ok|cancel");
    const std::string a = utf8::lowerAscii(w[1]);
    if (a == "yes") ui_.queueAnswer(MsgAnswer::Yes);
    else if (a == "no") ui_.queueAnswer(MsgAnswer::No);
    else if (a == "ok") ui_.queueAnswer(MsgAnswer::OK);
    else if (a == "cancel") ui_.queueAnswer(MsgAnswer::Cancel);
    else throw ScriptError{"unknown answer '" + w[1] + "'"};
}

void ScriptDriver::check(const std::string& what, const std::string& expected, const std::string& seen) {
    if (normalized(expected) == normalized(seen)) return;
    ++failures_;
    out_ << "FAIL line " << currentLine_ << ": expect " << what << ": expected \"" << oneLine(expected)
         << "\", saw \"" << oneLine(seen) << "\"\n";
}

std::string ScriptDriver::cellText(Control& c, const std::string& row, const std::string& col) const {
    const int r = number(row, "ROW");
    if (auto* g = dynamic_cast<FlexGrid*>(&c)) {
        const int k = number(col, "COL");
        if (r < 0 || r >= g->rows() || k < 0 || k >= g->cols()) return "(no cell " + row + "," + col + ")";
        return g->textMatrix(r, k);
    }
    if (auto* l = dynamic_cast<ListView*>(&c)) {
        if (r < 1 || r > l->itemCount()) return "(no row " + row + ")";
        int k = 0;
        if (!col.empty() && std::all_of(col.begin(), col.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
            k = std::stoi(col);
        else
            k = l->columnIndexByText(col);
        if (k < 1) return "(no column " + col + ")";
        return l->item(r).cell(k);
    }
    if (auto* d = dynamic_cast<DataGrid*>(&c)) {
        if (r < 1 || r > d->rowCount()) return "(no row " + row + ")";
        int k = -1;
        for (int i = 0; i < d->columnCount(); ++i)
            if (d->column(i).caption == col) k = i;
        if (k < 0) k = number(col, "COL") - 1;
        if (k < 0 || k >= d->columnCount()) return "(no column " + col + ")";
        return d->cellText(r - 1, k);
    }
    throw ScriptError{"'" + c.qualifiedName() + "' has no cells"};
}

const plan::Plan& ScriptDriver::shownPlan() const {
    auto* preview = dynamic_cast<frmPlanPreview*>(&target());
    if (!preview) throw ScriptError{"the window " + target().name() + " shows no plan"};
    return preview->shownPlan();
}

void ScriptDriver::expectPlan(const std::vector<std::string>& w) {
    const plan::Plan& p = shownPlan();
    const std::string what = utf8::lowerAscii(w[2]);
    if (what == "rows" && (w.size() == 4 || w.size() == 5)) {
        std::size_t n = 0;
        for (const plan::RowChange& c : p.changes) n += w.size() == 4 || utf8::lowerAscii(c.table) == utf8::lowerAscii(w[3]);
        check("plan rows" + (w.size() == 5 ? " " + w[3] : std::string()), w.back(), std::to_string(n));
        return;
    }
    if (what == "lines" && w.size() == 4) {
        check("plan lines", w[3], std::to_string(p.summary.lines.size()));
        return;
    }
    if (what == "refused" && w.size() == 4) {
        std::string reasons;
        for (const plan::Refusal& r : p.refusals) {
            if (r.code == w[3] || r.reason.find(w[3]) != std::string::npos) return;
            reasons += (reasons.empty() ? "" : " / ") + r.code + ": " + r.reason;
        }
        if (w[3] == "none" && reasons.empty()) return;
        check("plan refused", w[3], reasons.empty() ? "none" : reasons);
        return;
    }
    if ((what == "insert" || what == "update" || what == "delete") && (w.size() == 5 || w.size() == 7)) {
        for (const plan::RowChange& c : p.changes) {
            if (plan::kindWord(c.kind) != what || utf8::lowerAscii(c.table) != utf8::lowerAscii(w[3]) ||
                plan::keyText(c) != w[4])
                continue;
            if (w.size() == 5) return;
            std::string seen = "(no column " + w[5] + ")";
            for (const plan::Cell& cell : c.cells)
                if (utf8::lowerAscii(cell.column) == utf8::lowerAscii(w[5]))
                    seen = plan::datumText(c.kind == plan::Kind::Delete ? cell.before : cell.after);
            check("plan " + w[2] + " " + w[3] + " " + w[4] + " " + w[5], w[6], seen);
            return;
        }
        check("plan " + w[2] + " " + w[3] + " " + w[4], "a row", "none");
        return;
    }
    throw ScriptError{"usage: expect plan rows [TABLE] N | lines N | refused CODE-OR-TEXT|none | "
                      "insert|update|delete TABLE KEY [COLUMN VALUE]"};
}

void ScriptDriver::doExpect(const std::vector<std::string>& w) {
    if (w.size() < 3) throw ScriptError{"usage: expect CONTROL TEXT"};
    const std::string what = utf8::lowerAscii(w[1]);
    if (what == "plan") return expectPlan(w);
    if (what == "message" && w.size() == 3) {
        const MessageRecord* m = ui_.lastMessage();
        const std::string seen = m ? m->text : std::string();
        if (!m || normalized(seen).find(normalized(w[2])) == std::string::npos) {
            ++failures_;
            out_ << "FAIL line " << currentLine_ << ": expect message: expected a message containing \""
                 << oneLine(w[2]) << "\", saw \"" << oneLine(seen) << "\"\n";
        }
        return;
    }
    if (what == "count" && w.size() == 4) {
        Control& c = control(w[2]);
        int n = -1;
        if (auto* l = dynamic_cast<ListView*>(&c)) n = l->itemCount();
        else if (auto* g = dynamic_cast<FlexGrid*>(&c)) n = g->rows();
        else if (auto* cb = dynamic_cast<ComboBox*>(&c)) n = cb->ListCount();
        else if (auto* lb = dynamic_cast<ListBox*>(&c)) n = lb->ListCount();
        else if (auto* t = dynamic_cast<TreeView*>(&c)) n = t->nodeCount();
        else if (auto* d = dynamic_cast<DataGrid*>(&c)) n = d->rowCount();
        else throw ScriptError{"'" + w[2] + "' has nothing to count"};
        check("count " + w[2], w[3], std::to_string(n));
        return;
    }
    if (what == "whole" && w.size() == 3) {
        std::string cut;
        for (const std::string& heading : hands_->cutColumns(control(w[2]))) cut += (cut.empty() ? "" : ",") + heading;
        check("whole " + w[2], "", cut);
        return;
    }
    if (what == "whole" && w.size() == 4) {
        auto* l = dynamic_cast<ListView*>(&control(w[2]));
        const int column = l ? l->columnIndexByText(w[3]) : 0;
        if (column < 1) throw ScriptError{"'" + w[2] + "' has no column " + w[3]};
        std::string cut;
        for (const std::string& reason : hands_->unreadableCells(*l, column - 1))
            cut += (cut.empty() ? "" : ",") + reason;
        check("whole " + w[2] + " " + w[3], "", cut);
        return;
    }
    if (what == "over" && w.size() == 6) {
        Control& editor = control(w[2]);
        auto* l = dynamic_cast<ListView*>(&control(w[3]));
        const int row = number(w[4], "ROW"), column = l ? l->columnIndexByText(w[5]) : 0;
        if (column < 1 || row < 1 || row > l->itemCount()) throw ScriptError{"'" + w[3] + "' has no cell " + w[4] + " " + w[5]};
        // Where the window put the editor, against the cell as the list's
        // own geometry places it; at the desktop, as both are drawn.
        int left = l->left();
        for (int c = 1; c < column; ++c) left += std::max(0, l->column(c).width);
        const int top = l->top() + l->item(row).top();
        const bool onCell = editor.left() >= left && editor.top() >= top &&
                            editor.left() + editor.width() <= left + l->column(column).width &&
                            editor.top() + editor.height() <= top + l->item(row).height();
        const std::string off = !editor.visible() ? "hidden"
                                : !onCell         ? "off the cell"
                                                  : hands_->offCell(editor, *l, row, column);
        check("over " + w[2] + " " + w[3] + " " + w[4] + " " + w[5], "", off);
        return;
    }
    if (what == "enabled" && w.size() == 4) {
        check("enabled " + w[2], w[3], control(w[2]).enabled() ? "1" : "0");
        return;
    }
    if (what == "cell" && w.size() == 6) {
        check("cell " + w[2] + " " + w[3] + " " + w[4], w[5], cellText(control(w[2]), w[3], w[4]));
        return;
    }
    if (what == "sql" && w.size() == 4) {
        if (!sql_) throw ScriptError{"no database to ask"};
        std::string seen;
        try {
            seen = sql_(w[2]);
        } catch (const std::exception& e) {
            throw ScriptError{std::string("expect sql: ") + e.what()};
        }
        check("sql", w[3], seen);
        return;
    }
    needWords(w, 3, "expect CONTROL TEXT");
    check(w[1], w[2], control(w[1]).displayText());
}

void ScriptDriver::doDump(const std::vector<std::string>& w) {
    needWords(w, 2, "dump CONTROL");
    if (utf8::lowerAscii(w[1]) == "plan") {
        for (const std::string& line : plan::dumpLines(shownPlan())) out_ << oneLine(line) << '\n';
        return;
    }
    Control& c = control(w[1]);
    if (auto* l = dynamic_cast<ListView*>(&c)) {
        std::vector<std::string> head{"key"};
        if (l->checkboxes()) head.push_back("checked");
        for (int i = 1; i <= l->columnCountOf(); ++i) head.push_back(l->column(i).text);
        out_ << join(head) << '\n';
        // Rows are read from the list without an item made per row.
        for (int r = 1; r <= l->itemCount(); ++r) {
            std::vector<std::string> row{l->rowKey(r)};
            if (l->checkboxes()) row.push_back(l->rowChecked(r) ? "1" : "0");
            const int cols = std::max(l->columnCountOf(), l->rowCells(r));
            for (int k = 1; k <= cols; ++k) row.push_back(l->rowCell(r, k));
            out_ << join(row) << '\n';
        }
    } else if (auto* g = dynamic_cast<FlexGrid*>(&c)) {
        for (int r = 0; r < g->rows(); ++r) {
            std::vector<std::string> row;
            for (int k = 0; k < g->cols(); ++k) row.push_back(g->textMatrix(r, k));
            out_ << join(row) << '\n';
        }
    } else if (auto* t = dynamic_cast<TreeView*>(&c)) {
        for (const TreeNode* n : t->treeOrder()) {
            std::vector<std::string> row{std::string(static_cast<std::size_t>(n->depth()), '\t') + n->key(), n->text()};
            if (t->checkboxes()) row.push_back(n->checked() ? "1" : "0");
            out_ << join(row) << '\n';
        }
    } else if (auto* cb = dynamic_cast<ComboBox*>(&c)) {
        for (int i = 0; i < cb->ListCount(); ++i)
            out_ << join({cb->List(i), std::to_string(cb->ItemData(i))}) << (i == cb->ListIndex() ? "\t*" : "") << '\n';
    } else if (auto* lb = dynamic_cast<ListBox*>(&c)) {
        for (int i = 0; i < lb->ListCount(); ++i)
            out_ << join({lb->List(i), std::to_string(lb->ItemData(i))}) << (lb->Selected(i) ? "\t*" : "") << '\n';
    } else if (auto* d = dynamic_cast<DataGrid*>(&c)) {
        std::vector<std::string> head;
        for (int i = 0; i < d->columnCount(); ++i) head.push_back(d->column(i).caption);
        out_ << join(head) << '\n';
        for (int r = 0; r < d->rowCount(); ++r) {
            std::vector<std::string> row;
            for (int k = 0; k < d->columnCount(); ++k) row.push_back(d->cellText(r, k));
            out_ << join(row) << '\n';
        }
    } else {
        throw ScriptError{std::string("cannot dump a ") + c.kind() + " ('" + w[1] + "')"};
    }
}

void ScriptDriver::doClose(const std::vector<std::string>& w) {
    needWords(w, 1, "close");
    target().unload();
}

}  // namespace fo
