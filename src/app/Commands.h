#pragma once
#include <string>
#include <vector>

namespace fo {
class FormRegistry;
class cLsBILLhead;
}  // namespace fo

namespace fo::app {

using Args = std::vector<std::string>;  // the words after the verb

// Each verb lives in its own file and returns the process exit status.
int runSql(const Args& args);       // feeoffice sql --db FILE [--dialect 1|0] STATEMENT
int runInitDemo(const Args& args);  // feeoffice init-demo FILE [--students N] [--seed S] [--today yyyy-mm-dd]
int runDrive(const Args& args);     // feeoffice drive --db FILE [options] SCRIPT
int runGui(const Args& args);       // feeoffice [--db FILE] [--dialect 1|0]
int runTour(const Args& args);      // feeoffice tour --db FILE --out DIR [--dialect 1|0]

// The module's windows and entry operations, as the drive verb, the main
// window and the tour open them (DriveCommand.cpp).
void registerModuleWindows(FormRegistry& registry, cLsBILLhead& bill);

}  // namespace fo::app
