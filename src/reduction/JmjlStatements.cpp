#include "reduction/JmjlStatements.h"

#include "data/Dialect.h"
#include "db/DbError.h"

namespace fo::jmjl {
namespace {

// Error number of a value that cannot stand where a number is written.
constexpr int kTypeMismatch = 13;

}  // namespace

const std::string& number(const std::string& text, const char* what) {
    if (!Currency::parse(text)) throw DbError(kTypeMismatch, std::string("类型不匹配: ") + what + "=" + text);
    return text;
}

SqlText& addIdList(SqlText& sql, const std::string* first, const std::string* last, const char* what) {
    for (const std::string* id = first; id != last; ++id) sql.add(id != first ? "," : "").number(number(*id, what));
    return sql;
}

SqlText& addQuotedList(SqlText& sql, const std::set<std::string>& keys) {
    bool first = true;
    for (const auto& k : keys) addQuoted(sql.add(first ? "" : ","), k), first = false;
    return sql;
}

std::string recordInsert(const RecordValues& v) {
    return std::string("insert into KDW_sfjl(id,sfrq,sflxid,xsid,bjmc,jmje,jmyy,") + CRLF + "ysfjlid,qfkid,hkid" +
           CRLF + ",rq,operid,sfyf,skr,djbh)" + CRLF + "values(" + number(v.id, "id") + "," + sqlQuoted(v.sfrq) + "," +
           number(v.sflxid, "sflxid") + "," + CRLF + number(v.xsid, "xsid") + "," + sqlQuoted(v.bjmc) + "," +
           number(v.jmje, "jmje") + "," + sqlQuoted(v.jmyy) + "," + CRLF + "0,0,0," + CRLF + "'" +
           v.rq.dateTimeText() + "'," + number(v.operid, "operid") + "," + sqlQuoted(v.sfyf) + "," + sqlQuoted(v.skr) +
           "," + sqlQuoted(v.djbh) + ")";
}

SqlText itemInsert(const std::string& recordId, const ItemValues& item) {
    SqlText sql("insert into KDW_sfjlmx(sfjlid, sfxmid, jmje,feeTermName,cqts,ysje,ye)values(");
    sql.number(number(recordId, "id")).add(",").number(number(item.sfxmid, "sfxmid")).add(",");
    addQuoted(sql.number(item.jmje.plainText()).add(","), item.feeTermName).add(",");
    return sql.number(item.cqts.plainText()).add(",").number(item.ysje.plainText()).add(",0)");
}

std::string confirmationText(const std::string& xh, const std::string& name, const std::string& total) {
    return "学号:" + xh + " 姓名：" + name + CRLF + std::string(35, '-') + "减免金额:" + total + CRLF + CRLF +
           "        确定减免吗？";
}

std::string overReductionWarning(const std::string& itemName, Currency receivable) {
    return "收费项目[" + itemName + "]" + CRLF + "应收金额：" + receivable.plainText() + CRLF + CRLF +
           "减免金额不能大于应收金额";
}

std::string postingFailure(const std::string& description) {
    return std::string("收费失败！") + (description.empty() ? "" : "原因如下:") + CRLF + description;
}

std::string postingSuccess(const std::string& name, const std::string& total00) {
    return std::string("操作成功！") + CRLF + CRLF + "学生:" + name + CRLF + "减免金额：" + total00;
}

std::string settlementEntry(const std::string& month, const std::string& itemId, Currency amount) {
    return month + ":" + itemId + "|" + amount.plainText();
}

SettlementList parseSettlementList(const std::string& text) {
    SettlementList list;
    if (text.empty()) return list;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t comma = text.find(',', begin);
        const std::string entry = text.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
        const std::size_t colon = entry.find(':');
        list.months.push_back(entry.substr(0, colon));
        const std::string rest = colon == std::string::npos ? std::string() : entry.substr(colon + 1);
        const std::size_t bar = rest.find('|');
        list.items.push_back({rest.substr(0, bar), bar == std::string::npos ? std::string() : rest.substr(bar + 1)});
        if (comma == std::string::npos) break;
        begin = comma + 1;
    }
    return list;
}

