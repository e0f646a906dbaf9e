#include "data/posting/PostingChecks.h"

#include "data/Dialect.h"
#include "db/DbError.h"

namespace fo {
namespace {

// An id written unquoted: digits only, or the statement is not composed.
const std::string& recordId(const std::string& id) {
    bool digits = !id.empty();
    for (char c : id) digits = digits && c >= '0' && c <= '9';
    if (!digits) throw DbError(13, "类型不匹配: id=" + id);
    return id;
}

}  // namespace

RecordStanding recordStanding(Connection& cn, const std::string& condition) {
    RecordStanding out;
    RecordsetPtr rs = cn.execute("select id,djbh,ysfjlid from kdw_sfjl where " + condition + " order by id");
    if (!rs || rs->eof()) return out;
    out.id = std::to_string(rs->field("id").toInt());
    out.djbh = rs->field("djbh").toText();
    if (rs->field("ysfjlid").toInt() != 0) {
        out.state = RecordState::Mirror;
        return out;
    }
    RecordsetPtr mirror = cn.execute("select count(*) from kdw_sfjl where ysfjlid=" + out.id);
    out.state = mirror && !mirror->eof() && mirror->field(std::size_t{0}).toInt() > 0 ? RecordState::Cancelled
                                                                                      : RecordState::Live;
    return out;
}

std::string blockingRemaindersQuery(bool sqlServer, const char* link, const std::string& id) {
    const std::string l(link);
    auto zero = [&](const std::string& column) { return nullToZero(sqlServer, column) + "<>0"; };
    return "select r.qfkid,r.qfyf,r.xsid,r.sfjlid,r.jmjlid from qfhzb as r where r.yqfkid<>0 and r.yqfkid "
           "in(select qfkid from qfhzb where " + l + "<>0 and " + l + "=" + recordId(id) +
           ") and (r.fkrq is not null or " + zero("r.sfjlid") + " or " + zero("r.jmjlid") + " or " + zero("r.fkje") +
           " or " + zero("r.jmje") + " or exists(select 1 from qfmxb as m where m.qfkid=r.qfkid and (" +
           zero("m.fkje") + " or " + zero("m.jmje") + "))) order by r.qfkid";
}

std::vector<LaterOperation> laterOperations(Connection& cn, bool sqlServer, const char* link, const std::string& id) {
    std::vector<LaterOperation> out;
    for (RecordsetPtr rs = cn.execute(blockingRemaindersQuery(sqlServer, link, id)); rs && !rs->eof(); rs->moveNext()) {
        LaterOperation later;
        later.qfkid = std::to_string(rs->field("qfkid").toInt());
        later.qfyf = rs->field("qfyf").toText();
        later.xsid = std::to_string(rs->field("xsid").toInt());
        // A reduction of the remainder is the later operation; else its charge.
        const std::int64_t record = rs->field("jmjlid").toInt() ? rs->field("jmjlid").toInt() : rs->field("sfjlid").toInt();
        if (record) later.recordId = std::to_string(record);
        out.push_back(later);
    }
    for (LaterOperation& later : out) {
        if (later.recordId.empty()) continue;
        RecordsetPtr rs = cn.execute("select djbh from kdw_sfjl where id=" + later.recordId);
        if (rs && !rs->eof()) later.djbh = rs->field("djbh").toText();
    }
    return out;
}

std::string laterOperationsText(const std::vector<LaterOperation>& later) {
    std::string text;
    for (const LaterOperation& l : later) {
        const std::string kind = l.djbh.rfind("JM", 0) == 0 ? "减免记录" : "收费记录";
        const std::string line = "须先取消：" +
                                 (l.recordId.empty() ? "欠费行[" + l.qfkid + "]上的付款"
                                                     : kind + "[" + (l.djbh.empty() ? l.recordId : l.djbh) + "]") +
                                 "（所属期 " + l.qfyf + "）";
        if (text.find(line) == std::string::npos) text += (text.empty() ? "" : "\r\n") + line;
    }
    return text;
}

}  // namespace fo
