#include "host/school/StudentRoster.h"

#include "db/values/DateTime.h"
#include "host/database/SqlText.h"
#include "host/school/SetupText.h"
#include "host/school/PinyinInitials.h"

namespace fo {
namespace {

bool isDayOrNone(const std::string& text) {
    if (text.empty()) return true;
    const auto d = DateTime::parse(text);
    return d && text.size() == 10 && d->dateText() == text;
}

std::string sqlDateOrNull(const std::string& text) { return text.empty() ? "null" : sqlLiteral(text); }

// A stored date as "yyyy-mm-dd", "" when there is none.
std::string storedDay(const Value& v) {
    const std::string text = v.toText();
    return text.size() >= 10 ? text.substr(0, 10) : std::string();
}

const char* const kStudentColumns =
    "select id,xh,xm,jm,sex,csrq,rxsj,bjid,sflxid,lb,lb1,lb2,fqxm,fqsj,mqxm,mqsj,jtdh,intTx from kdw_xs";

Student studentOfRow(Recordset& rs) {
    Student s;
    s.id = static_cast<int>(rs.field(std::size_t{0}).toInt());
    s.number = rs.field(1).toText();
    s.name = rs.field(2).toText();
    s.shortCode = rs.field(3).toText();
    s.sex = rs.field(4).toText();
    s.birthDate = storedDay(rs.field(5));
    s.entryDate = storedDay(rs.field(6));
    s.classId = static_cast<int>(rs.field(7).toInt());
    s.chargeTypeId = static_cast<int>(rs.field(8).toInt());
    // The deepest category set.
    for (std::size_t column : {std::size_t{9}, std::size_t{11}, std::size_t{10}})
        if (s.categoryId == 0) s.categoryId = static_cast<int>(rs.field(column).toInt());
    s.father = rs.field(12).toText();
    s.fatherPhone = rs.field(13).toText();
    s.mother = rs.field(14).toText();
    s.motherPhone = rs.field(15).toText();
    s.homePhone = rs.field(16).toText();
    s.status = static_cast<StudentStatus>(rs.field(17).toInt());
    return s;
}

}  // namespace

const std::vector<std::string>& studentStatusCaptions() {
    static const std::vector<std::string> captions = {"在园", "休学", "退学", "毕业"};
    return captions;
}

long StudentRoster::count(const std::string& sql) const {
    RecordsetPtr rs = cn_.execute(sql);
    return rs && !rs->eof() ? static_cast<long>(rs->field(std::size_t{0}).toInt()) : 0;
}

std::string StudentRoster::refusalOf(const Student& s) const {
    if (schooltext::trimmed(s.name).empty()) return "没有姓名";
    if (schooltext::trimmed(s.number).empty()) return "没有学号";
    if (count("select count(*) from kdw_xs where xh=" + sqlLiteral(schooltext::trimmed(s.number)) + " and id<>" + schooltext::num(s.id)) > 0)
        return "学号" + schooltext::trimmed(s.number) + "已经用过";
    if (count("select count(*) from kdw_bj where del=0 and id=" + schooltext::num(s.classId)) == 0) return "没有这个班级";
    if (count("select count(*) from kdw_sflx where del=0 and id=" + schooltext::num(s.chargeTypeId)) == 0)
        return "没有这个收费类型";
    if (s.categoryId != 0 && count("select count(*) from kdw_xslx where del=0 and id=" + schooltext::num(s.categoryId)) == 0)
        return "没有这个学生类别";
    if (!isDayOrNone(s.birthDate)) return "出生日期“" + s.birthDate + "”不是日期";
    if (s.entryDate.empty() || !isDayOrNone(s.entryDate)) return "入园日期“" + s.entryDate + "”不是日期";
    if (s.sex != "" && s.sex != "男" && s.sex != "女") return "性别只能是男或女";
    for (const auto& [item, percent] : s.discounts)
        if (percent < 0 || percent > 100 || count("select count(*) from kdw_sfxm where del=0 and id=" + schooltext::num(item)) == 0)
            return "折扣不对";
    return {};
}

std::string StudentRoster::categoryColumns(int categoryId) const {
    // The path from the first level down: lb1 the first, lb2 the second,
    // lb the third.
    std::vector<int> path;
    for (int id = categoryId; id != 0 && path.size() < 8;) {
        path.insert(path.begin(), id);
        RecordsetPtr rs = cn_.execute("select parentid from kdw_xslx where id=" + schooltext::num(id));
        id = rs && !rs->eof() ? static_cast<int>(rs->field(std::size_t{0}).toInt()) : 0;
    }
    path.resize(3, 0);
    return "lb1=" + schooltext::num(path[0]) + ",lb2=" + schooltext::num(path[1]) + ",lb=" + schooltext::num(path[2]);
}

void StudentRoster::writeDiscounts(int id, const std::vector<std::pair<int, int>>& discounts) {
    cn_.execute("delete from xszhekou where xsid=" + schooltext::num(id));
    for (const auto& [item, percent] : discounts)
        if (percent != 100)
            cn_.execute("insert into xszhekou(xsid,xmid,zhekou) values(" + schooltext::num(id) + "," + schooltext::num(item) + "," +
                        schooltext::num(percent) + ")");
}

int StudentRoster::add(Student s) {
    s.id = 0;
    if (const std::string why = refusalOf(s); !why.empty()) throw SetupRefusal(why + "。");
    s.id = static_cast<int>(count("select coalesce(max(id),0) from kdw_xs")) + 1;
    const std::string today = DateTime::today().dateText();
    cn_.execute("insert into kdw_xs(id,xh,xm,bjid,sflxid,rxsj,djsj,ysk,del,intTx) values(" + schooltext::num(s.id) + "," +
                sqlLiteral(schooltext::trimmed(s.number)) + "," + sqlLiteral(schooltext::trimmed(s.name)) + "," + schooltext::num(s.classId) + "," +
                schooltext::num(s.chargeTypeId) + "," + sqlLiteral(s.entryDate) + "," + sqlLiteral(today) + ",0,0,0)");
    cn_.execute("insert into kdw_xsbd(xsid,bdrq,bjid,sflxid,userid,czrq) values(" + schooltext::num(s.id) + "," +
                sqlLiteral(s.entryDate) + "," + schooltext::num(s.classId) + "," + schooltext::num(s.chargeTypeId) + "," + schooltext::num(userId_) + "," +
                sqlLiteral(today) + ")");
    update(s);
    return s.id;
}

void StudentRoster::update(Student s) {
    if (count("select count(*) from kdw_xs where id=" + schooltext::num(s.id)) == 0) throw SetupRefusal("没有这个学生。");
    // The class and type stand as his moves left them.
    RecordsetPtr now = cn_.execute("select bjid,sflxid from kdw_xs where id=" + schooltext::num(s.id));
    s.classId = static_cast<int>(now->field(std::size_t{0}).toInt());
    s.chargeTypeId = static_cast<int>(now->field(1).toInt());
    if (const std::string why = refusalOf(s); !why.empty()) throw SetupRefusal(why + "。");
    const std::string code = schooltext::trimmed(s.shortCode).empty() ? pinyinInitials(s.name) : schooltext::trimmed(s.shortCode);
    cn_.execute("update kdw_xs set xh=" + sqlLiteral(schooltext::trimmed(s.number)) + ",xm=" + sqlLiteral(schooltext::trimmed(s.name)) +
                ",jm=" + sqlLiteral(code) + ",sex=" + sqlLiteral(s.sex) + ",csrq=" + sqlDateOrNull(s.birthDate) +
                ",rxsj=" + sqlLiteral(s.entryDate) + "," + categoryColumns(s.categoryId) + ",fqxm=" +
                sqlLiteral(schooltext::trimmed(s.father)) + ",fqsj=" + sqlLiteral(schooltext::trimmed(s.fatherPhone)) + ",mqxm=" +
                sqlLiteral(schooltext::trimmed(s.mother)) + ",mqsj=" + sqlLiteral(schooltext::trimmed(s.motherPhone)) + ",jtdh=" +
                sqlLiteral(schooltext::trimmed(s.homePhone)) + ",intTx=" + schooltext::num(static_cast<int>(s.status)) +
                " where id=" + schooltext::num(s.id));
    writeDiscounts(s.id, s.discounts);
}

void StudentRoster::move(int id, int classId, int chargeTypeId, const std::string& asOf) {
    if (asOf.empty() || !isDayOrNone(asOf)) throw SetupRefusal("调动日期不对。");
    if (count("select count(*) from kdw_xs where del=0 and id=" + schooltext::num(id)) == 0) throw SetupRefusal("没有这个学生。");
    if (count("select count(*) from kdw_bj where del=0 and id=" + schooltext::num(classId)) == 0) throw SetupRefusal("没有这个班级。");
    if (count("select count(*) from kdw_sflx where del=0 and id=" + schooltext::num(chargeTypeId)) == 0)
        throw SetupRefusal("没有这个收费类型。");
    if (count("select count(*) from kdw_xsbd where xsid=" + schooltext::num(id) + " and bdrq>" + sqlLiteral(asOf)) > 0)
        throw SetupRefusal("调动日期早于他上一次调动。");
    // What a carried-over month owed is stored arrears: it stays as it was.
    if (count("select count(*) from ajzrq as a inner join hisxsinfo as h on h.jzyf=a.yf and h.xsid=0 where a.todate>=" +
              sqlLiteral(asOf)) > 0)
        throw SetupRefusal("调动日期所在的月份已经结转。");
    cn_.execute("insert into kdw_xsbd(xsid,bdrq,bjid,sflxid,userid,czrq) values(" + schooltext::num(id) + "," + sqlLiteral(asOf) +
                "," + schooltext::num(classId) + "," + schooltext::num(chargeTypeId) + "," + schooltext::num(userId_) + "," +
                sqlLiteral(DateTime::today().dateText()) + ")");
    cn_.execute("update kdw_xs set bjid=" + schooltext::num(classId) + ",sflxid=" + schooltext::num(chargeTypeId) + " where id=" + schooltext::num(id));
}

void StudentRoster::retire(int id) { cn_.execute("update kdw_xs set del=1 where id=" + schooltext::num(id)); }

std::optional<Student> StudentRoster::find(int id) const {
    RecordsetPtr rs = cn_.execute(std::string(kStudentColumns) + " where id=" + schooltext::num(id));
    if (!rs || rs->eof()) return std::nullopt;
    Student s = studentOfRow(*rs);
    for (RecordsetPtr d = cn_.execute("select xmid,zhekou from xszhekou where xsid=" + schooltext::num(id) + " order by xmid");
         d && !d->eof(); d->moveNext())
        s.discounts.emplace_back(static_cast<int>(d->field(std::size_t{0}).toInt()),
                                 static_cast<int>(d->field(1).toCurrency().toDouble() + 0.5));
    return s;
}

std::vector<Student> StudentRoster::list(bool alsoGone) const {
    std::vector<Student> out;
    for (RecordsetPtr rs = cn_.execute(std::string(kStudentColumns) + " where del=0" +
                                       (alsoGone ? "" : " and intTx in(0,1)") + " order by xh");
         rs && !rs->eof(); rs->moveNext())
        out.push_back(studentOfRow(*rs));
    return out;
}

std::vector<std::vector<std::string>> StudentRoster::moves(int id) const {
    std::vector<std::vector<std::string>> out;
    for (RecordsetPtr rs = cn_.execute(
             "select d.bdrq,b.mc,(select max(t.mc) from kdw_sflx as t where t.id=d.sflxid) from kdw_xsbd as d "
             "left join kdw_bj as b on b.id=d.bjid where d.xsid=" + schooltext::num(id) + " order by d.bdrq");
         rs && !rs->eof(); rs->moveNext())
        out.push_back({storedDay(rs->field(std::size_t{0})), rs->field(1).toText(), rs->field(2).toText()});
    return out;
}

}  // namespace fo
