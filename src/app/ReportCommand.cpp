// feeoffice report day --db DB --date yyyy-mm-dd [--operator N]
//
// Prints the clerk's day: per operator and receiving account the receipts
// issued, the voids, the refunds, the prepayments taken and used, and what
// must be in the drawer, with the totals last, tab-separated.
//
// feeoffice report month --db DB --from yyyy-mm [--to yyyy-mm]
//
// Prints the month that balances: per class and student the arrears at the
// start, carried over, reduced, paid and at the end; exit status 3 when a
// line does not balance.
//
// feeoffice report summary --db DB --from yyyy-mm [--to yyyy-mm] [--operator N]
//
// Prints the collection summary: per month, operator, receiving account and
// fee item, what was charged, voided, reduced, refunded and prepaid.
//
// feeoffice report arrears --db DB
//
// Prints arrears at a glance: what the open arrears owe by period, class and
// fee item, how many students owe each, the total last.
//
// feeoffice report notices --db DB (--class NAME | --students XH,...) --deadline yyyy-mm-dd --out FILE.pdf
//
// Writes the notices to parents: one per student of the class who owes, or
// per student named, three to an A4 page, as a PDF whose text can be searched.
#include <QGuiApplication>
#include <iostream>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "data/FeeDatabase.h"
#include "db/DbError.h"
#include "fees/DayReport.h"
#include "reports/ArrearsAnalysis.h"
#include "reports/CollectionSummary.h"
#include "qt/NoticePdf.h"
#include "reports/MonthReport.h"
#include "reports/Notices.h"
#include "reports/ReportMonths.h"

