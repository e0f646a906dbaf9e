// A new office's first month, through the program's own doors, as
// docs/new-office.md tells it: `feeoffice init`, the school set up in its
// window (each change audited, a second year and a class with students
// refused), sixty students imported from a spreadsheet through the import
// dialog, December's fees taken for forty of them in the fee window in
// every way a clerk takes them and their receipts printed, one receipt
// voided in the register, one student's month reduced, `feeoffice
// month-end`; January's receivables list then holds exactly what each
// student left unpaid of each item counted in arrears. `feeoffice check`
// passes after every step.
#include <map>
#include <sstream>

#include "app/ExeRunner.h"
#include "data/PgFeeSchema.h"
#include "fees/ChargePosting.h"
#include "support/Dialects.h"
#include "support/PgTestServer.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

struct Item {
    const char* name;
    int full, half;  // standard amounts of the two charge types (0: not in the type)
    bool inArrears;
};
// Fee item i has id i+1 on the new office's books.
const Item kItems[] = {{"保育费", 800, 500, true}, {"伙食费", 300, 150, true}, {"托管费", 200, 0, true},
                       {"兴趣班费", 150, 0, true}, {"校车费", 100, 100, true}, {"杂费", 50, 50, false}};
const char* const kClasses[] = {"小班一班", "小班二班", "中班一班", "中班二班", "大班一班", "大班二班"};

std::string number(int i) {
    std::string n = std::to_string(i + 1);
    return "2026" + std::string(4 - n.size(), '0') + n;
}
int standard(int i, int k) { return i % 2 ? kItems[k].half : kItems[k].full; }

class NewOfficeWalk : public ExeTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        ExeTest::SetUp();
        db_ = onPostgres() ? pgTestLink("fo_walk_" + std::to_string(::getpid()) + "_" + std::to_string(GetParam()))
                           : path("school.db");
        if (onPostgres()) dropPgDatabase(db_);
    }
    void TearDown() override {
        if (onPostgres()) dropPgDatabase(db_);
        ExeTest::TearDown();
    }
    // Runs a script as the administrator; its output.
    std::string drive(const std::string& script) {
        std::ofstream(path("script.txt")) << script;
        const ExeRun r = run({"drive", "--db", db_, "--dialect", std::to_string(GetParam()), "--settings", path("ui"),
                              "--export-dir", path("out"), path("script.txt")});
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        return r.out;
    }
    void booksHold(const std::string& step) { EXPECT_EQ(run({"check", "--db", db_}).out, "ok\n") << "after " << step; }
    std::string first(const std::string& sql) {
        const ExeRun r = run({"sql", "--db", db_, sql});
        const std::string row = r.out.substr(r.out.find('\n') + 1);
        return row.substr(0, row.find_first_of("\t\n"));
    }
    // Written by the program's own spreadsheet export, as an office's
    // roster comes from a spreadsheet program.
    std::string rosterFile() {
        HeadlessUi ui;
        ui.install();
        ui.setExportFolder(path("roster"));
        Recordset rs;
        for (const char* field : {"学号", "姓名", "班级", "收费类型", "入园日期"}) rs.appendField(field, DataType::VarChar, 50);
        rs.open();
        const char* surnames = "王李张刘陈杨黄赵吴周";
        for (int i = 0; i < 60; ++i) {
            rs.addNew();
            rs.field("学号") = Value(number(i));
            rs.field("姓名") = Value(std::string(surnames + 3 * (i % 10), 3) + "小" + std::to_string(i));
            rs.field("班级") = Value(std::string(kClasses[i % 6]));
            rs.field("收费类型") = Value(std::string(i % 2 ? "半日制" : "全日制"));
            rs.field("入园日期") = Value(std::string("2026-09-01"));
        }
        rs.moveFirst();
        return ExporToExcel_rec("学生名单", rs);
    }
    // The fee window's postings of a script: each receipt printed (a script's
    // printer writes it as text) holds its document number and `totals`' own.
    void receiptsPrinted(const std::string& out, const std::vector<int>& totals, std::vector<std::string>& numbers) {
        std::istringstream lines(out);
        std::string printed;
        std::size_t n = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("print ", 0) == 0) printed = line.substr(6);
            const std::size_t at = line.find("成功！单据编号：");
            if (at == std::string::npos || n == totals.size()) continue;
            numbers.push_back(line.substr(at + std::string("成功！单据编号：").size()));
            const std::string text = readWholeFile(printed), total = std::to_string(totals[n++]) + ".00";
            EXPECT_NE(text.find("编号: " + numbers.back()), std::string::npos) << printed;
            EXPECT_NE(text.find("合计: " + total + "    大写: " + charge::amountInWords(*Currency::parse(total))),
                      std::string::npos) << text;
            printed.clear();
        }
        EXPECT_EQ(n, totals.size()) << out;
    }

    std::string db_;
};

