#include "data/PostingChecks.h"

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
    return "select r.qfkid from qfhzb as r where r.yqfkid<>0 and r.yqfkid in(select qfkid from qfhzb where " + l +
           "<>0 and " + l + "=" + recordId(id) + ") and (r.fkrq is not null or " + zero("r.sfjlid") + " or " +
           zero("r.jmjlid") + " or " + zero("r.fkje") + " or " + zero("r.jmje") +
           " or exists(select 1 from qfmxb as m where m.qfkid=r.qfkid and (" + zero("m.fkje") + " or " +
           zero("m.jmje") + ")))";
}

bool laterOperationOnRemainders(Connection& cn, bool sqlServer, const char* link, const std::string& id) {
    RecordsetPtr rs = cn.execute(blockingRemaindersQuery(sqlServer, link, id));
    return rs && !rs->eof();
}

}  // namespace fo