namespace fo::app {
namespace {

struct ReportOptions {
    std::string database;
    std::string date;
    std::string operatorId;
    std::string fromMonth, toMonth;
    std::string which = "day";
    std::string className, deadline, out;
    std::vector<std::string> students;
};

int runNotices(const ReportOptions& options) {
    ConnectionPtr cn = openFeeDatabase(linkStringFor(options.database));
    const auto notices = options.students.empty()
                             ? notices::forClass(*cn, options.className, options.deadline)
                             : notices::forStudents(*cn, options.students, options.deadline);
    if (notices.empty()) {
        std::cerr << "feeoffice report: nobody in the class owes anything; no notices written\n";
        return 1;
    }
    // The pages are drawn off screen, with no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "feeoffice";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);
    if (!qt::writeNoticesPdf(notices, options.out)) {
        std::cerr << "feeoffice report: cannot write " << options.out << '\n';
        return 1;
    }
    std::cout << notices.size() << " notices written to " << options.out << '\n';
    return 0;
}

int runArrears(const ReportOptions& options) {
    ConnectionPtr cn = openFeeDatabase(linkStringFor(options.database));
    std::cout << arrearsview::asText(arrearsview::cells(*cn));
    return 0;
}

int runSummary(const ReportOptions& options) {
    const reportmonths::Span span = reportmonths::span(options.fromMonth, options.toMonth);
    ConnectionPtr cn = openFeeDatabase(linkStringFor(options.database));
    std::cout << collection::asText(reportmonths::heading("收费汇总表", span),
                                    collection::lines(*cn, span.firstDay, span.endDay, options.operatorId));
    return 0;
}

int runMonthReport(const ReportOptions& options) {
    ConnectionPtr cn = openFeeDatabase(linkStringFor(options.database));
    const auto report = monthreport::build(*cn, options.fromMonth,
                                           options.toMonth.empty() ? options.fromMonth : options.toMonth);
    std::cout << monthreport::asText(report);
    return report.unbalanced > 0 ? 3 : 0;
}

int runDayReport(const ReportOptions& options) {
    ConnectionPtr cn = openFeeDatabase(linkStringFor(options.database));
    std::cout << cashday::asText(options.date, cashday::dayLines(*cn, options.date, options.operatorId));
    return 0;
}

// Runs one report, saying what kept it from being read: a database that is
// none or gone as every verb does (exit 2), another read fault (1), a month,
// class or student the command line named wrongly (2).
int reported(const ReportOptions& options, int (*run)(const ReportOptions&)) {
    try {
        return run(options);
    } catch (const DbError& e) {
        if (const int status = refusedDatabase("report", options.database, e)) return status;
        std::cerr << "feeoffice report: " << e.description() << '\n';
        return 1;
    } catch (const std::invalid_argument& e) {
        std::cerr << "feeoffice report: " << e.what() << '\n';
        return 2;
    }
}

}  // namespace

Verb addReportVerb(CLI::App& program) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App* verb = program.add_subcommand("report", "print a report of a fee database");
    CLI::App* day = verb->add_subcommand("day", "the clerk's day: what each operator took in and paid out, per account");
    CLI::App* month = verb->add_subcommand("month", "the month that balances: arrears per class and student, start to end");
    verb->require_subcommand(1);
    addDatabaseOption(*day, options->database)->required();
    day->add_option("--date", options->date, "the day")->type_name("yyyy-mm-dd")->check(calendarDate())->required();
    day->add_option("--operator", options->operatorId, "only this operator's id")->type_name("N")->check(CLI::PositiveNumber);
    day->footer("An administrator's tool, like log: it reads the database without signing in.\n"
                "exit status: 0 printed; 1 it cannot be read; 2 a bad command line, or no fee database at DB");
    addDatabaseOption(*month, options->database)->required();
    month->add_option("--from", options->fromMonth, "the first month")->type_name("yyyy-mm")->required();
    month->add_option("--to", options->toMonth, "the last month (default: the first)")->type_name("yyyy-mm");
    month->callback([options] { options->which = "month"; });
    month->footer("An administrator's tool, like log: it reads the database without signing in.\n"
                  "exit status: 0 every line balances; 1 it cannot be read; 2 a bad command line, or no fee\n"
                  "database at DB; 3 printed, and a line does not balance");
    CLI::App* summary = verb->add_subcommand("summary", "the collection summary: per month, operator, account and item");
    addDatabaseOption(*summary, options->database)->required();
    summary->add_option("--from", options->fromMonth, "the first month")->type_name("yyyy-mm")->required();
    summary->add_option("--to", options->toMonth, "the last month (default: the first)")->type_name("yyyy-mm");
    summary->add_option("--operator", options->operatorId, "only this operator's id")->type_name("N")->check(CLI::PositiveNumber);
    summary->callback([options] { options->which = "summary"; });
    summary->footer("An administrator's tool, like log: it reads the database without signing in.\n"
                    "exit status: 0 printed; 1 it cannot be read; 2 a bad command line, or no fee database at DB");
    CLI::App* arrears = verb->add_subcommand("arrears", "arrears at a glance: owed by period, class and fee item");
    addDatabaseOption(*arrears, options->database)->required();
    arrears->callback([options] { options->which = "arrears"; });
    arrears->footer("An administrator's tool, like log: it reads the database without signing in.\n"
                    "exit status: 0 printed; 1 it cannot be read; 2 a bad command line, or no fee database at DB");
    CLI::App* notices = verb->add_subcommand("notices", "notices to parents: one per student owing, as a PDF");
    addDatabaseOption(*notices, options->database)->required();
    auto* byClass = notices->add_option("--class", options->className, "every student of this class who owes");
    auto* byStudent = notices->add_option("--students", options->students, "these students' numbers")
                          ->delimiter(',')->type_name("XH,...");
    byClass->excludes(byStudent);
    notices->add_option("--deadline", options->deadline, "the day to pay by")->type_name("yyyy-mm-dd")
        ->check(calendarDate())->required();
    notices->add_option("--out", options->out, "the PDF file to write")->type_name("FILE.pdf")->required();
    notices->callback([options, notices] {
        if (options->className.empty() && options->students.empty())
            throw CLI::RequiredError("--class or --students");
        options->which = "notices";
    });
    notices->footer("An administrator's tool, like log: it reads the database without signing in.\n"
                    "exit status: 0 written; 1 it cannot be read or written, or nobody owes; 2 a bad command line,\n"
                    "a student number no student has, or no fee database at DB");
    return {verb, [options] {
                if (options->which == "notices") return reported(*options, runNotices);
                if (options->which == "arrears") return reported(*options, runArrears);
                if (options->which == "month") return reported(*options, runMonthReport);
                if (options->which == "summary") return reported(*options, runSummary);
                return reported(*options, runDayReport);
            }};
}

}  // namespace fo::app
