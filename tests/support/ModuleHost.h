#pragma once
#include <memory>

#include "host/ReferenceHost.h"
#include "host/api/ModuleGlobals.h"

namespace fo::test {

// Puts the module globals back as they were when the test began, so one
// test's host never leaks into the next.
class ScopedGlobals {
public:
    ScopedGlobals() : saved_(globals()) {}
    ~ScopedGlobals() { globals() = saved_; }
    ScopedGlobals(const ScopedGlobals&) = delete;
    ScopedGlobals& operator=(const ScopedGlobals&) = delete;

private:
    ModuleGlobals saved_;
};

// Hands the reference host to the module as the host application does at
// start-up: database-information objects and the settings store, the host
// system object, its settings, its period object and the link string.
inline void handHostToModule(const std::shared_ptr<ReferenceHost>& host) {
    host->installInModuleGlobals();
    globals().host = host;
    globals().settings = host->loadSettings();
    globals().feePeriod = host->pFindJzDate();
    globals().transLinkString = host->gLinkString();
}

}  // namespace fo::test
