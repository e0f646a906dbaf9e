#include "batch/BatchStatements.h"

#include <algorithm>
#include <cctype>

#include "data/Dialect.h"
#include "reduction/JmjlStatements.h"

namespace fo::batch {
namespace {

const std::string& number(const std::string& text, const char* what) { return jmjl::number(text, what); }

// A list of ids for in(...): every entry must be a number.
const std::string& idList(const std::string& ids) {
    std::size_t start = 0;
    while (start <= ids.size()) {
        const std::size_t comma = std::min(ids.find(',', start), ids.size());
        number(ids.substr(start, comma - start), "id");
        start = comma + 1;
    }
    return ids;
}

std::string q(const std::string& text) { return sqlQuote(text); }

// The work table with the three other tables of the arrears list.
std::string arrearsFrom(const std::string& table, const std::string& category, const char* whereBlanks) {
    return "from " + table + "  as a,kdw_bj as c,kdw_xs as t,kdw_sfxm as xm" + CRLF + "Where" + whereBlanks +
           "a.xsId = T.ID And T.bjid = C.ID And a.sfxmid = xm.ID" + CRLF + category + CRLF;
}

// The optional conditions of the cross-tab records, each on its own line.
std::string recordConditions(const CrossTabFilter& f) {
    return std::string(CRLF) + (f.student.empty() ? "" : "  (t.xh='" + q(f.student) + "' or t.xm='" + q(f.student) + "') and ") +
           CRLF + (f.className.empty() ? "" : "  (c.bjmc='" + q(f.className) + "' or c.bjmc='" + q(f.className) + "') and ") +
           CRLF + (f.period.empty() ? "" : "   c.sfyf='" + q(f.period) + "' and ") +
           "   left(c.djbh,3)<>'YSK' and c.ysfjlid=0";
}

std::string recordTables() {
    return std::string("kdw_sfjlmx As b,kdw_sfjl as c,kdw_xs as t,ajzrq as jz") + CRLF +
           "Where a.ID = b.sfxmid and b.sfjlid =c.id and c.xsid=t.id and c.sfyf=jz.yf   " + CRLF;
}

}  // namespace

std::string studentList(const std::string& category, const std::string& restriction) {
    return std::string("select a.id as 序号,") +
           "a.xh as 学号, a.xm as 姓名, b.mc as 班级名称, a.sex as 性别, a.csrq as 出生日期, 0 as 年龄, c.mc1 as 收费类型, " + CRLF +
           "a.rxsj as 入学时间, a.jtdh as 家庭电话,a.djsj as 登记时间,a.jtzz as 家庭住址,  a.fqxm as 父亲姓名, a.mqxm as 母亲姓名," + CRLF +
           "a.fqgzdw as 父亲工作单位, a.mqgzdw as 母亲工作单位, a.fqgzdw_dh as 父亲工作单位_电话, a.mqgzdw_dh as 母亲工作单位_电话, " + CRLF +
           "a.fqsj as 父亲手机, a.mqsj as 母亲手机, a.jsr1 as 接送人1, a.jsr2 as 接送人2, a.jsr3 as 接送人3,a.jsdz as 接送地址," + CRLF +
           "a.jsr as 介绍人, a.jsr_sex as 介绍人性别, a.jsr_tel as 介绍人电话, a.jsr_dz as 介绍人地址,a.scsfrq as 上次收费日期,"
           "a.bcsfrq as 本次收费日期,a.ysk as 预收款,a.sfzh as 身份证号,(select mc from kdw_xslx where id=a.lb1) as 类别1,"
           "(select mc from kdw_xslx where id=a.lb2) as 类别2,(select mc from kdw_xslx where id=a.lb) as 类别3 " + " " +
           " From KDW_xs as a , KDW_bj as b ,(select id,max(mc) as mc1 from kdw_sflx group by id) as c" + CRLF +
           " where a.bjid=b.id and a.sflxid=c.id  and a.inttx=0 " + CRLF + " and a.del=0   " + CRLF + category +
           (restriction.empty() ? "" : " and a.id in(" + restriction + ")") + CRLF + " order by a.xh ";
}

std::string feeTypeItems(const std::string& sflxid, const std::string& jflx) {
    return std::string("select a.id,a.mc AS 收费项目 ,b.je as 金额,a.projectID_DF,b.mrcqts,a.cqts from  KDW_sfxm a inner join") +
           CRLF + "(SELECT * FROM   KDW_sflx where " + CRLF + " id=" + number(sflxid, "sflxid") +
           ")  B ON b.sfxmid=a.id where a.jflx=" + number(jflx, "jflx") + " and a.id not in(-100) ";
}

std::string feeTypes() { return "select id,max( mc) as mc1 from KDW_sflx group by id"; }

std::string visibleStudentCount(const std::string& category) {
    return "select count(*) from kdw_xs where del=0 and inttx=0 " + category;
}

std::string arrearsQuery(const std::string& table, const std::string& category) {
    return std::string("select   a.xsid,t.xh,t.xm,c.mc as bjmc,a.SFYF, xm.mc as 收费项目,sum(a.ysje-(jfje+jmje)) as 金额,"
                       "xm.ID AS XMID,XM.JFLX ") + CRLF + arrearsFrom(table, category, "  ") +
           "group by a.sfyf,a.xsid,c.mc,t.xh,t.xm,xm.bh,xm.mc,xm.id,XM.JFLX" + CRLF +
           "Having Sum(a.ysje - (jfje + jmje)) > 0" + CRLF + "order by a.xsid,a.sfyf";
}

std::string paidItems(const std::string& category, const std::string& months, const std::string& itemIds,
                      const std::string& student, const std::string& classId, const std::string& where) {
    std::string quotedMonths;
    for (std::size_t start = 0; start <= months.size();) {
        const std::size_t comma = std::min(months.find(',', start), months.size());
        quotedMonths += (quotedMonths.empty() ? "'" : ",'") + q(months.substr(start, comma - start)) + "'";
        start = comma + 1;
    }
    // The students as the arrears list finds them: by number or name, class
    // and the filter dialog's condition (a query of ids, or a condition).
    std::string students = "select id from kdw_xs where del=0 and intTx=0";
    if (!student.empty()) students += " and (xh='" + q(student) + "' or xm='" + q(student) + "')";
    if (!classId.empty()) students += " and bjid=" + number(classId, "bjid");
    std::string lower = where.substr(0, 7);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.rfind("select", 0) == 0) students += " and id in(" + where + ")";
    else if (lower.rfind("and ", 0) == 0) students += " " + where;
    else if (!where.empty()) students += " and (" + where + ")";
    return std::string("select a.xsid,t.xh,t.xm,c.mc as bjmc,a.sfyf,xm.mc as 收费项目,xm.id as XMID,xm.jflx as JFLX") +
           CRLF + "from kdw_sfjl as a,kdw_sfjlmx as b,kdw_xs as t,kdw_bj as c,kdw_sfxm as xm" + CRLF +
           "where b.sfjlid=a.id and a.xsid=t.id and t.bjid=c.id and b.sfxmid=xm.id and b.je>0" +
           " and left(a.djbh,2)<>'JM' and left(a.djbh,3)<>'YSK' and coalesce(a.ysfjlid,0)=0" +
           " and not exists(select 1 from kdw_sfjl as m where m.ysfjlid=a.id)" + CRLF + " and a.sfyf in(" +
           quotedMonths + ") and b.sfxmid in(" + idList(itemIds) + ") and a.xsid in(" + students + ")" + CRLF +
           category + CRLF + "group by a.xsid,t.xh,t.xm,c.mc,a.sfyf,xm.bh,xm.mc,xm.id,xm.jflx" + CRLF +
           "order by a.xsid,a.sfyf,xm.bh";
}