SqlText openArrearsQuery(const std::string& xsId, const std::vector<std::string>& months) {
    SqlText sql("select * from qfhzb where fkrq is null and xsid=");
    sql.number(number(xsId, "xsid")).add(" and qfyf in(");
    for (std::size_t i = 0; i < months.size(); ++i) addQuoted(sql.add(i ? "," : ""), months[i]);
    return sql.add(") ");
}

SqlText itemReductionUpdate(const SettledItem& item, const std::string& qfkid, const std::string& xsId) {
    SqlText sql("update qfmxb set jmje=");
    sql.number(number(item.amount, "jmje")).add(" where qfkid=").number(number(qfkid, "qfkid"));
    return sql.add(" and sfxmid=").number(number(item.itemId, "sfxmid")).add(" and xsid=").number(number(xsId, "xsid"));
}

SqlText cappedSumQuery(bool sqlServer, const std::string& qfkid, const std::string& xsId) {
    SqlText sql("select sum(" + smallerOf(sqlServer, "jmje", "qfje") + "),sum(qfje) from qfmxb  where qfkid=");
    return sql.number(number(qfkid, "qfkid")).add(" and xsid=").number(number(xsId, "xsid"));
}

SqlText closeArrearsRow(bool sqlServer, Currency capped, const std::string& recordId, const DateTime& now,
                        const std::string& qfkid, const std::string& xsId) {
    SqlText sql("update qfhzb set jmje=");
    sql.number(capped.plainText()).add(",jmjlid=").number(number(recordId, "id")).add(",fkrq=");
    if (sqlServer) sql.add(" getdate()");
    else addStoredNowFormatted(sql, false, now);
    return sql.add(" where qfkid=").number(number(qfkid, "qfkid")).add(" and xsid=").number(number(xsId, "xsid"));
}

SqlText remainderInsert(bool sqlServer, const std::string& newQfkid, const std::string& qfyf, const std::string& xsid,
                        Currency remainder, const std::string& oldQfkid, const std::string& userId,
                        const DateTime& now) {
    SqlText sql("insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkje,yqfkid,userid,cqts,qjts,jmje)values(");
    addQuoted(sql.number(number(newQfkid, "qfkid")).add(","), qfyf).add(",").number(number(xsid, "xsid")).add(",");
    addStoredNowFormatted(sql, sqlServer, now, "yyyy-mm-dd").add(",").number(remainder.plainText()).add(",0,0,");
    return sql.number(number(oldQfkid, "yqfkid")).add(",").number(number(userId, "userid")).add(",0,0,0)");
}

SqlText remainderItemInsert(const std::string& newQfkid, const std::string& xsid, const std::string& sflxid,
                            const std::string& sfxmid, Currency owed) {
    SqlText sql("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje)values(");
    sql.number(number(newQfkid, "qfkid")).add(",").number(number(xsid, "xsid")).add(",");
    (sflxid.empty() ? sql.add("null") : sql.number(number(sflxid, "sflxid"))).add(",");
    sql.number(number(sfxmid, "sfxmid")).add(",");
    return sql.number(owed.plainText()).add(",0,0)");
}

std::string recordsQuery(bool sqlServer, const ListFilter& f) {
    std::string sql = std::string(
                          "select a.id,a.djbh as 单据编号,b.班级,b.学号,b.姓名,a.sfrq as 减免日期,a.sfyf as "
                          "减免月份,jmje as 减免金额,a.jmyy as 减免原因,a.rq as 操作日期,skr as 操作人") +
                      CRLF + "from kdw_sfjl  as a,vxsxx as b " + CRLF +
                      "where a.xsid=b.id and left(a.djbh,2)='JM' and a.ysfjlid=0  and a.id not in(select ysfjlid "
                      "from kdw_sfjl" +
                      (f.onLoad ? ")" : " )") + f.categoryCondition;
    if (!f.recordId.empty()) return sql + " and a.id=" + number(f.recordId, "id");
    const std::string from = f.dateFrom.dateText(), to = f.dateTo.addDays(1).dateText();
    if (sqlServer)
        sql += std::string(CRLF) + " and rq between '" + from + "' and '" + to + "'";
    else
        sql += std::string(CRLF) + " and rq between format('" + from + "','yyyy-mm-dd') and format('" + to +
               "','yyyy-mm-dd')";
    if (!f.classId.empty()) sql += " and b.bjid=" + number(f.classId, "bjid");
    if (!f.student.empty()) {
        const std::string t = sqlQuote(f.student);
        sql += " and (b.学号='" + t + "' or b.简码='" + t + "' or b.姓名='" + t + "')";
    }
    return sql;
}