TEST_P(NewOfficeWalk, DecembersUnpaidRestIsWhatJanuaryFindsStored) {
    ASSERT_EQ(run({"init", db_}).exitCode, 0);
    booksHold("init");

    // The school: the year (its twelve months, once only), six classes, six
    // monthly items, two charge types. An amount is kept to the cent it is
    // typed with before the first type's care fee is set.
    std::string school = "open frmSchool\nset txtYear 2026\nclick cmdAddYear\nexpect message 操作成功！\n"
                         "expect count lvwMonths 12\nclick cmdAddYear\nexpect message 2026-2027学年的月份或学期已经有了。\n";
    for (const char* name : kClasses) school += "set txtClass " + std::string(name) + "\nclick cmdAddClass\n";
    for (const Item& item : kItems)
        school += "set txtItem " + std::string(item.name) + "\nset cmbKind 按月\nset chkInArrears " +
                  (item.inArrears ? "1" : "0") + "\nclick cmdAddItem\n";
    for (int type : {1, 2}) {
        school += "set txtType " + std::string(type == 1 ? "全日制" : "半日制") + "\nclick cmdAddType\n" +
                  "item lvwTypes k" + std::to_string(type) + " click\n";
        for (int k = 0; k < 6; ++k)
            if (standard(type - 1, k)) {
                school += "item lvwLines k" + std::to_string(k + 1) + " click\n";
                if (type == 1 && k == 0)
                    school += "set txtAmount 120.5\nclick cmdSaveLine\nexpect cell lvwLines 1 2 120.50\n"
                              "expect sql \"select count(*) from kdw_sflx where id=1 and sfxmid=1 and je=120.5\" 1\n";
                school += "set txtAmount " + std::to_string(standard(type - 1, k)) + "\nclick cmdSaveLine\n";
            }
    }
    drive(school + "expect sql \"select count(*) from kdw_sflx where je>0\" 10\nclose\n");
    const std::string log = run({"log", "--db", db_}).out;
    for (const char* change : {"\t建立学年\t2026-2027学年\t\t完成\n", "\t新增班级\t小班一班\t\t完成\n",
                               "\t新增收费项目\t保育费\t\t完成\n", "\t设置标准金额\t全日制：保育费\t\t完成\n"})
        EXPECT_NE(log.find(change), std::string::npos) << change << log;
    booksHold("the school");
    // An office starting in December carries the empty autumn over first.
    for (const char* yf : {"202609", "202610", "202611"})
        ASSERT_EQ(run({"month-end", "--db", db_, "--month", yf}).exitCode, 0) << yf;
    booksHold("the autumn carried over");

    const std::string roster = rosterFile();
    drive("open frmStudents\nclick cmdImport\nset txtFile " + roster + "\nclick cmdRead\n"
          "expect lblSummary \"名单共 60 行：可以导入 60 行，不能导入 0 行。\"\nanswer yes\nclick cmdImport\n"
          "expect message \"已导入 60 名学生。\"\nclose\nexpect count lvwStudents 60\nclose\n"
          "open frmSchool\nitem lvwClasses k1 click\nclick cmdRetireClass\n"
          "expect message 这个班级还有在园或休学的学生，不能停用。\nclose\n");
    booksHold("the import");

    // December's fees for forty, by fours: in full; in part (some of the
    // care fee, the bus not at all); from a deposit taken first; and more
    // cash than owed, kept as prepayment. The other twenty pay nothing.
    std::map<std::pair<std::string, int>, int> unpaid;  // (学号, item) -> what stays owed
    for (int i = 0; i < 60; ++i)
        for (int k = 0; k < 6; ++k)
            if (kItems[k].inArrears && standard(i, k)) unpaid[{number(i), k}] = standard(i, k);
    std::vector<std::string> receipts;
    for (int way = 0; way < 4; ++way) {
        std::string script = "open frmSF\n";
        std::vector<int> totals;  // of the receipts, in the order they are printed
        for (int i = way; i < 40; i += 4) {
            script += "set txtFind " + number(i) + "\nkey txtFind Enter\n";
            int total = 0;
            if (way == 2) script += "click optDeposit\nset txtCash 2000\nclick cmdOK\nclick cmdOK\nclick optCharge\n";
            if (way == 2) totals.push_back(2000);
            for (int k = 0; k < 6; ++k) {
                int pay = standard(i, k);
                if (!pay || (way == 1 && k == 4)) continue;
                const std::string key = "kd" + std::to_string(k + 1);
                script += "item lvwDue " + key + " check\n";
                if (way == 1 && k == 0) script += "item lvwDue " + key + " click\nset txtPay " + std::to_string(pay = 300) + "\n";
                total += pay;
                if (kItems[k].inArrears) unpaid[{number(i), k}] -= pay;
            }
            script += "expect lblTotal " + std::to_string(total) + ".00\n";
            if (way == 2) script += "set txtHk " + std::to_string(total) + "\nset txtCash 0\n";
            if (way == 3) script += "set txtCash " + std::to_string(total + 200) + "\nexpect lblPrepay 200.00\n";
            script += "click cmdOK\nclick cmdOK\n";
            totals.push_back(total + (way == 3 ? 200 : 0));
        }
        receiptsPrinted(drive(script + "close\n"), totals, receipts);
        booksHold("the fees taken in way " + std::to_string(way));
    }
    ASSERT_EQ(receipts.size(), 50u);
    EXPECT_EQ(first("select count(distinct djbh) from pjml"), "50");

    // The first receipt voided in the register: he owes December whole again.
    const std::string id = first("select id from pjml where djbh='" + receipts[0] + "'");
    const std::string day = first("select kprq from pjml where id=" + id).substr(0, 10);
    drive("open ShowPJinfo\nset DTPfrom " + day + "\nset DTPto " + day + "\nset cmbDJstate 全部\nclick CMDfind\n"
          "item ListView1 k" + id + " click\nset txtZfyy 收错了\nclick cmdZF\nexpect plan refused none\nanswer yes\n"
          "click cmdOK\nexpect message 操作成功！\nclose\n");
    for (int k = 0; k < 6; ++k)
        if (kItems[k].inArrears) unpaid[{number(0), k}] = kItems[k].full;
    booksHold("the void");

    // One who paid nothing has his whole December reduced.
    drive("open ShowJMJL\nset txtFind " + number(59) + "\nkey txtFind Enter\nset txtJmyy 全月病假\nclick cmd_ok\n"
          "click cmdOk\nexpect message 减免金额：800.00\nclose\n");
    std::erase_if(unpaid, [](const auto& e) { return e.first.first == number(59) || e.second == 0; });
    booksHold("the reduction");

    ASSERT_EQ(run({"month-end", "--db", db_, "--month", "202612"}).exitCode, 0);
    booksHold("the month-end");

    // January's receivables list of December, one line per student.
    std::string list = "open ShowBachJm\nset cmbYf 2026年12月\nset cmbYFto 2026年12月\nclick cmdTJ\n";
    for (const Item& item : kItems) list += "select LSTsfxm " + std::string(item.name) + " on\n";
    const std::string shown = drive(list + "answer yes\nclick cmdOK\ndump lvw1\nclose\n");
    // Its rows: key, 序号, 学号 (on a student's first row), 姓名, 班级, 月份, 项目, 欠费金额…
    std::map<std::pair<std::string, int>, int> listed;
    std::istringstream rows(shown);
    std::string student;
    for (std::string line; std::getline(rows, line);) {
        std::vector<std::string> cells;
        for (std::istringstream cut(line); std::getline(cut, cells.emplace_back(), '\t');) {}
        if (cells.size() < 9 || cells[0] == "key") continue;
        if (!cells[2].empty()) student = cells[2];
        for (int k = 0; k < 6; ++k)
            if (cells[6] == kItems[k].name && cells[7].ends_with(".00")) listed[{student, k}] = std::stoi(cells[7]);
    }
    EXPECT_EQ(listed, unpaid) << shown;
}

INSTANTIATE_TEST_SUITE_P(Dialects, NewOfficeWalk, ::testing::Values(kSqlServer, kAccess), dialectName);

}  // namespace
}  // namespace fo::test
