#include "batch/ReductionStatements.h"

#include "data/Dialect.h"
#include "reduction/JmjlStatements.h"

namespace fo::batch {
namespace {

using jmjl::CRLF;
using jmjl::number;

}  // namespace

SqlText recordInsert(const ReductionRecord& v) {
    SqlText sql(std::string("insert into KDW_sfjl(id,sfrq,sflxid,xsid,bjmc,jmje,jmyy,") + CRLF + "ysfjlid,qfkid,hkid" +
                CRLF + ",rq,operid,sfyf,skr,djbh)" + CRLF + "values(");
    addQuoted(sql.number(v.id).add(","), v.sfrq).add(",").number(number(v.sflxid, "sflxid")).add(std::string(",") + CRLF);
    addQuoted(sql.number(number(v.xsid, "xsid")).add(","), v.bjmc).add(",").number(v.jmje.plainText()).add(",");
    addQuoted(sql, v.jmyy).add(std::string(",") + CRLF + "0,0,0," + CRLF);
    addQuoted(sql, v.rq.defaultText()).add(",").number(v.operid).add(",");
    addQuoted(addQuoted(sql, v.sfyf).add(","), v.skr).add(",");
    return addQuoted(sql, v.djbh).add(")");
}

SqlText itemInsert(const std::string& recordId, const clsJMmx& item) {
    jmjl::ItemValues values;
    values.sfxmid = item.strXmid();
    values.jmje = item.sngJMje();
    values.feeTermName = item.str_FeeTermName();
    values.cqts = Currency::fromInt(item.lngCqts());
    values.ysje = item.sngYsje();
    return jmjl::itemInsert(recordId, values);
}

std::string overReductionWarning(const clsJMmx& item) {
    return jmjl::overReductionWarning(item.strXmmc(), item.sngYsje());
}

std::string settlementEntry(const clsJMmx& item) {
    return jmjl::settlementEntry(item.strQFYF(), item.strXmid(), item.sngJMje());
}

}  // namespace fo::batch
