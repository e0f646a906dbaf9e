#pragma once
#include <functional>
#include <string>

namespace CLI {
class App;
}  // namespace CLI

namespace fo {
class FormRegistry;
class cLsBILLhead;
}  // namespace fo

namespace fo::app {

// A verb of the command line: its subcommand, and what runs it once the line
// is parsed (returning the process exit status). Each verb lives in its own
// file, which declares its options on the subcommand it adds; CommandLine.cpp
// lists the verbs.
struct Verb {
    CLI::App* command = nullptr;
    std::function<int()> run;
};

Verb addSqlVerb(CLI::App& program);       // feeoffice sql (SqlCommand.cpp)
Verb addCheckVerb(CLI::App& program);     // feeoffice check (CheckCommand.cpp)
Verb addInitVerb(CLI::App& program);      // feeoffice init (InitCommand.cpp)
Verb addInitDemoVerb(CLI::App& program);  // feeoffice init-demo (InitDemoCommand.cpp)
Verb addDriveVerb(CLI::App& program);     // feeoffice drive (DriveCommand.cpp)
Verb addTourVerb(CLI::App& program);      // feeoffice tour (tour/TourCommand.cpp)
Verb addLogVerb(CLI::App& program);       // feeoffice log (LogCommand.cpp)
Verb addReportVerb(CLI::App& program);    // feeoffice report day (ReportCommand.cpp)
Verb addCopyVerb(CLI::App& program);      // feeoffice copy (CopyCommand.cpp)
Verb addMonthEndVerb(CLI::App& program);  // feeoffice month-end (MonthEndCommand.cpp)
Verb addImportStudentsVerb(CLI::App& program);  // feeoffice import-students (ImportStudentsCommand.cpp)

// Without a verb: the desktop program on a fee database (GuiCommand.cpp).
struct GuiOptions {
    std::string database;  // empty: the database of last time, or the demo
    int dialect = 1;
};
void addGuiOptions(CLI::App& program, GuiOptions& options);
int runGui(const GuiOptions& options);

// The module's windows and entry operations, and the host's operator
// windows, as the drive verb, the main window and the tour open them
// (DriveCommand.cpp).
void registerModuleWindows(FormRegistry& registry, cLsBILLhead& bill);

}  // namespace fo::app
