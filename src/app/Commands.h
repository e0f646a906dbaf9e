#pragma once
#include <string>
#include <vector>

namespace fo::app {

using Args = std::vector<std::string>;  // the words after the verb

// Each verb lives in its own file and returns the process exit status.
int runSql(const Args& args);       // feeoffice sql --db FILE [--dialect 1|0] STATEMENT
int runInitDemo(const Args& args);  // feeoffice init-demo FILE [--students N] [--seed S] [--today yyyy-mm-dd]
int runDrive(const Args& args);     // feeoffice drive --db FILE [options] SCRIPT

}  // namespace fo::app
