#pragma once
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "ui/headless/ClerkHands.h"
#include "ui/headless/ScriptLine.h"

namespace fo {

class Control;
class Form;
class FormRegistry;
class HeadlessUi;
namespace plan {
class Plan;
}

// Runs the module's windows from a script, as a clerk would use them, on the
// headless binding. Lines act on the innermost modal window; a handler that
// opens a nested modal window hands the following lines to it until it
// closes, then the handler resumes. Events are printed one per line
// ("message TITLE|TEXT", "open NAME", "close NAME", "export PATH",
// "print PATH"); failed expectations are printed with their line number.
//
// Exit status of run(): 0 when the script ran to its end and every expect
// held, 1 when an expect failed, 2 on a script error (unknown verb, window,
// control or item; a disabled or hidden control; a message box needing an
// answer the script did not give; an error no window trapped).
class ScriptDriver {
public:
    // First column of the first row of `sql` as text; throws on SQL errors.
    using SqlProbe = std::function<std::string(const std::string& sql)>;

    ScriptDriver(FormRegistry& registry, HeadlessUi& ui, std::ostream& out, std::ostream& err);
    ~ScriptDriver();
    void setSqlProbe(SqlProbe p) { sql_ = std::move(p); }
    // Where the script's actions go; the controls' own user actions unless
    // set (the desktop mode hands them to the widgets). Not owned.
    void setHands(ClerkHands* hands) { hands_ = hands ? hands : &headless_; }

    int run(std::istream& script);

private:
    void runUntilClosed(Form* form);
    void execute(const ScriptLine& line);
    void doOpen(const std::vector<std::string>& w);
    void doSet(const std::vector<std::string>& w);
    void doType(const std::vector<std::string>& w);
    void doKey(const std::vector<std::string>& w);
    void doClick(const std::vector<std::string>& w);
    void doItem(const std::vector<std::string>& w);
    void doCell(const std::vector<std::string>& w);
    void doSelect(const std::vector<std::string>& w);
    void doAnswer(const std::vector<std::string>& w);
    void doExpect(const std::vector<std::string>& w);
    void doDump(const std::vector<std::string>& w);
    // "expect plan …" and "dump plan": the plan the innermost window shows.
    void expectPlan(const std::vector<std::string>& w);
    const plan::Plan& shownPlan() const;
    void doClose(const std::vector<std::string>& w);

    Form& target() const;
    Control& control(const std::string& name) const;
    Control& usableControl(const std::string& name) const;
    void check(const std::string& what, const std::string& expected, const std::string& seen);
    std::string cellText(Control& c, const std::string& row, const std::string& col) const;
    void closeRemainingWindows();

    FormRegistry& registry_;
    HeadlessUi& ui_;
    std::ostream& out_;
    std::ostream& err_;
    SqlProbe sql_;
    HeadlessHands headless_;
    ClerkHands* hands_ = &headless_;
    std::vector<ScriptLine> lines_;
    std::size_t next_ = 0;
    int currentLine_ = 0;
    int failures_ = 0;
    std::vector<Form*> modal_;  // windows the script is working, innermost last
};

}  // namespace fo