std::string studentSubtotal(const std::string& table, const std::string& category, const std::string& xsid) {
    return std::string(" select sum(金额) from (select   sum(a.ysje-(jfje+jmje)) as 金额 ") + CRLF +
           arrearsFrom(table, category, "  ") + "and  a.xsid=" + number(xsid, "xsid") + "  group by a.xsid,t.xh,t.xm,xm.id" +
           CRLF + "Having Sum(a.ysje - (jfje + jmje)) > 0) as a";
}

std::string lastStudentSubtotal(const std::string& table, const std::string& category, const std::string& xsid) {
    return std::string(" select sum(金额) from (select   sum(a.ysje-jfje-jmje) as 金额") + CRLF +
           arrearsFrom(table, category, " ") + "and  a.xsid=" + number(xsid, "xsid") + "  group by a.xsid,t.xh,t.xm,xm.id" +
           CRLF + "Having Sum(a.ysje - (jfje + jmje)) > 0) as aa";
}

std::string grandTotal(bool sqlServer, const std::string& table, const std::string& category) {
    return std::string("select   '' as xsid,'' AS SFYF,'' as bjmc,'' as xh,'总计' as xm, '',sum(a.ysje-jfje-") +
           (sqlServer ? "isnull(jmje,0)" : "iif(isnull(jmje),0,jmje)") + ") as 金额" + CRLF +
           arrearsFrom(table, category, "  ") + "Having Sum(a.ysje - (jfje + jmje)) > 0";
}

