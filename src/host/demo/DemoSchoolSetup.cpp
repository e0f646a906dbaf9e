#include "host/demo/DemoSchoolSetup.h"

#include <cstdio>
#include <utility>

#include "host/settings/HostSettings.h"
#include "host/demo/DemoSchool.h"
#include "host/operators/Operators.h"
#include "host/database/SqlText.h"

namespace fo::demo {
namespace {

std::string num(int v) { return std::to_string(v); }

std::string day(int y, int m, int d) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

// Name parts with the initial of their reading, for the short code (简码).
const std::vector<std::pair<std::string, char>> kSurnames = {
    {"王", 'W'}, {"李", 'L'}, {"张", 'Z'}, {"刘", 'L'}, {"陈", 'C'}, {"杨", 'Y'}, {"黄", 'H'}, {"赵", 'Z'},
    {"吴", 'W'}, {"周", 'Z'}, {"徐", 'X'}, {"孙", 'S'}, {"马", 'M'}, {"朱", 'Z'}, {"胡", 'H'}, {"郭", 'G'},
    {"何", 'H'}, {"高", 'G'}, {"林", 'L'}, {"罗", 'L'}};
const std::vector<std::pair<std::string, char>> kGiven = {
    {"子", 'Z'}, {"涵", 'H'}, {"梓", 'Z'}, {"轩", 'X'}, {"一", 'Y'}, {"诺", 'N'}, {"欣", 'X'}, {"怡", 'Y'},
    {"浩", 'H'}, {"宇", 'Y'}, {"佳", 'J'}, {"琪", 'Q'}, {"思", 'S'}, {"雨", 'Y'}, {"晨", 'C'}, {"博", 'B'},
    {"文", 'W'}, {"泽", 'Z'}, {"若", 'R'}, {"萱", 'X'}, {"嘉", 'J'}, {"乐", 'L'}, {"安", 'A'}, {"然", 'R'}};
const std::vector<std::string> kFatherGiven = {"建国", "志强", "伟", "海涛", "立新", "明", "俊杰", "国平"};
const std::vector<std::string> kMotherGiven = {"丽", "敏", "静", "秀英", "艳", "芳", "海燕", "玉兰"};
const std::vector<std::string> kStreets = {"人民路", "解放路", "中山路", "建设街", "文化路", "花园小区", "朝阳街"};
const std::vector<std::string> kEmployers = {"市第一医院", "市实验中学", "华联超市", "市税务局", "长江电力公司",
                                             "个体经营", "市建设银行"};

std::string phone(DemoRandom& rnd) {
    char text[16];
    std::snprintf(text, sizeof text, "13%d%08d", 5 + rnd.below(5), rnd.below(100000000));
    return text;
}

}  // namespace

SchoolYear writeCalendar(Connection& cn, const DateTime& today) {
    SchoolYear sy;
    sy.startYear = today.month >= 9 ? today.year : today.year - 1;
    const int y0 = sy.startYear;
    for (int i = 0; i < 12; ++i) {
        const int y = y0 + (8 + i) / 12, m = (8 + i) % 12 + 1;
        DateTime first;
        first.year = y, first.month = m, first.day = 1;
        char yf[8], jfmc[32];
        std::snprintf(yf, sizeof yf, "%04d%02d", y, m);
        std::snprintf(jfmc, sizeof jfmc, "%04d年%02d月", y, m);
        AccountingMonth month{yf, jfmc, day(y, m, 1), day(y, m, first.daysInMonth())};
        cn.execute("insert into ajzrq(yf,fromdate,todate,jfmc) values(" + sqlLiteral(month.yf) + "," +
                   sqlLiteral(month.fromDate) + "," + sqlLiteral(month.toDate) + "," + sqlLiteral(month.jfmc) + ")");
        sy.months.push_back(month);
    }
    const std::string yearName = num(y0) + "-" + num(y0 + 1) + "学年";
    sy.autumn = PeriodRange{num(y0) + "上", "上学期", day(y0, 9, 1), day(y0 + 1, 1, 31)};
    sy.spring = PeriodRange{num(y0) + "下", "下学期", day(y0 + 1, 2, 1), day(y0 + 1, 8, 31)};
    sy.year = PeriodRange{num(y0) + "年", yearName, day(y0, 9, 1), day(y0 + 1, 8, 31)};
    for (const auto* t : {&sy.autumn, &sy.spring})
        cn.execute("insert into termdate(yearname,termName,yffromDate,yftoDate,termTag) values(" +
                   sqlLiteral(yearName) + "," + sqlLiteral(t->name) + "," + sqlLiteral(t->fromDate) + "," +
                   sqlLiteral(t->toDate) + "," + sqlLiteral(t->tag) + ")");
    cn.execute("insert into kdw_year(yearMc,dateFrom,dateTo,yearTag) values(" + sqlLiteral(yearName) + "," +
               sqlLiteral(sy.year.fromDate) + "," + sqlLiteral(sy.year.toDate) + "," + sqlLiteral(sy.year.tag) + ")");
    return sy;
}

void writeCatalogue(Connection& cn) {
    // Three levels: who the child is, how he attends, where he comes from.
    cn.execute("insert into kdw_xslx(id,parentid,mc) values"
               "(1,0,'在园幼儿'),(2,0,'托管幼儿'),"
               "(11,1,'全日制'),(12,1,'半日制'),(21,2,'晚托班'),"
               "(111,11,'本地生源'),(112,11,'外地生源'),(121,12,'本地生源'),(122,12,'外地生源'),"
               "(211,21,'本地生源'),(212,21,'外地生源')");
    cn.execute("insert into kdw_bj(id,mc) values(1,'小班一班'),(2,'小班二班'),(3,'中班一班'),(4,'中班二班'),"
               "(5,'大班一班'),(6,'大班二班')");
    cn.execute("insert into kdw_sfxm(id,bh,mc,jflx,projectID_DF,cqts,qftj) values"
               "(1,'01','保育费',3,101,'N','Y'),(2,'02','伙食费',3,102,'Y','Y'),(3,'03','书本费',0,103,'N','Y'),"
               "(4,'04','保险费',2,104,'N','Y'),(5,'05','报名费',1,105,'N','Y')");
    cn.execute("insert into kdw_sflx(id,mc,sfxmid,je,mrcqts) values"
               "(1,'全日制',1,800,0),(1,'全日制',2,15.5,22),(1,'全日制',3,300,0),(1,'全日制',4,100,0),(1,'全日制',5,200,0),"
               "(2,'半日制',1,500,0),(2,'半日制',2,8,22),(2,'半日制',3,300,0),(2,'半日制',4,100,0),(2,'半日制',5,200,0),"
               "(3,'晚托班',1,300,0),(3,'晚托班',2,10.5,22),(3,'晚托班',3,150,0),(3,'晚托班',4,100,0),(3,'晚托班',5,100,0)");
}

std::vector<DemoStudent> writeStudents(Connection& cn, DemoRandom& rnd, int count, int startYear) {
    static const char* const classNames[] = {"小班一班", "小班二班", "中班一班", "中班二班", "大班一班", "大班二班"};
    std::vector<DemoStudent> out;
    for (int i = 1; i <= count; ++i) {
        const auto& surname = rnd.pick(kSurnames);
        const auto& g1 = rnd.pick(kGiven);
        std::string xm = surname.first + g1.first, jm{surname.second, g1.second};
        if (rnd.percent(70)) {
            const auto& g2 = rnd.pick(kGiven);
            xm += g2.first;
            jm += g2.second;
        }
        const int bjid = 1 + (i - 1) % 6;
        const int age = 3 + (bjid - 1) / 2;  // 小班 3, 中班 4, 大班 5
        const int sflxid = rnd.percent(70) ? 1 : (rnd.percent(65) ? 2 : 3);
        const int lb1 = sflxid == 3 ? 2 : 1, lb2 = sflxid == 1 ? 11 : (sflxid == 2 ? 12 : 21);
        const int lb = lb2 * 10 + (rnd.percent(75) ? 1 : 2);
        const int status = rnd.percent(96) ? 0 : (rnd.percent(60) ? 1 : 2);
        char xh[16];
        std::snprintf(xh, sizeof xh, "%04d%04d", startYear - (age - 3), i);
        const std::string father = surname.first + rnd.pick(kFatherGiven);
        const std::string mother = rnd.pick(kSurnames).first + rnd.pick(kMotherGiven);
        const std::string address = "江城市" + rnd.pick(kStreets) + num(1 + rnd.below(200)) + "号";
        cn.execute(
            "insert into kdw_xs(id,xh,xm,jm,sex,csrq,bjid,sflxid,lb,lb1,lb2,rxsj,djsj,jtdh,jtzz,fqxm,mqxm,fqgzdw,mqgzdw,"
            "fqsj,mqsj,jsr1,jsdz,ysk,sfzh,del,intTx) values(" +
            num(i) + "," + sqlLiteral(xh) + "," + sqlLiteral(xm) + "," + sqlLiteral(jm) + "," +
            (rnd.percent(50) ? "'男'" : "'女'") + "," +
            sqlLiteral(day(startYear - age, 1 + rnd.below(12), 1 + rnd.below(28))) + "," + num(bjid) + "," +
            num(sflxid) + "," + num(lb) + "," + num(lb1) + "," + num(lb2) + "," +
            sqlLiteral(day(startYear - (age - 3), 9, 1)) + "," + sqlLiteral(day(startYear - (age - 3), 8, 20)) + "," +
            sqlLiteral(phone(rnd)) + "," + sqlLiteral(address) + "," + sqlLiteral(father) + "," + sqlLiteral(mother) +
            "," + sqlLiteral(rnd.pick(kEmployers)) + "," + sqlLiteral(rnd.pick(kEmployers)) + "," +
            sqlLiteral(phone(rnd)) + "," + sqlLiteral(phone(rnd)) + "," + sqlLiteral(father) + "," +
            sqlLiteral(address) + ",0,'',0," + num(status) + ")");
        if (rnd.percent(10))
            cn.execute("insert into xszhekou(xsid,xmid,zhekou) values(" + num(i) + ",1," + (rnd.percent(50) ? "90" : "80") + ")");
        if (rnd.percent(5)) cn.execute("insert into xszhekou(xsid,xmid,zhekou) values(" + num(i) + ",2,50)");
        if (status == 0) out.push_back(DemoStudent{i, xh, xm, classNames[bjid - 1], sflxid});
    }
    // Each has been in his class and type since his entry.
    cn.execute("insert into kdw_xsbd(xsid,bdrq,bjid,sflxid,userid,czrq) select id,rxsj,bjid,sflxid,0,djsj from kdw_xs");
    return out;
}

void writeOfficeSetup(Connection& cn) {
    Operators ops(cn);
    ops.ensureBuiltIns();
    // The clerks, with the documented demo passwords, hashed once rather than
    // on every demo written. The administrator is asked for a password of his
    // own at his first sign-in in the desktop program.
    for (const DemoOperator& op : demoOperators()) {
        if (op.id != Operators::BuiltInId) ops.add(Operator{op.id, op.name, false});
        ops.setGivenPassword(op.id, op.password, op.passwordHash, op.id == Operators::BuiltInId);
    }
    for (const char* code : {"PJCX", Operators::ReprintRight, "JMJL", "PLJM", "SFGL"})
        ops.setRight(2, code, Operators::FullRight);
    ops.setRight(3, "PJCX", 1);  // may look, not reprint
    ops.setRight(3, "JMJL", 2);
    ops.allowCategory(2, 1);  // 在园幼儿
    ops.allowCategory(3, 2);  // 托管幼儿

    // Defaults under which a reduction settles the arrears it reduces.
    const std::pair<const char*, const char*> settings[] = {
        {"chkAutoInputTerm", "1"}, {"chkMrcqts", "0"},   {"chkXMzhekou", "1"},    {"chkNotLimitJZ", "0"},
        {"chkPrintSKR", "1"}, {"txtColorContent", "本收据加盖财务专用章后有效"},
        {"txtSchoolName", "阳光幼儿园"}};
    for (const auto& [name, value] : settings) setSetting(cn, name, value);

    // Each receipt form names its paper, which is what a receipt prints on.
    cn.execute("insert into sys_billtype(kind,number,name) values(1,1,'收费收据（二联）241×140毫米'),"
               "(1,2,'收费收据（三联）A4'),(2,1,'退费单 A5横向')");
}

}  // namespace fo::demo
