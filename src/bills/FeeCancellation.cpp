#include "bills/FeeCancellation.h"
#include "db/values/TextCase.h"

#include <stdexcept>

#include "bills/SqlNumber.h"
#include "data/Dialect.h"

namespace fo {
namespace feecancel {
namespace {

const char* const CRLF = "\r\n";

}  // namespace

std::string number(const std::string& text, const char* name) {
    if (auto literal = sqlNumberLiteral(text, false)) return *literal;
    throw std::invalid_argument(std::string(name) + " 的值不是数字：" + text);
}

namespace {

// "hh:mm:ss"
std::string timeOfDay(const DateTime& t) { return t.dateTimeText().substr(11); }

}  // namespace

std::string sourceRecordQuery(bool sqlServer, const std::string& varDjbh, const std::string& sfJLid) {
    std::string sql = std::string(
                          "select a.id ,a.xsid,a.ssje,a.sfyf,a.rq,a.hkje,a.ysk,b.xm,a.sflxid,a.skzhid,a.hkid "
                          "from kdw_sfjl as a") +
                      CRLF + ",pjml as b where  a.djbh=b.djbh" + CRLF + " and " +
                      liveRecordCondition(sqlServer, "a");
    const std::string id = trimWhitespace(sfJLid);
    if (id.empty()) sql += std::string(CRLF) + "and a.djbh=" + sqlQuoted(varDjbh);
    else sql += std::string(CRLF) + "and a.ID=" + number(id, "sfJLid");
    return sql;
}

std::string journalHeaderMirror(const Mirror& m) {
    return std::string("insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid)") + CRLF +
           "select " + sqlQuoted(m.number) + "," + m.mirrorId + ",cw_date,0-je" + CRLF + "," +
           number(m.userId, "UserId") + ",jzyf,'" + m.now.dateTimeText() + "',jbr,'取消收费',checked ," +
           m.sourceId + " from" + CRLF + "INandOutML where id=" + m.sourceId;
}

std::string journalLinesMirror(const Mirror& m) {
    return std::string("insert into INandOut(num,subid,addje,subje,jd,rootid)") + CRLF + " select " + m.mirrorId +
           ",subid,0-addje,0-subje,jd,rootid from INandOut where num=" + m.sourceId;
}

std::string feeRecordMirror(const Mirror& m) {
    // sfrq is the client's date and time joined by one blank; the payee and
    // the operator are the current user; the fee month stays the source's.
    return std::string("insert into KDW_sfjl(djbh,id, sfrq, sflxid, ") + CRLF +
           "xsid, bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk, InOrOut," + CRLF +
           " skzhid, skr, bz,rq,operid,sfyf,ysfjlid)" + CRLF + "select " + sqlQuoted(m.number) + "," + m.mirrorId +
           ",'" + m.now.dateText() + " " + timeOfDay(m.now) + "',sflxid," + CRLF +
           "xsid,bjmc,0-je,0-tzje,0-zhekou,0-scjy,0-hkje,0-ssje,0-ysk,InOrOut," + CRLF + "skzhid," +
           sqlQuoted(m.userName) + ",bz,'" + m.now.dateTimeText() + "'," + number(m.userId, "UserId") + ",sfyf," +
           m.sourceId + CRLF + " from kdw_sfjl where id=" + m.sourceId;
}

std::string itemRowsMirror(const Mirror& m) {
    return "insert into KDW_sfjlmx(sfjlid, sfxmid, je,ysje,ye,feetermname,cqts,termfrom,termto,ysk)select " +
           m.mirrorId + ",sfxmid,0-je,0-ysje,0-ye,feetermname,cqts,termfrom,termto,0-ysk from kdw_sfjlmx where sfjlid=" +
           m.sourceId;
}

std::string prepaidSharesQuery(bool sqlServer, const std::string& sourceId) {
    return " select sfxmid," + sumOrZero(sqlServer, "ysk") +
           " as yskJe from kdw_sfjlmx where sfjlid=" + sourceId + " group by sfxmid";
}

std::string prepaidShareGiveBack(const std::string& share, const std::string& sfxmid,
                                 const std::string& studentId) {
    return "update  XS_SFXM_YSK set ysk=ysk-(" + share + ") where " + "  sfxmid=" + sfxmid + " and xsid=" +
           studentId;
}

std::string lastChargeDateClear(const std::string& studentId) {
    return "update kdw_xs set bcsfrq=NULL where id=" + studentId;
}

std::string chargeDatesRestore(const std::string& studentId, const std::string& sourceId) {
    return "update kdw_xs set scsfrq=(select yscsfrq from kdw_sfjl where id=" + sourceId +
           "),bcsfrq=(select ybcsfrq from kdw_sfjl where id=" + sourceId + ") where id=" + studentId;
}

std::string laterDatedRecordsQuery(const std::string& studentId, const std::string& sourceId) {
    return "select id from kdw_sfjl where xsid=" + studentId + " and id>" + sourceId +
           " and ysfjlid=0 and (djbh like 'SF%' or djbh like 'YSK%' or djbh like 'TF%')"
           " and id not in(select ysfjlid from kdw_sfjl)";
}

std::vector<std::string> balanceRestore(bool sqlServer, const std::string& hkje, const std::string& ysk,
                                        const std::string& studentId) {
    const std::string back = "update kdw_xs set " + roundedBalance(sqlServer, "ysk", hkje, '+') +
                             " where id=" + studentId;
    const std::string again = "update kdw_xs set " + roundedBalance(sqlServer, "ysk", ysk, '-');
    if (sqlServer) return {back, again + " where" + CRLF + "  id=" + studentId};
    return {back, again + CRLF + " where id=" + studentId};
}

std::vector<std::string> transferRemoval(bool sqlServer, const std::string& sourceId) {
    const std::string transfer = nullToZero(sqlServer, "hkid") + "<>0 and  hkid=" + sourceId;
    return {"delete from kdw_sfjlmx  where sfjlid in(select id from kdw_sfjl where " + transfer + ")",
            "delete from kdw_sfjl where " + transfer};
}

std::vector<std::string> arrearsReopening(const std::string& sourceId) {
    return {"delete from qfmxb where qfkid in(select qfkid from qfhzb where yqfkid in(select qfkid from qfhzb where "
            "sfjlid<>0 and  sfjlid=" + sourceId + "))",
            "delete from qfhzb where yqfkid in(select qfkid from qfhzb where  sfjlid<>0 and sfjlid=" + sourceId + ")",
            "update qfmxb set fkje=0 where qfkid  in(select qfkid from qfhzb where  sfjlid<>0 and sfjlid=" + sourceId +
                ")",
            "update qfhzb set fkje=0,fkrq=null,sfjlid=0 where sfjlid<>0 and  sfjlid=" + sourceId};
}

std::string voidUpdate(const std::string& voidDate, const std::string& zfr, const std::string& useridZfr,
                       const std::string& zfyy, const std::string& djbh, const std::string& id) {
    std::string sql = "update pjml set zfrq=" + voidDate + ",zfr=" + sqlQuoted(zfr) +
                      ",useridZfr=" + number(useridZfr, "pUseridZfr") + CRLF + ",zfyy=" + sqlQuoted(zfyy) +
                      ",pjState='作废'";
    if (djbh.empty()) return sql + CRLF + "Where id = " + number(id, "ID");
    return sql + CRLF + "Where djbh = " + sqlQuoted(djbh);
}

std::string receiptRowsQuery(const std::string& djbh, const std::string& id) {
    const std::string columns = "select id,pjState,zfrq,zfr,useridZfr,zfyy from pjml where ";
    if (djbh.empty()) return columns + "id=" + number(id, "ID");
    return columns + "djbh=" + sqlQuoted(djbh) + " order by id";
}

}  // namespace feecancel

}  // namespace fo
