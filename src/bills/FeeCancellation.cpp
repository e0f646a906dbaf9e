#include "bills/FeeCancellation.h"
#include "db/TextCase.h"

#include <stdexcept>

#include "bills/SqlNumber.h"
#include "data/Dialect.h"
#include "data/PostingChecks.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "ui/mdl1.h"

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

std::string quoted(const std::string& text) { return "'" + sqlQuote(text) + "'"; }

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
    if (id.empty()) sql += std::string(CRLF) + "and a.djbh=" + quoted(varDjbh);
    else sql += std::string(CRLF) + "and a.ID=" + number(id, "sfJLid");
    return sql;
}

std::string journalHeaderMirror(const Mirror& m) {
    return std::string("insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid)") + CRLF +
           "select " + quoted(m.number) + "," + m.mirrorId + ",cw_date,0-je" + CRLF + "," +
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
           " skzhid, skr, bz,rq,operid,sfyf,ysfjlid)" + CRLF + "select " + quoted(m.number) + "," + m.mirrorId +
           ",'" + m.now.dateText() + " " + timeOfDay(m.now) + "',sflxid," + CRLF +
           "xsid,bjmc,0-je,0-tzje,0-zhekou,0-scjy,0-hkje,0-ssje,0-ysk,InOrOut," + CRLF + "skzhid," +
           quoted(m.userName) + ",bz,'" + m.now.dateTimeText() + "'," + number(m.userId, "UserId") + ",sfyf," +
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
    std::string sql = "update pjml set zfrq=" + voidDate + ",zfr=" + quoted(zfr) +
                      ",useridZfr=" + number(useridZfr, "pUseridZfr") + CRLF + ",zfyy=" + quoted(zfyy) +
                      ",pjState='作废'";
    if (djbh.empty()) return sql + CRLF + "Where id = " + number(id, "ID");
    return sql + CRLF + "Where djbh = " + quoted(djbh);
}

std::string receiptStatesQuery(const std::string& djbh, const std::string& id) {
    if (djbh.empty()) return "select pjState from pjml where id=" + number(id, "ID");
    return "select pjState from pjml where djbh=" + quoted(djbh);
}

}  // namespace feecancel

namespace {

// The hourglass for the length of the writes; it comes back on every way
// out, a refusal or an error included, so the clerk is never left waiting
// on a pointer.
class WaitCursor {
public:
    WaitCursor() { gMOpen(); }
    ~WaitCursor() { gMclose(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

std::string idText(const Value& v) { return std::to_string(v.toInt()); }

// A connection of its own for a read that must see the committed state and
// never wait on the caller's transaction.
ConnectionPtr separateReader(const std::string& linkString) { return openConnection(linkString); }

}  // namespace

FeeCancellation::FeeCancellation(Connection& trCnn, HostSystem& ownHost)
    : trCnn_(trCnn), ownHost_(ownHost), dbInfo_(newDbInfo()) {
    userName_ = dbInfo_->UserName();
    userId_ = dbInfo_->UserId();
}

bool FeeCancellation::run(const std::string& varDjbh, const std::string& sfJLid) {
    const bool sqlServerA = isSqlServer(dbInfo_->SqlKind());

    // Read on the caller's transaction, under the books' write lock: what
    // the window showed may have been cancelled by another clerk since.
    RecordsetPtr source = trCnn_.execute(feecancel::sourceRecordQuery(sqlServerA, varDjbh, sfJLid));
    if (!source || source->eof()) throw DbError(dberr::NoCurrentRow, notCancellable(varDjbh, sfJLid));
    const std::string sourceId = idText(source->field("id"));
    const std::string studentId = idText(source->field("xsid"));
    const std::string hkje = plainAmount(source->field("hkje"));
    const std::string ysk = plainAmount(source->field("ysk"));
    const Value sfyf = source->field("sfyf");
    source->close();

    // Month keys compare as text ("202609" < "202610"). A record without a
    // fee month is not treated as carried over.
    if (!sfyf.isNull() && sfyf.toText() < ownHost_.CurrentYf()) {
        msgBox(feecancel::kCarriedOverText, MsgButtons::OK, MsgIcon::Information, feecancel::kWarningTitle);
        return false;
    }

    WaitCursor wait;
    feecancel::Mirror mirror;
    mirror.number = dbInfo_->NextBillNo("QXSF");
    mirror.mirrorId = dbInfo_->NextId("INandOutML", 1);
    mirror.sourceId = sourceId;
    mirror.userId = userId_;
    mirror.userName = userName_;
    mirror.now = DateTime::now();

    trCnn_.execute(feecancel::journalHeaderMirror(mirror));
    trCnn_.execute(feecancel::journalLinesMirror(mirror));
    trCnn_.execute(feecancel::feeRecordMirror(mirror));
    givePrepaidSharesBack(sourceId, studentId);
    trCnn_.execute(feecancel::lastChargeDateClear(studentId));
    trCnn_.execute(feecancel::itemRowsMirror(mirror));

    const bool sqlServerB = isSqlServer(fo::gRun().SQL_access());
    for (const std::string& sql : feecancel::balanceRestore(sqlServerB, hkje, ysk, studentId)) trCnn_.execute(sql);
    for (const std::string& sql : feecancel::transferRemoval(sqlServerB, sourceId)) trCnn_.execute(sql);

    if (laterOperationExists(sourceId)) {
        msgBox(feecancel::kLaterOperationText, MsgButtons::OK, MsgIcon::Exclamation, feecancel::kWarningTitle);
        return false;
    }
    for (const std::string& sql : feecancel::arrearsReopening(sourceId)) trCnn_.execute(sql);
    return true;
}

void FeeCancellation::givePrepaidSharesBack(const std::string& sourceId, const std::string& studentId) {
    // The source's item rows are not touched by this cancellation, so the
    // committed state is the one to read.
    const bool sqlServerB = isSqlServer(fo::gRun().SQL_access());
    ConnectionPtr reader = separateReader(dbInfo_->LinkString());
    RecordsetPtr shares = reader->execute(feecancel::prepaidSharesQuery(sqlServerB, sourceId));
    for (; shares && !shares->eof(); shares->moveNext())
        trCnn_.execute(feecancel::prepaidShareGiveBack(plainAmount(shares->field("yskJe")),
                                                       idText(shares->field("sfxmid")), studentId));
    if (shares) shares->close();
    reader->close();
}

std::string FeeCancellation::notCancellable(const std::string& varDjbh, const std::string& sfJLid) {
    const std::string id = trimWhitespace(sfJLid);
    const RecordStanding record = recordStanding(
        trCnn_, id.empty() ? "djbh='" + sqlQuote(varDjbh) + "'" : "id=" + feecancel::number(id, "sfJLid"));
    switch (record.state) {
        case RecordState::Missing: return "找不到收费记录[" + (id.empty() ? varDjbh : id) + "]，请刷新。";
        case RecordState::Cancelled: return "收费记录[" + record.djbh + "]已被取消，不能再次取消，请刷新。";
        case RecordState::Mirror: return "[" + record.djbh + "]是取消收费时记下的冲销记录，不能取消。";
        case RecordState::Live: break;
    }
    return "收费记录[" + record.djbh + "]没有对应的收据，不能取消。";
}

bool FeeCancellation::laterOperationExists(const std::string& sourceId) {
    // Every remainder row split off the rows this charge settled, as it
    // stands in the caller's transaction.
    return laterOperationOnRemainders(trCnn_, isSqlServer(fo::gRun().SQL_access()), "sfjlid", sourceId);
}

}  // namespace fo
