#pragma once
#include <memory>
#include <string>

#include "host/ReferenceHost.h"
#include "ui/headless/HeadlessUi.h"

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
    int dialect() const { return dialect_; }

    // How the clerk answers a modal window: yes to the module's yes/no box, a
    // preview confirmed unless it shows a refusal, anything else closed.
    static void answerAsClerk(Form& f);

private:
    std::shared_ptr<ReferenceHost> host_;
    HeadlessUi ui_;
    ConnectionPtr cn_;
    int dialect_;
};

}  // namespace fo::test