std::string crossTabItems(const std::string& itemIds) {
    return "select bh, id,mc from kdw_sfxm where  id in(" + idList(itemIds) + ") order by bh";
}

std::string crossTabRecords(const std::string& category, const CrossTabFilter& f, const std::string& itemIds) {
    return std::string("select c.xsid,jz.jfmc AS SFYF,c.bjmc,t.xh,t.xm, a.bh,a.mc as 收费项目,sum(b.je) as 金额 from kdw_sfxm  as a ,") +
           CRLF + recordTables() + category + CRLF + "and" + recordConditions(f) + CRLF +
           " and c.id not in(select ysfjlid from kdw_sfjl) and b.sfxmid in(" + idList(itemIds) + ")  " + CRLF +
           "group by jz.jfmc,c.bjmc,c.xsid,a.bh,a.mc,t.xh,t.xm" + CRLF + "order  by jz.jfmc,c.bjmc,c.xsid,a.bh,a.mc,t.xh,t.xm";
}

std::string crossTabStudentsWithout(const std::string& category, const CrossTabFilter& f) {
    return std::string("select a.id,a.学号,a.姓名,a.班级  from vxsxx as a ,kdw_sflx as b,kdw_sfxm as c ") + CRLF +
           " Where a.sflxid = b.ID and b.sfxmid=c.id And c.qftj='Y' and a.del = 0 And a.inttx = 0 " + CRLF + category +
           CRLF + (f.student.empty() ? "" : " and (a.学号='" + q(f.student) + "' or a.姓名='" + q(f.student) + "') ") + CRLF +
           (f.className.empty() ? "" : " and a.班级='" + q(f.className) + "'") + CRLF + " and a.id not in(" + CRLF +
           "select c.xsid from kdw_sfxm  as a ," + CRLF + "kdw_sfjlmx As b,kdw_sfjl as c,kdw_xs as t,ajzrq as jz" + CRLF +
           "Where  a.ID = b.sfxmid and b.sfjlid =c.id and c.xsid=t.id and c.sfyf=jz.yf and  " + recordConditions(f) + CRLF +
           ") group by a.id,a.姓名,a.学号,a.班级" + CRLF + " order by a.学号";
}

