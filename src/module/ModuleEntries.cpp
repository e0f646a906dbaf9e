// The module's windows and entry operations, registered in one place for any
// host: the reference host adds its own windows beside them.
#include "module/ModuleEntries.h"

#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "batch/frmJmBachList.h"
#include "bills/cLsBILLhead.h"
#include "bills/frmBILLML.h"
#include "reduction/frmjmjlML.h"
#include "reduction/frmjmjlNew.h"
#include "students/frmCommFind.h"
#include "students/frmXSsel.h"
#include "ui/CombinedQueryForm.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"
#include "ui/UiWindows.h"

namespace fo {
namespace {

// The module-wide instance of window class T, made here rather than by
// FormRegistry::addWindow<T>, so that nothing naming an internal window
// class is exported with the registry's template.
template <class T>
FormRegistry::InstanceGetter instanceOf() {
    return [] { return std::static_pointer_cast<Form>(formInstance<T>()); };
}

}  // namespace

const char* moduleVersion() { return FEEOFFICE_MODULE_VERSION; }

void registerModuleEntries(FormRegistry& registry, cLsBILLhead& bill) {
    registerUiWindows(registry);
    registry.addWindow("frmjmjlNew", instanceOf<frmjmjlNew>());
    registry.addWindow("frmjmjlML", instanceOf<frmjmjlML>());
    registry.addWindow("frmXSsel", instanceOf<frmXSsel>());
    registry.addWindow("frmBILLML", instanceOf<frmBILLML>());
    registry.addWindow("frmCommFind", instanceOf<frmCommFind>());
    registry.addWindow("CombinedQueryForm", instanceOf<CombinedQueryForm>());
    registry.addWindow("frmBachJM", instanceOf<frmBachJM>());
    registry.addWindow("frmBachJM_next", instanceOf<frmBachJM_next>());
    registry.addWindow("frmJmBachList", instanceOf<frmJmBachList>());
    // ShowJMJL and ShowBachJm open the windows registered above by name.
    registry.addEntry("ShowPJinfo", [&bill] { bill.ShowPJinfo(); });
    registry.addEntry("ShowJMJL", [&bill] { bill.ShowJMJL(); });
    registry.addEntry("ShowBachJm", [&bill] { bill.ShowBachJm(); });
}

std::vector<std::string> moduleEntryNames() { return {"ShowPJinfo", "ShowJMJL", "ShowBachJm"}; }

bool runEntry(const std::string& name) {
    const FormRegistry::EntryOperation* operation = formRegistry().entry(name);
    if (!operation) return false;
    (*operation)();
    return true;
}

}  // namespace fo
