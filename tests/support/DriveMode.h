#pragma once
#include <cstdlib>
#include <string>

namespace fo::test {

// Whether this run drives windows at the desktop's widgets rather than
// headlessly: ctest registers the script tests a second time so
// (FEEOFFICE_TEST_DRIVE=desktop, tests named "desktop.…").
inline bool drivesDesktop() {
    const char* mode = std::getenv("FEEOFFICE_TEST_DRIVE");
    return mode && std::string(mode) == "desktop";
}

}  // namespace fo::test