std::string recordItemsQuery(const std::string& recordId) {
    return "select b.mc,a.jmje  from kdw_sfjlmx as a ,kdw_sfxm as b where a.sfjlid=" + number(recordId, "id") +
           " and a.sfxmid=b.id";
}

std::string mirrorRecordInsert(const std::string& billNo, const std::string& newId, const DateTime& now,
                               const std::string& operatorName, const std::string& userId,
                               const std::string& recordId) {
    const std::string& id = number(recordId, "id");
    return std::string("insert into KDW_sfjl(djbh,id, sfrq, sflxid, ") + CRLF +
           "xsid, bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk, InOrOut," + CRLF +
           " skzhid, skr, bz,rq,operid,sfyf,ysfjlid,jmje)" + CRLF + "select " + sqlQuoted(billNo) + "," +
           number(newId, "id") + ",'" + now.dateText() + " " + now.dateTimeText().substr(11) + "',sflxid," + CRLF +
           "xsid,bjmc,0-je,0-tzje,0-zhekou,0-scjy,0-hkje,0-ssje,0-ysk,InOrOut," + CRLF + "skzhid," +
           sqlQuoted(operatorName) + ",bz,'" + now.dateTimeText() + "'," + number(userId, "operid") + ",sfyf," + id +
           ",0-jmje" + CRLF + " from kdw_sfjl where id=" + id;
}

std::string mirrorItemsInsert(const std::string& newId, const std::string& recordId) {
    return "insert into KDW_sfjlmx(sfjlid, sfxmid, je,ysje,ye,jmje,ysk,feetermname,cqts,termfrom,termto)select " +
           number(newId, "id") +
           ",sfxmid,0-je,0-ysje,0-ye,0-jmje,0-ysk,feetermname,cqts,termfrom,termto  from kdw_sfjlmx where sfjlid=" +
           number(recordId, "id");
}

std::string cancellationRefusal(const RecordStanding& record) {
    switch (record.state) {
        case RecordState::Missing: return "找不到该减免记录，可能已被删除，请刷新。";
        case RecordState::Cancelled: return "减免记录[" + record.djbh + "]已被取消，不能再次取消，请刷新。";
        case RecordState::Mirror: return "[" + record.djbh + "]是取消减免时记下的冲销记录，不能取消。";
        case RecordState::Live: break;
    }
    if (record.djbh.rfind("JM", 0) != 0) return "[" + record.djbh + "]不是减免记录，不能在这里取消。";
    return {};
}

std::vector<std::string> arrearsRestore(const std::string& recordId) {
    const std::string& id = number(recordId, "id");
    return {
        "delete from qfmxb where qfkid in(select qfkid from qfhzb where yqfkid in(select qfkid from qfhzb where "
        "jmjlid<>0 and  jmjlid=" + id + "))",
        "delete from qfhzb where yqfkid in(select qfkid from qfhzb where jmjlid<>0 and jmjlid=" + id + ")",
        "update qfmxb set jmje=0 where qfkid  in(select qfkid from qfhzb where jmjlid<>0 and jmjlid=" + id + ")",
        "update qfhzb set jmje=0,fkrq=null,jmjlid=0 where jmjlid<>0 and jmjlid=" + id,
    };
}

std::string cancelConfirmation() { return std::string("当前选中的减免记录将被取消！") + CRLF + "请您确认！"; }

std::string reverseOrderRefusal() {
    return std::string("继本次减免操作后又发生与之相关的减免或收费操作！不能直接取消本次减免！") + CRLF + CRLF +
           "请按照“后操作先取消”的顺序完成取消操作。";
}

std::string carriedOverRefusal(const std::string& djbh, const std::string& period) {
    return "减免记录[" + djbh + "]减免的是所属期[" + period + "]的应收，该期已月末结转，欠费已按减免后的金额结转，" +
           "不能再取消这笔减免。";
}

}  // namespace fo::jmjl
