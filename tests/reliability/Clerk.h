#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/ReferenceHost.h"
#include "ui/headless/HeadlessUi.h"

namespace fo {
class CommandButton;
class frmBachJM_next;
class frmJmBachList;
class frmjmjlML;
class frmjmjlNew;
}

namespace fo::test {

// A fee office as one clerk's program holds it: the reference host on the
// books `locator` in dialect `dialect`, handed to the module as at start-up,
// with the headless binding answering modal windows as answerAsClerk does.
// Layout settings go to `settingsDir`. One per process: it takes over the
// module globals and the window instances.
class ClerkOffice {
public:
    ClerkOffice(const std::string& locator, int dialect, const std::string& settingsDir);
    ~ClerkOffice();
    ClerkOffice(const ClerkOffice&) = delete;
    ClerkOffice& operator=(const ClerkOffice&) = delete;

    ReferenceHost& host() { return *host_; }
    HeadlessUi& ui() { return ui_; }
    // A connection of the office's own for reading what the books hold.
    Connection& cn() { return *cn_; }

    // How the clerk answers a modal window: yes to the module's yes/no box, a
    // preview confirmed unless it shows a refusal, anything else closed.
    static void answerAsClerk(Form& f);

private:
    std::shared_ptr<ReferenceHost> host_;
    HeadlessUi ui_;
    ConnectionPtr cn_;
};

// Fills the reduction window `w` for student `xh`: fee item `item` reduced
// by `amount` on the line `line` ("k" + qfkid for stored arrears, "c" +
// month for the coming charges), every other amount cleared; false when the
// line is not listed.
bool fillReduction(frmjmjlNew& w, const std::string& xh, const std::string& line, const std::string& item,
                   const std::string& amount, const std::string& reason);
// What one operation of a clerk came to, as the clerk saw it: committed when
// the window's last word was its success message. A clerk process prints
// it as one line ("done KIND COMMITTED ATTEMPTED RECORDS TAG STUDENTS").
struct Posting {
    explicit Posting(std::string kind_ = {}, std::string tag_ = {}) : kind(std::move(kind_)), tag(std::move(tag_)) {}

    std::string kind;          // reduce, charge, wizard, list, single, cancel, void, carry
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
// given, so its records can be found and counted. Now and then he pastes a
// wrong amount: a negative one, or one with three decimals.
class Clerk {
public:
    Clerk(ClerkOffice& office, std::uint64_t seed) : office_(office), rnd_(seed) {}

    // One operation chosen at random among the postings (not the
    // carry-over); `reason` goes to a reduction or a void.
    Posting anyPosting(const std::string& reason);
    // The latest reduction in force when `latest`, otherwise any of them.
    Posting cancelReduction(bool latest);
    Posting carryOver();

    // Each of the arrears rows reduced by all it owes (`kind` "reduce") or
    // paid whole in cash at the fee window ("charge", the remark `reason`),
    // from windows of its own all filled in first; `beforePost` runs then,
    // before the first is posted.
    std::vector<Posting> rowsTogether(const std::string& kind, const std::vector<std::string>& qfkids,
                                      const std::string& reason, const std::function<void()>& beforePost);
    // Line `line` ("k" + qfkid, "c" + month) of student `xh` reduced, by all
    // it owes when `full`.
    Posting reduceLine(const std::string& xh, const std::string& line, const std::string& reason, bool full = true);
    // `amount` off fee item `item` of the month `month` for the students
    // `ids` (of one fee type) from the wizard.
    Posting wizardBatch(const std::vector<std::string>& ids, const std::string& month, const std::string& item,
                        const std::string& amount, const std::string& reason);
    Posting voidBill(const std::string& id, const std::string& reason);
    // Cancels each of `ids` from one records window, listed before
    // `beforeFirst` runs and never listed again, as a window left open does.
    std::vector<Posting> cancelFromOneList(const std::vector<std::string>& ids, const std::function<void()>& beforeFirst);
    // The receivables of student `xh`, every row reduced by what it owes.
    Posting receivablesListFor(const std::string& xh, const std::string& reason);
    // 100 off 保育费 of the open month, not charged yet, for the students
    // `ids` (of one fee type) from `window` ("single": the first of them
    // only, "wizard", "list": the first of them), previewed first when
    // `preview`; `beforeConfirm` runs just before the clerk's last word
    // (inside the preview, when previewed).
    Posting comingCharge(const std::string& window, const std::vector<std::string>& ids, const std::string& reason,
                         bool preview, const std::function<void()>& beforeConfirm);

    void setMistakes(bool on) { mistakes_ = on; }
    // Text the clerk pastes first into every input he uses, before what he
    // means ("" none): quotes, wildcards, emoji...
    void setNoise(std::string text) { noise_ = std::move(text); }
    int below(int n) { return n <= 1 ? 0 : static_cast<int>(rnd_() % static_cast<std::uint64_t>(n)); }

private:
    template <class T>
    const T& pick(const std::vector<T>& among) {
        return among[static_cast<std::size_t>(below(static_cast<int>(among.size())))];
    }
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    std::string pickAmount(const std::string& owed, bool full);
    // The clerk's last word: `button` clicked, the question it asks answered
    // yes when `asks`.
    void press(Posting& p, CommandButton& button, bool asks = false);
    // Reads what the clerk was told since the last read.
    Posting read(Posting p);
    // Closes the windows, then reads.
    Posting finish(Posting p);
    // Fills a reduction window for the line; false when there is nothing to post.
    bool enterReduction(frmjmjlNew& w, const std::string& xh, const std::string& line, bool full, Posting& p);
    // The wizard's second step filled in as wizardBatch says.
    std::shared_ptr<frmBachJM_next> fillWizard(Posting& p, const std::vector<std::string>& ids, const std::string& month,
                                               const std::string& item, const std::string& amount);
    Posting reduceOne(const std::string& reason);
    Posting wizard(const std::string& reason);
    Posting receivablesList(const std::string& reason);
    // The receivables list of student `xh` or class `className`, of the
    // month `month` (the first offered when "") and the fee item `item`
    // (every one when "").
    std::shared_ptr<frmJmBachList> listed(const std::string& xh, const std::string& className,
                                          const std::string& month, const std::string& item);
    Posting cancelFrom(frmjmjlML& w, const std::string& id);
    Posting voidReceipt(const std::string& reason);

    ClerkOffice& office_;
    std::mt19937_64 rnd_;
    std::size_t seen_ = 0;  // messages already read
    bool mistakes_ = true;
    std::string noise_;
};

}  // namespace fo::test
