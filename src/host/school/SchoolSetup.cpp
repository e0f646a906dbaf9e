#include "host/school/SchoolSetup.h"

#include <cstdio>

#include "db/values/DateTime.h"
#include "host/database/SqlText.h"
#include "host/school/SetupText.h"

namespace fo {
namespace {

std::string schoolDay(int y, int m, int d) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

int monthDays(int y, int m) {
    DateTime first;
    first.year = y, first.month = m, first.day = 1;
    return first.daysInMonth();
}

// Students who still count: attending (在园) or on leave (休学).
const char* const kStudentsNotGone = " and del=0 and intTx in(0,1)";

}  // namespace

const std::vector<std::pair<FeeKind, std::string>>& feeKindCaptions() {
    static const std::vector<std::pair<FeeKind, std::string>> captions = {
        {FeeKind::Monthly, "按月"}, {FeeKind::Termly, "按学期"}, {FeeKind::Yearly, "按学年"}, {FeeKind::OneOff, "一次性"}};
    return captions;
}

long SchoolSetup::count(const std::string& sql) const {
    RecordsetPtr rs = cn_.execute(sql);
    return rs && !rs->eof() ? static_cast<long>(rs->field(std::size_t{0}).toInt()) : 0;
}

int SchoolSetup::nextId(const std::string& table) const {
    return static_cast<int>(count("select coalesce(max(id),0) from " + table)) + 1;
}

std::string SchoolSetup::checkedName(const std::string& table, int id, const std::string& name,
                                     const std::string& what) const {
    const std::string clean = schooltext::trimmed(name);
    if (clean.empty()) throw SetupRefusal("请输入" + what + "名称。");
    if (clean.size() > 100) throw SetupRefusal(what + "名称太长。");
    if (count("select count(*) from " + table + " where del=0 and mc=" + sqlLiteral(clean) + " and id<>" + schooltext::num(id)) > 0)
        throw SetupRefusal(what + "“" + clean + "”已经有了。");
    return clean;
}

void SchoolSetup::addSchoolYear(int startYear) {
    if (startYear < 2000 || startYear > 2099) throw SetupRefusal("学年的起始年份不对。");
    const std::string y0 = schooltext::num(startYear), y1 = schooltext::num(startYear + 1);
    if (count("select count(*) from kdw_year where yearTag=" + sqlLiteral(y0 + "年")) > 0 ||
        count("select count(*) from termdate where termTag in(" + sqlLiteral(y0 + "上") + "," + sqlLiteral(y0 + "下") +
              ")") > 0 ||
        count("select count(*) from ajzrq where yf>=" + sqlLiteral(y0 + "09") + " and yf<=" + sqlLiteral(y1 + "08")) >
            0)
        throw SetupRefusal(y0 + "-" + y1 + "学年的月份或学期已经有了。");
    for (int i = 0; i < 12; ++i) {
        const int y = startYear + (8 + i) / 12, m = (8 + i) % 12 + 1;
        char yf[8], caption[32];
        std::snprintf(yf, sizeof yf, "%04d%02d", y, m);
        std::snprintf(caption, sizeof caption, "%04d年%02d月", y, m);
        cn_.execute("insert into ajzrq(yf,fromdate,todate,jfmc) values(" + sqlLiteral(yf) + "," +
                    sqlLiteral(schoolDay(y, m, 1)) + "," + sqlLiteral(schoolDay(y, m, monthDays(y, m))) + "," + sqlLiteral(caption) +
                    ")");
    }
    const std::string yearName = y0 + "-" + y1 + "学年";
    const auto term = [&](const std::string& tag, const std::string& name, const std::string& from,
                          const std::string& to) {
        cn_.execute("insert into termdate(yearname,termName,yffromDate,yftoDate,termTag) values(" +
                    sqlLiteral(yearName) + "," + sqlLiteral(name) + "," + sqlLiteral(from) + "," + sqlLiteral(to) +
                    "," + sqlLiteral(tag) + ")");
    };
    term(y0 + "上", "上学期", schoolDay(startYear, 9, 1), schoolDay(startYear + 1, 1, 31));
    term(y0 + "下", "下学期", schoolDay(startYear + 1, 2, 1), schoolDay(startYear + 1, 8, 31));
    cn_.execute("insert into kdw_year(yearMc,dateFrom,dateTo,yearTag) values(" + sqlLiteral(yearName) + "," +
                sqlLiteral(schoolDay(startYear, 9, 1)) + "," + sqlLiteral(schoolDay(startYear + 1, 8, 31)) + "," +
                sqlLiteral(y0 + "年") + ")");
}

void SchoolSetup::setMonthDates(const std::string& yf, const std::string& fromDate, const std::string& toDate) {
    if (!schooltext::isDay(fromDate) || !schooltext::isDay(toDate) || fromDate > toDate) throw SetupRefusal("月份的起止日期不对。");
    if (count("select count(*) from ajzrq where yf=" + sqlLiteral(yf)) == 0) throw SetupRefusal("没有这个月份。");
    if (count("select count(*) from hisxsinfo where xsid=0 and jzyf=" + sqlLiteral(yf)) > 0)
        throw SetupRefusal("这个月份已经结转，不能修改。");
    if (count("select count(*) from ajzrq where yf<>" + sqlLiteral(yf) + " and fromdate<=" + sqlLiteral(toDate) +
              " and todate>=" + sqlLiteral(fromDate)) > 0)
        throw SetupRefusal("起止日期和别的月份重叠。");
    cn_.execute("update ajzrq set fromdate=" + sqlLiteral(fromDate) + ",todate=" + sqlLiteral(toDate) +
                " where yf=" + sqlLiteral(yf));
}

std::vector<SchoolClass> SchoolSetup::classes() const {
    std::vector<SchoolClass> out;
    for (RecordsetPtr rs = cn_.execute("select id,mc from kdw_bj where del=0 order by id"); rs && !rs->eof();
         rs->moveNext())
        out.push_back({static_cast<int>(rs->field(std::size_t{0}).toInt()), rs->field(1).toText()});
    return out;
}

int SchoolSetup::addClass(const std::string& name) {
    const std::string clean = checkedName("kdw_bj", 0, name, "班级");
    const int id = nextId("kdw_bj");
    cn_.execute("insert into kdw_bj(id,mc,del) values(" + schooltext::num(id) + "," + sqlLiteral(clean) + ",0)");
    return id;
}

void SchoolSetup::renameClass(int id, const std::string& name) {
    const std::string clean = checkedName("kdw_bj", id, name, "班级");
    cn_.execute("update kdw_bj set mc=" + sqlLiteral(clean) + " where id=" + schooltext::num(id));
}

void SchoolSetup::retireClass(int id) {
    if (count("select count(*) from kdw_xs where bjid=" + schooltext::num(id) + kStudentsNotGone) > 0)
        throw SetupRefusal("这个班级还有在园或休学的学生，不能停用。");
    cn_.execute("update kdw_bj set del=1 where id=" + schooltext::num(id));
}

std::vector<StudentCategory> SchoolSetup::categories() const {
    std::vector<StudentCategory> out;
    for (RecordsetPtr rs = cn_.execute("select id,parentid,mc from kdw_xslx where del=0 order by parentid,id");
         rs && !rs->eof(); rs->moveNext())
        out.push_back({static_cast<int>(rs->field(std::size_t{0}).toInt()), static_cast<int>(rs->field(1).toInt()),
                       rs->field(2).toText()});
    return out;
}

int SchoolSetup::addCategory(int parentId, const std::string& name) {
    const std::string clean = schooltext::trimmed(name);
    if (clean.empty()) throw SetupRefusal("请输入学生类别名称。");
    if (parentId != 0 && count("select count(*) from kdw_xslx where del=0 and id=" + schooltext::num(parentId)) == 0)
        throw SetupRefusal("上级类别不存在。");
    if (count("select count(*) from kdw_xslx where del=0 and parentid=" + schooltext::num(parentId) + " and mc=" +
              sqlLiteral(clean)) > 0)
        throw SetupRefusal("学生类别“" + clean + "”已经有了。");
    const int id = nextId("kdw_xslx");
    cn_.execute("insert into kdw_xslx(id,parentid,mc,del) values(" + schooltext::num(id) + "," + schooltext::num(parentId) + "," +
                sqlLiteral(clean) + ",0)");
    return id;
}

void SchoolSetup::renameCategory(int id, const std::string& name) {
    const std::string clean = schooltext::trimmed(name);
    if (clean.empty()) throw SetupRefusal("请输入学生类别名称。");
    cn_.execute("update kdw_xslx set mc=" + sqlLiteral(clean) + " where id=" + schooltext::num(id));
}

void SchoolSetup::retireCategory(int id) {
    if (count("select count(*) from kdw_xslx where del=0 and parentid=" + schooltext::num(id)) > 0)
        throw SetupRefusal("这个类别下面还有类别，不能停用。");
    const std::string n = schooltext::num(id);
    if (count("select count(*) from kdw_xs where (lb=" + n + " or lb1=" + n + " or lb2=" + n + ")" + kStudentsNotGone) > 0)
        throw SetupRefusal("这个类别还有在园或休学的学生，不能停用。");
    cn_.execute("update kdw_xslx set del=1 where id=" + n);
}

std::vector<FeeItem> SchoolSetup::feeItems() const {
    std::vector<FeeItem> out;
    for (RecordsetPtr rs = cn_.execute("select id,bh,mc,jflx,cqts,qftj from kdw_sfxm where id>0 and del=0 order by id");
         rs && !rs->eof(); rs->moveNext()) {
        FeeItem item;
        item.id = static_cast<int>(rs->field(std::size_t{0}).toInt());
        item.code = rs->field(1).toText();
        item.name = rs->field(2).toText();
        item.kind = static_cast<FeeKind>(rs->field(3).toInt());
        item.perDay = rs->field(4).toText() == "Y";
        item.inArrears = rs->field(5).toText() == "Y";
        out.push_back(item);
    }
    return out;
}

int SchoolSetup::addFeeItem(const FeeItem& item) {
    FeeItem added = item;
    added.id = nextId("kdw_sfxm");
    const std::string clean = checkedName("kdw_sfxm", added.id, item.name, "收费项目");
    char code[8];
    std::snprintf(code, sizeof code, "%02d", added.id);
    cn_.execute("insert into kdw_sfxm(id,bh,mc,jflx,projectID_DF,cqts,qftj,del) values(" + schooltext::num(added.id) + "," +
                sqlLiteral(schooltext::trimmed(item.code).empty() ? code : schooltext::trimmed(item.code)) + "," + sqlLiteral(clean) + "," +
                schooltext::num(static_cast<int>(item.kind)) + ",0,'N','Y',0)");
    updateFeeItem(added);
    return added.id;
}

void SchoolSetup::updateFeeItem(const FeeItem& item) {
    const std::string clean = checkedName("kdw_sfxm", item.id, item.name, "收费项目");
    const std::string id = schooltext::num(item.id);
    // A kind decides under which period the item's records and arrears are
    // kept: once any names the item, the kind stays.
    if (count("select count(*) from kdw_sfxm where id=" + id + " and jflx<>" + schooltext::num(static_cast<int>(item.kind))) > 0 &&
        count("select count(*) from kdw_sfjlmx where sfxmid=" + id) + count("select count(*) from qfmxb where sfxmid=" + id) >
            0)
        throw SetupRefusal("收费项目“" + clean + "”已经有收费或欠费记录，不能改变收费方式。");
    cn_.execute("update kdw_sfxm set mc=" + sqlLiteral(clean) +
                (schooltext::trimmed(item.code).empty() ? std::string() : ",bh=" + sqlLiteral(schooltext::trimmed(item.code))) +
                ",jflx=" + schooltext::num(static_cast<int>(item.kind)) + ",cqts=" + (item.perDay ? "'Y'" : "'N'") +
                ",qftj=" + (item.inArrears ? "'Y'" : "'N'") + " where id=" + id);
}

void SchoolSetup::retireFeeItem(int id) {
    cn_.execute("update kdw_sfxm set del=1 where id=" + schooltext::num(id));
    cn_.execute("update kdw_sflx set del=1 where sfxmid=" + schooltext::num(id));
}

std::vector<ChargeType> SchoolSetup::chargeTypes() const {
    std::vector<ChargeType> out;
    for (RecordsetPtr rs = cn_.execute("select id,max(mc) from kdw_sflx where del=0 and sfxmid=0 group by id order by id");
         rs && !rs->eof(); rs->moveNext())
        out.push_back({static_cast<int>(rs->field(std::size_t{0}).toInt()), rs->field(1).toText(), {}});
    // Types written before the program kept them have no row of their own.
    for (RecordsetPtr rs = cn_.execute("select id,max(mc) from kdw_sflx where del=0 and id not in(select id from "
                                       "kdw_sflx where sfxmid=0) group by id order by id");
         rs && !rs->eof(); rs->moveNext())
        out.push_back({static_cast<int>(rs->field(std::size_t{0}).toInt()), rs->field(1).toText(), {}});
    for (ChargeType& type : out)
        for (RecordsetPtr rs = cn_.execute("select sfxmid,je,coalesce(mrcqts,0) from kdw_sflx where del=0 and sfxmid>0 "
                                           "and id=" + schooltext::num(type.id) + " order by sfxmid");
             rs && !rs->eof(); rs->moveNext())
            type.lines.push_back({static_cast<int>(rs->field(std::size_t{0}).toInt()), rs->field(1).toCurrency(),
                                  static_cast<int>(rs->field(2).toInt())});
    return out;
}

int SchoolSetup::addChargeType(const std::string& name) {
    const std::string clean = checkedName("kdw_sflx", 0, name, "收费类型");
    const int id = nextId("kdw_sflx");
    // The type's own row (item 0) carries its name before it has items;
    // dues count items with an id above 0 only.
    cn_.execute("insert into kdw_sflx(id,mc,sfxmid,je,mrcqts,del) values(" + schooltext::num(id) + "," + sqlLiteral(clean) +
                ",0,0,0,0)");
    return id;
}

void SchoolSetup::renameChargeType(int id, const std::string& name) {
    const std::string clean = checkedName("kdw_sflx", id, name, "收费类型");
    cn_.execute("update kdw_sflx set mc=" + sqlLiteral(clean) + " where id=" + schooltext::num(id));
}

void SchoolSetup::setChargeLine(int typeId, const ChargeLine& line) {
    if (line.amount < Currency() || line.days < 0 || line.days > 31) throw SetupRefusal("标准金额或默认天数不对。");
    const std::string type = schooltext::num(typeId), item = schooltext::num(line.itemId);
    if (count("select count(*) from kdw_sflx where del=0 and id=" + type) == 0) throw SetupRefusal("没有这个收费类型。");
    if (count("select count(*) from kdw_sfxm where del=0 and id>0 and id=" + item) == 0)
        throw SetupRefusal("没有这个收费项目。");
    const std::string values = "je=" + line.amount.plainText() + ",mrcqts=" + schooltext::num(line.days);
    if (count("select count(*) from kdw_sflx where id=" + type + " and sfxmid=" + item) > 0) {
        cn_.execute("update kdw_sflx set " + values + ",del=0 where id=" + type + " and sfxmid=" + item);
        return;
    }
    cn_.execute("insert into kdw_sflx(id,mc,sfxmid,je,mrcqts,del) select id,max(mc)," + item + "," +
                line.amount.plainText() + "," + schooltext::num(line.days) + ",0 from kdw_sflx where id=" + type + " group by id");
}

void SchoolSetup::retireChargeType(int id) {
    if (count("select count(*) from kdw_xs where sflxid=" + schooltext::num(id) + kStudentsNotGone) > 0)
        throw SetupRefusal("这个收费类型还有在园或休学的学生，不能停用。");
    cn_.execute("update kdw_sflx set del=1 where id=" + schooltext::num(id));
}

}  // namespace fo
