// feeoffice import-students --db DB FILE [--dry-run] [--user ID] [--password-file FILE]
//
// Adds the students of a roster spreadsheet (.xlsx, or .csv in UTF-8 or
// GB18030), as 学生档案's import does: first each row, accepted or refused
// with its reason, then the accepted rows in one transaction. An
// administrator's step, signed in and audited; --dry-run stops after the
// rows.
#include <iostream>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/SignInOptions.h"
#include "db/DbError.h"
#include "host/ReferenceHost.h"
#include "host/api/AuditTrail.h"
#include "host/school/RosterFile.h"
#include "host/school/StudentImport.h"

namespace fo::app {
namespace {

struct ImportOptions {
    std::string database;
    std::string file;
    bool dryRun = false;
    SignInOptions signIn;
};

int importStudents(const ImportOptions& o, int user) {
    ReferenceHost host(o.database, 1, user);
    host.installInModuleGlobals();
    if (!Operators(*host.pGetCN()).find(user)->admin) {
        std::cerr << "feeoffice import-students: only an administrator adds students (operator " << user
                  << " is none)\n";
        return 1;
    }
    std::vector<std::vector<std::string>> table;
    try {
        table = readRosterFile(o.file);
    } catch (const SetupRefusal& e) {
        std::cerr << "feeoffice import-students: " << e.what() << '\n';
        return 1;
    }
    ConnectionPtr read = host.pGetCN();
    const ImportPlan plan = planStudentImport(*read, table);
    if (!plan.refusal.empty()) {
        std::cerr << "feeoffice import-students: " << o.file << ": " << plan.refusal << '\n';
        return 1;
    }
    // row, what becomes of it, number, name, and why when refused
    for (const ImportRow& row : plan.rows)
        std::cout << row.line << '\t' << (row.refusal.empty() ? "accepted" : "refused") << '\t' << row.student.number
                  << '\t' << row.student.name << (row.refusal.empty() ? "" : "\t" + row.refusal) << '\n';
    const std::size_t accepted = plan.accepted();
    if (o.dryRun) {
        std::cout << accepted << " of " << plan.rows.size() << " rows would be imported (dry run: nothing written)\n";
        return 0;
    }
    if (accepted == 0) {
        std::cerr << "feeoffice import-students: no row can be imported; nothing written\n";
        return 1;
    }
    std::size_t added = 0;
    try {
        ConnectionPtr tr = host.pgettrcn();
        Transaction tx(*tr);
        if (!Operators(*tr).find(user)->admin) throw SetupRefusal("只有管理员可以导入学生。");
        added = postStudentImport(*tr, user, table, plan);
        tx.commit();
    } catch (const std::exception& e) {
        auditEvent("导入学生", o.file, "失败");
        const auto* db = dynamic_cast<const DbError*>(&e);
        std::cerr << "feeoffice import-students: " << (db ? db->engineText() : std::string(e.what()))
                  << " (nothing was written)\n";
        return 1;
    }
    auditEvent("导入学生", o.file + "：" + std::to_string(added) + " 名", "完成");
    std::cout << "imported " << added << " students\n";
    return 0;
}

int runImport(const ImportOptions& options) {
    try {
        const std::optional<int> user =
            signInHeadless(options.signIn, options.database, "import-students", std::cerr);
        if (!user) return SignInRefused;
        int status = 1;
        try {
            status = importStudents(options, *user);
        } catch (const std::exception& e) {
            std::cerr << "feeoffice import-students: " << e.what() << '\n';
        }
        signOutHeadless(*user, options.database);
        return status;
    } catch (const std::exception& e) {
        if (const int status = refusedDatabase("import-students", options.database, e)) return status;
        std::cerr << "feeoffice import-students: " << e.what() << '\n';
        return 1;
    }
}

}  // namespace

Verb addImportStudentsVerb(CLI::App& program) {
    auto options = std::make_shared<ImportOptions>();
    CLI::App* verb = program.add_subcommand(
        "import-students", "add the students of a roster spreadsheet (.xlsx or .csv), each row checked first");
    addDatabaseOption(*verb, options->database)->required();
    verb->add_option("FILE", options->file,
                     "the roster: .xlsx, or .csv in UTF-8 or GB18030; its first row names the columns (学号, 姓名, "
                     "班级, 收费类型, and any of 简码, 性别, 出生日期, 入园日期, 一级类别, 二级类别, 三级类别, 状态, "
                     "父亲, 父亲电话, 母亲, 母亲电话, 家庭电话)")
        ->required()
        ->check(notBlank());
    verb->add_flag("--dry-run", options->dryRun, "only say what each row would become; write nothing");
    addSignInOptions(*verb, options->signIn);
    verb->footer("Each row is printed tab-separated: its row in the file, accepted or refused, number, name, and the\n"
                 "reason of a refusal. The operator signs in as for drive.\n"
                 "exit status: 0 the accepted rows written (or, with --dry-run, shown); 1 refused (not an "
                 "administrator, a file that cannot be read, no row to import, the books changed meanwhile) or "
                 "failed, nothing written; 2 a bad command line, or no fee database at DB; 3 the sign-in was refused");
    return {verb, [options] { return runImport(*options); }};
}

}  // namespace fo::app