std::string crossTabTotal(const std::string& category, const CrossTabFilter& f, const std::string& itemIds) {
    return std::string("select '' as xsid,'合计' AS SFYF,'' as bjmc,'' as xh,'' as xm, a.bh,a.mc as 收费项目,sum(b.je) as 金额 "
                       "from kdw_sfxm as a ,") +
           CRLF + recordTables() + category + CRLF + "and" + recordConditions(f) + CRLF +
           " and c.id not in(select ysfjlid from kdw_sfjl) and b.sfxmid in(" + idList(itemIds) + ")" + CRLF +
           " group by a.bh,a.mc";
}

std::string postingTableCreate(const std::string& table) {
    return "create table " + table +
           "( xsid int,sfyf varchar(20),sfxmid int,ysje money,termfrom datetime,termto datetime,ye money,jmje money,"
           "qfkid int,feetermname varchar(200))";
}

std::string postingTableEmpty(const std::string& table) { return "delete from " + table; }

std::string postingRowInsert(const std::string& table, const std::string& xsid, const std::string& sfyf,
                             const std::string& xmid, Currency ysje, Currency jmje) {
    return "insert into " + table + "(xsid,sfyf,sfxmid,ysje,ye,jmje,qfkid)" + " Values(" + number(xsid, "xsid") + ",'" +
           q(sfyf) + "'," + number(xmid, "sfxmid") + "," + ysje.plainText() + ",0," + jmje.plainText() + ",0)";
}

std::string oneOffDates(const std::string& table, const std::string& currentYfFromDate) {
    return "update " + table + " set termfrom='" + q(currentYfFromDate) + "' ,feetermname='一次性' where sfyf='一次性'";
}

std::string periodsOfKind(const std::string& table, int jflx) {
    return "select sfyf from " + table + " where sfxmid in(select id from kdw_sfxm where jflx=" + std::to_string(jflx) +
           ") group by sfyf";
}

std::string periodDates(int jflx, const std::string& table, const std::string& from, const std::string& to,
                        const std::string& period) {
    const std::string name = q(from) + "至" + q(to);
    const std::string where = "where sfyf='" + q(period) + "'";
    if (jflx == 3)
        return "update  " + table + " set termfrom='" + q(from) + "',termto='" + q(to) + "',feetermname='" + name + "'  " + where;
    if (jflx == 0) return "update  " + table + " set termfrom='" + q(from) + "' ,feetermname='" + name + "'   " + where;
    return "update  " + table + " set termfrom='" + q(from) + "',feetermname='" + name + "'    " + where;
}

std::string postingGroups(const std::string& table) {
    return "select a.xsid,a.sfyf,a.termfrom,sum(a.jmje) as jmhj,c.mc as bjmc,b.sflxid from " + table +
           " as a ,kdw_xs as b,kdw_bj as c  where a.xsid=b.id and b.bjid=c.id group by a.xsid,a.sfyf,a.termfrom,c.mc,"
           "b.sflxid order by a.sfyf";
}

std::string groupItems(bool sqlServer, const std::string& table, const std::string& xsid, const std::string& sfyf,
                       const std::string& termfrom) {
    const std::string head = "select xsid,sfyf,sfxmid,ysje,termfrom,termto,ye,jmje,qfkid,feetermname from  " + table +
                             " where xsid=" + number(xsid, "xsid") + " and sfyf='" + q(sfyf);
    if (sqlServer) return head + "' and termfrom='" + q(termfrom) + "'";
    return head + "' and termfrom=format('" + q(termfrom) + "','yyyy-mm-dd')";
}

std::string stoppedAt(const std::string& student, const std::string& item) {
    std::string line = std::string(CRLF) + "学生：" + student;
    if (!item.empty()) line += "  收费项目：" + item;
    return line;
}

std::string refusedPostings(const std::vector<std::string>& lines) {
    constexpr std::size_t kShown = 10;
    std::string text = "以下 " + std::to_string(lines.size()) + " 项减免被拒绝，本批减免没有记账：";
    for (std::size_t i = 0; i < lines.size() && i < kShown; ++i) text += CRLF + lines[i];
    if (lines.size() > kShown) text += std::string(CRLF) + "……";
    return text;
}

}  // namespace fo::batch
