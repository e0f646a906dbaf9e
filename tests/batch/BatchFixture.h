#pragma once
#include "support/DemoOfficeWindowTest.h"

namespace fo::test {

using BatchTest = DemoOfficeWindowTest;

}  // namespace fo::test
