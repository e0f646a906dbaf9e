#pragma once
#include "FeeOfficeApi.h"

#include <string>
#include <vector>

namespace fo {

class cLsBILLhead;
class FormRegistry;

/// @file
/// The module's entry points by name, for a host that opens its windows
/// without naming their classes.

/// The version of the module library the host runs on ("0.1.0"): the minor
/// number changes whenever the interface does (see the package's README).
FEEOFFICE_API const char* moduleVersion();

/// Adds every window of the module (by class name: "frmBILLML",
/// "frmjmjlNew", "frmjmjlML", "frmJmBachList", "frmBachJM", "frmBachJM_next",
/// "frmCommFind", "frmXSsel", "CombinedQueryForm", "frmMsg") and the entry
/// operations of `bill` ("ShowPJinfo", "ShowJMJL", "ShowBachJm") to
/// `registry`. `bill` must outlive the registry's use of the operations; the
/// host sets its properties (gRun first) before it runs one.
FEEOFFICE_API void registerModuleEntries(FormRegistry& registry, cLsBILLhead& bill);

/// The names of the entry operations registerModuleEntries adds, in the
/// order the bill header object declares them.
FEEOFFICE_API std::vector<std::string> moduleEntryNames();

/// Runs the entry operation `name` of the module's registry (formRegistry()),
/// matched without regard to case: the window opens modally through the
/// binding the host installed (headless or Qt) and the call returns when it
/// is closed. False, and nothing opened, when no operation has that name.
FEEOFFICE_API bool runEntry(const std::string& name);

}  // namespace fo
