#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "reliability/ClerkOffice.h"

namespace fo {
class CommandButton;
class FlexGrid;
class TextBox;
class frmBachJM_next;
class frmjmjlML;
class frmjmjlNew;
}

namespace fo::test {

// The month `yyyymm` as the month lists show it ("2026年12月").
std::string monthCaption(const std::string& month);
// Types `text` into cell (row, column) of a fee-item grid through its editor.
void typeInto(FlexGrid& grid, TextBox& editor, int row, int column, const std::string& text);
// Types `amount` into every row of fee item `item` of a fee-item grid; false
// when the grid has no such row.
bool typeForItem(FlexGrid& grid, TextBox& editor, const std::string& item, const std::string& amount);
// Fills the reduction window `w` for student `xh`: fee item `item` reduced
// by `amount` on the line `line` ("k" + qfkid for stored arrears, "c" +
// month for the coming charges), every other amount cleared; false when the
// line is not listed.
bool fillReduction(frmjmjlNew& w, const std::string& xh, const std::string& line, const std::string& item,
                   const std::string& amount, const std::string& reason);
// The batch wizard's second step, its first having listed and ticked the
// students `ids`; those ticked are added to `ticked`.
std::shared_ptr<frmBachJM_next> openWizard(const std::vector<std::string>& ids, std::vector<std::string>& ticked);

// What one operation of a clerk came to, as the clerk saw it: committed when
// the window's last word was its success message.
struct Posting {
    explicit Posting(std::string kind_, std::string tag_ = {}) : kind(std::move(kind_)), tag(std::move(tag_)) {}

    std::string kind;          // reduce, wizard, list, cancel, void, carry
    bool committed = false;
    bool attempted = false;    // false when there was nothing to do
    std::string tag;           // the reason given, or the id cancelled / voided
    int records = 0;           // reduction records it writes when committed
    std::vector<std::string> students;  // ids of the students it reduced
    std::string lastMessage;   // the last message box's text
    std::vector<std::string> messages;  // every message box it showed
};

// One clerk working the module's windows as a person would, choosing what to
// do and on which rows with a seeded generator: a reduction for one student
// (a carried-over period or the open one), a wizard batch, a batch from the
// receivables list, a reduction cancelled (the latest, or any), a receipt
// voided, the month carried over. Every reduction carries the reason it is
// given, so its records can be found and counted.
class Clerk {
public:
    Clerk(ClerkOffice& office, std::uint64_t seed) : office_(office), rnd_(seed) {}

    Posting reduceOne(const std::string& reason);
    // Each of the arrears rows reduced by all it owes, from windows of its
    // own all filled in first; `beforePost` runs then, before the first 确定.
    std::vector<Posting> reduceRowsTogether(const std::vector<std::string>& qfkids, const std::string& reason,
                                            const std::function<void()>& beforePost = {});
    // Each of the arrears rows paid whole in cash at the fee window, from
    // windows of its own all filled in first (the remark is `reason`);
    // `beforePost` runs then, before the first 确定收费.
    std::vector<Posting> chargeRowsTogether(const std::vector<std::string>& qfkids, const std::string& reason,
                                            const std::function<void()>& beforePost = {});
    Posting wizard(const std::string& reason);
    Posting receivablesList(const std::string& reason);
    // The receivables of student `xh`, every row reduced by what it owes.
    Posting receivablesListFor(const std::string& xh, const std::string& reason,
                               const std::function<void()>& beforePost = {});
    // The latest reduction in force when `latest`, otherwise any of them.
    Posting cancelReduction(bool latest);
    // Cancels each of `ids` from one records window, listed before
    // `beforeFirst` runs and never listed again, as a window left open does.
    std::vector<Posting> cancelFromOneList(const std::vector<std::string>& ids,
                                           const std::function<void()>& beforeFirst = {});
    // 100 off 保育费 of the open month, not charged yet, for the students
    // `ids` (of one fee type) from `window` ("single": the first of them
    // only, "wizard", "list": the first of them), previewed first when
    // `preview`; `beforeConfirm` runs just before the clerk's last word
    // (inside the preview, when previewed).
    Posting comingCharge(const std::string& window, const std::vector<std::string>& ids, const std::string& reason,
                         bool preview, const std::function<void()>& beforeConfirm);
    Posting voidReceipt(const std::string& reason);
    Posting carryOver();

    // One operation chosen at random among the postings above (not the
    // carry-over); `reason` goes to a reduction or a void.
    Posting anyPosting(const std::string& reason);

    // Whether the clerk now and then pastes a wrong amount (on by default).
    void setMistakes(bool on) { mistakes_ = on; }

    std::mt19937_64& random() { return rnd_; }
    int below(int n) { return n <= 1 ? 0 : static_cast<int>(rnd_() % static_cast<std::uint64_t>(n)); }
    template <class T>
    const T& pick(const std::vector<T>& among) {
        return among[static_cast<std::size_t>(below(static_cast<int>(among.size())))];
    }

private:
    // Fills a window for the arrears row `qfkid` of student `xh`; false when
    // there is nothing to post.
    template <class Window>
    using RowFill = std::function<bool(Window& w, const std::string& xh, const std::string& qfkid, Posting& p)>;
    template <class Window>
    std::vector<Posting> rowsTogether(const std::vector<std::string>& qfkids, const Posting& blank,
                                      const RowFill<Window>& fill, CommandButton Window::*ok, const char* success,
                                      const std::function<void()>& beforePost);
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    std::string pickAmount(const std::string& owed, bool full);
    // Reads what the clerk was told since the last read; `success` is how
    // the window's success message begins.
    Posting read(Posting p, const char* success);
    // Closes the windows, then reads.
    Posting finish(Posting p, const char* success);
    bool enterReduction(frmjmjlNew& w, const std::string& xh, const std::string& line, const std::string& reason,
                        bool full, Posting& p);
    Posting reduceLine(const std::string& xh, const std::string& line, const std::string& reason);
    std::shared_ptr<frmjmjlML> recordsWindow();
    Posting receivablesListQuery(const std::string& xh, const std::string& className, const std::string& reason,
                                 bool full, const std::function<void()>& beforePost);
    Posting cancelFrom(frmjmjlML& w, const std::string& id);

    ClerkOffice& office_;
    std::mt19937_64 rnd_;
    std::size_t seen_ = 0;  // messages already read by finish
    bool mistakes_ = true;
};

}  // namespace fo::test
