// feeoffice month-end --db DB [--month yyyymm] [--user ID] [--password-file FILE] [--today yyyy-mm-dd]
//
// Carries the open month over, as 月末结转 in the desktop program does: an
// administrator's step, signed in and audited, in one transaction. A month
// whose last day has not come is carried over only when --month names it,
// as the desktop asks the administrator to type it.
#include <iostream>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/SignInOptions.h"
#include "db/values/DateTime.h"
#include "host/ReferenceHost.h"
#include "host/fees/CarryOver.h"

namespace fo::app {
namespace {

struct MonthEndOptions {
    std::string database;
    std::string month;
    std::string today;
    SignInOptions signIn;
};

int carryOver(const MonthEndOptions& o, int user) {
    ReferenceHost host(o.database, 1, user);
    host.installInModuleGlobals();
    if (!Operators(*host.pGetCN()).find(user)->admin) {
        std::cerr << "feeoffice month-end: only an administrator carries a month over (operator " << user
                  << " is none)\n";
        return 1;
    }
    const std::string open = host.CurrentYf();
    if (open.empty()) {
        std::cerr << "feeoffice month-end: no month is open; every month of the school year is carried over\n";
        return 1;
    }
    if (!o.month.empty() && o.month != open) {
        std::cerr << "feeoffice month-end: --month " << o.month << " is not the open month " << open << '\n';
        return 1;
    }
    const std::string today = o.today.empty() ? DateTime::today().dateText() : o.today;
    if (const std::string early = earlyCarryOverWarning(host, open, today); !early.empty() && o.month.empty()) {
        std::cerr << "feeoffice month-end: " << open << " is not over yet; name it with --month " << open
                  << " to carry it over early\n";
        return 1;
    }
    carryOverMonth(*host.pgettrcn(), host, open);
    const std::string next = host.CurrentYf();
    std::cout << "carried over " << open << "; open month now " << (next.empty() ? "none" : next) << '\n';
    return 0;
}

int runMonthEnd(const MonthEndOptions& options) {
    try {
        const std::optional<int> user = signInHeadless(options.signIn, options.database, "month-end", std::cerr);
        if (!user) return SignInRefused;
        int status = 1;
        try {
            status = carryOver(options, *user);
        } catch (const std::exception& e) {
            std::cerr << "feeoffice month-end: " << e.what() << '\n';
        }
        signOutHeadless(*user, options.database);
        return status;
    } catch (const std::exception& e) {
        if (const int status = refusedDatabase("month-end", options.database, e)) return status;
        std::cerr << "feeoffice month-end: " << e.what() << '\n';
        return 1;
    }
}

}  // namespace

Verb addMonthEndVerb(CLI::App& program) {
    auto options = std::make_shared<MonthEndOptions>();
    CLI::App* verb = program.add_subcommand("month-end", "carry the open month over (an administrator's, audited)");
    addDatabaseOption(*verb, options->database)->required();
    verb->add_option("--month", options->month,
                     "the open month, yyyymm; needed to carry it over before its last day")
        ->type_name("yyyymm");
    verb->add_option("--today", options->today, "the day it is done (default today)")
        ->type_name("yyyy-mm-dd")
        ->check(calendarDate());
    addSignInOptions(*verb, options->signIn);
    verb->footer("The operator signs in as for drive; his password comes from --password-file or FEEOFFICE_PASSWORD.\n"
                 "exit status: 0 carried over; 1 refused (not an administrator, not the open month, the month not "
                 "over without --month) or failed, nothing written; 2 a bad command line, or no fee database at DB; 3 the "
                 "sign-in was refused");
    return {verb, [options] { return runMonthEnd(*options); }};
}

}  // namespace fo::app
