#pragma once
#include "support/DemoOfficeWindowTest.h"

namespace fo::test {

// The demo fee office of an October: 24 students, the open month 2026-10,
// earlier months carried over.
class DemoOfficeTest : public DemoOfficeWindowTest {
protected:
    DemoOfficeTest() : DemoOfficeWindowTest(DemoOptions{24, 1, "2026-10-15"}) {}
};

}  // namespace fo::test
