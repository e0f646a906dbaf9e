#pragma once
#include "FeeOfficeApi.h"
#include <functional>
#include <memory>

#include "ui/Form.h"

namespace fo {

// The module-wide instances of the windows, one per window class.
class FEEOFFICE_API FormInstances {
public:
    // Registers how to release one class's instance (formInstance does it).
    static void addReleaser(std::function<void()> release);
    // Unloads every loaded window and drops every instance, as the module
    // does when its host lets it go.
    static void releaseAll();
};

// The module-wide instance of window class T: created on first use, and
// created afresh on the next use after it was unloaded. The caller may keep
// the pointer to read a window's results after its modal show returned.
template <class T>
std::shared_ptr<T> formInstance() {
    static std::shared_ptr<T> slot;
    static const bool registered = [] {
        FormInstances::addReleaser([] {
            if (slot && slot->isLoaded()) slot->unload();
            slot.reset();
        });
        return true;
    }();
    (void)registered;
    if (!slot || slot->isSpent()) slot = std::make_shared<T>();
    return slot;
}

}  // namespace fo
