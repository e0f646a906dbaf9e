#include "data/posting/LaterCredits.h"

#include "db/values/Value.h"

namespace fo {

LaterCredit creditAfterCharge(Connection& cn, const std::string& chargeId) {
    const std::string id = std::to_string(Value(chargeId).toInt());
    RecordsetPtr rs = cn.execute(
        "select a.id,a.djbh from kdw_sfjl as a inner join kdw_sfjl as c on c.id=" + id +
        " and c.xsid=a.xsid where left(a.djbh,2)='JM' and a.ysk>0 and a.id>c.id and coalesce(a.ysfjlid,0)=0"
        " and not exists(select 1 from kdw_sfjl as m where m.ysfjlid=a.id)"
        " and exists(select 1 from kdw_sfjlmx as b inner join kdw_sfjlmx as d on d.sfxmid=b.sfxmid"
        " where b.sfjlid=a.id and b.ysk>0 and d.sfjlid=c.id) order by a.id desc");
    if (!rs || rs->eof()) return {};
    return {std::to_string(rs->field("id").toInt()), rs->field("djbh").toText()};
}

}  // namespace fo
