#pragma once
#include "FeeOfficeApi.h"
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
class FEEOFFICE_API FormRegistry {
public:
    using InstanceGetter = std::function<std::shared_ptr<Form>()>;  // gives a window's current instance
    using EntryOperation = std::function<void()>;  // runs one entry operation

    void addWindow(const std::string& name, InstanceGetter getter);  // adds a window by name
    template <class T> void addWindow(const std::string& name) {  // adds window class T by name
        addWindow(name, [] { return std::static_pointer_cast<Form>(formInstance<T>()); });
    }
    void addEntry(const std::string& name, EntryOperation op);  // adds an entry operation by name

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
FEEOFFICE_API FormRegistry& formRegistry();

}  // namespace fo
