#include "batch/ReductionStatements.h"

#include "data/Dialect.h"
#include "reduction/JmjlStatements.h"

namespace fo::batch {
namespace {

using jmjl::CRLF;
using jmjl::number;

std::string quoted(const std::string& text) { return "'" + sqlQuote(text) + "'"; }

}  // namespace

std::string recordInsert(const ReductionRecord& v) {
    return std::string("insert into KDW_sfjl(id,sfrq,sflxid,xsid,bjmc,jmje,jmyy,") + CRLF +
           "ysfjlid,qfkid,hkid" + CRLF + ",rq,operid,sfyf,skr,djbh)" + CRLF + "values(" + v.id +
           "," + quoted(v.sfrq) + "," + number(v.sflxid, "sflxid") + "," + CRLF +
           number(v.xsid, "xsid") + "," + quoted(v.bjmc) + "," + v.jmje.plainText() + "," + quoted(v.jmyy) +
           "," + CRLF + "0,0,0," + CRLF + "'" + v.rq.defaultText() + "'," + v.operid + "," +
           quoted(v.sfyf) + "," + quoted(v.skr) + "," + quoted(v.djbh) + ")";
}

std::string itemInsert(const std::string& recordId, const clsJMmx& item) {
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
