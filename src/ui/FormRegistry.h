#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/Form.h"
#include "ui/FormInstance.h"

namespace fo {

// What the driver can open by name: the windows of the module by class name
// (their module-wide instance) and the entry operations of the bill header
// object. Names are matched without regard to case.
class FormRegistry {
public:
    using InstanceGetter = std::function<std::shared_ptr<Form>()>;
    using EntryOperation = std::function<void()>;

    void addWindow(const std::string& name, InstanceGetter getter);
    template <class T> void addWindow(const std::string& name) {
        addWindow(name, [] { return std::static_pointer_cast<Form>(formInstance<T>()); });
    }
    void addEntry(const std::string& name, EntryOperation op);

    // The window's current instance; nullptr when no window has that name.
    std::shared_ptr<Form> window(const std::string& name) const;
    // The entry operation; nullptr when none has that name.
    const EntryOperation* entry(const std::string& name) const;
    std::vector<std::string> names() const;

private:
    std::map<std::string, std::pair<std::string, InstanceGetter>> windows_;
    std::map<std::string, std::pair<std::string, EntryOperation>> entries_;
};

// The registry the module's layers add their windows and operations to.
FormRegistry& formRegistry();

}  // namespace fo
