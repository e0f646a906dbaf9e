#include "host/school/StudentImport.h"

#include <cstdio>
#include <map>
#include <set>

#include "db/values/DateTime.h"
#include "host/database/SqlText.h"
#include "host/school/PinyinInitials.h"
#include "host/school/SetupText.h"

namespace fo {
namespace {

// "2026/9/1", "2026.9.1" and "2026-9-1" are the day "2026-09-01"; anything
// else stays as it is, for the check to name.
std::string dayText(const std::string& typed) {
    int y = 0, m = 0, d = 0;
    char a = 0, b = 0, rest = 0;
    if (std::sscanf(typed.c_str(), "%d%c%d%c%d%c", &y, &a, &m, &b, &d, &rest) == 5 && a == b &&
        (a == '-' || a == '/' || a == '.')) {
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
        return text;
    }
    return typed;
}

// Ids by name of what the rows may name: live classes, charge types, and
// categories under their parent.
struct Names {
    std::map<std::string, int> classes, types;
    std::map<std::pair<int, std::string>, int> categories;
};

Names namesOf(Connection& cn) {
    Names names;
    SchoolSetup school(cn);
    for (const SchoolClass& c : school.classes()) names.classes[c.name] = c.id;
    for (const ChargeType& t : school.chargeTypes()) names.types[t.name] = t.id;
    for (const StudentCategory& c : school.categories()) names.categories[{c.parentId, c.name}] = c.id;
    return names;
}

}  // namespace

const std::vector<std::string>& rosterColumns() {
    static const std::vector<std::string> columns = {"学号", "姓名", "简码", "性别", "出生日期", "入园日期",
                                                     "班级", "收费类型", "一级类别", "二级类别", "三级类别", "状态",
                                                     "父亲", "父亲电话", "母亲", "母亲电话", "家庭电话"};
    return columns;
}

std::string rosterExportQuery() {
    return "select a.xh as 学号,a.xm as 姓名,a.jm as 简码,a.sex as 性别,a.csrq as 出生日期,a.rxsj as 入园日期,"
           "b.mc as 班级,(select max(t.mc) from kdw_sflx as t where t.id=a.sflxid) as 收费类型,"
           "c1.mc as 一级类别,c2.mc as 二级类别,c3.mc as 三级类别,"
           "case a.intTx when 0 then '在园' when 1 then '休学' when 2 then '退学' else '毕业' end as 状态,"
           "a.fqxm as 父亲,a.fqsj as 父亲电话,a.mqxm as 母亲,a.mqsj as 母亲电话,a.jtdh as 家庭电话"
           " from kdw_xs as a left join kdw_bj as b on b.id=a.bjid left join kdw_xslx as c1 on c1.id=a.lb1"
           " left join kdw_xslx as c2 on c2.id=a.lb2 left join kdw_xslx as c3 on c3.id=a.lb"
           " where a.del=0 order by a.xh";
}

std::size_t ImportPlan::accepted() const {
    std::size_t n = 0;
    for (const ImportRow& row : rows) n += row.refusal.empty() ? 1 : 0;
    return n;
}

ImportPlan planStudentImport(Connection& cn, const std::vector<std::vector<std::string>>& table) {
    ImportPlan plan;
    if (table.empty()) {
        plan.refusal = "文件是空的。";
        return plan;
    }
    std::map<std::string, std::size_t> at;
    for (std::size_t c = 0; c < table[0].size(); ++c) at[schooltext::trimmed(table[0][c])] = c;
    for (const char* needed : {"学号", "姓名", "班级", "收费类型"})
        if (!at.count(needed)) {
            plan.refusal = std::string("第一行没有“") + needed + "”列。";
            return plan;
        }
    const Names names = namesOf(cn);
    const StudentRoster roster(cn, 0);
    std::set<std::string> numbers;  // taken by earlier rows of the file
    const std::string today = DateTime::today().dateText();
    for (std::size_t r = 1; r < table.size(); ++r) {
        const std::vector<std::string>& cells = table[r];
        const auto cell = [&](const std::string& column) {
            const auto found = at.find(column);
            return found == at.end() || found->second >= cells.size() ? std::string()
                                                                        : schooltext::trimmed(cells[found->second]);
        };
        bool blank = true;
        for (const std::string& c : cells) blank = blank && schooltext::trimmed(c).empty();
        if (blank) continue;
        ImportRow row;
        row.line = r + 1;
        Student& s = row.student;
        s.number = cell("学号");
        s.name = cell("姓名");
        s.shortCode = cell("简码").empty() ? pinyinInitials(s.name) : cell("简码");
        s.sex = cell("性别");
        s.birthDate = dayText(cell("出生日期"));
        s.entryDate = cell("入园日期").empty() ? today : dayText(cell("入园日期"));
        s.father = cell("父亲");
        s.fatherPhone = cell("父亲电话");
        s.mother = cell("母亲");
        s.motherPhone = cell("母亲电话");
        s.homePhone = cell("家庭电话");
        const auto className = names.classes.find(cell("班级"));
        const auto typeName = names.types.find(cell("收费类型"));
        s.classId = className == names.classes.end() ? -1 : className->second;
        s.chargeTypeId = typeName == names.types.end() ? -1 : typeName->second;
        // The category named level by level, each under the one before.
        for (const char* level : {"一级类别", "二级类别", "三级类别"}) {
            const std::string name = cell(level);
            if (name.empty() || s.categoryId < 0) break;
            const auto found = names.categories.find({s.categoryId, name});
            s.categoryId = found == names.categories.end() ? -1 : found->second;
        }
        const std::string status = cell("状态");
        int statusIndex = -1;
        for (std::size_t i = 0; i < studentStatusCaptions().size(); ++i)
            if (status.empty() ? i == 0 : studentStatusCaptions()[i] == status) statusIndex = static_cast<int>(i);
        if (statusIndex < 0) row.refusal = "状态“" + status + "”不对";
        else s.status = static_cast<StudentStatus>(statusIndex);
        if (row.refusal.empty()) row.refusal = roster.refusalOf(s);
        if (row.refusal.empty() && numbers.count(s.number)) row.refusal = "学号" + s.number + "已经用过";
        if (row.refusal.empty()) numbers.insert(s.number);
        plan.rows.push_back(row);
    }
    return plan;
}

std::size_t postStudentImport(Connection& cn, int userId, const std::vector<std::vector<std::string>>& table,
                              const ImportPlan& shown) {
    const ImportPlan now = planStudentImport(cn, table);
    bool same = now.refusal == shown.refusal && now.rows.size() == shown.rows.size();
    for (std::size_t i = 0; same && i < now.rows.size(); ++i) same = now.rows[i].refusal == shown.rows[i].refusal;
    if (!same) throw SetupRefusal("预览之后学生档案或学校设置有了变化，没有导入任何学生。请重新预览。");
    if (!now.refusal.empty()) throw SetupRefusal(now.refusal);
    StudentRoster roster(cn, userId);
    std::size_t added = 0;
    for (const ImportRow& row : now.rows)
        if (row.refusal.empty()) {
            roster.add(row.student);
            ++added;
        }
    return added;
}

}  // namespace fo
