#include "host/demo/DemoSchoolBooks.h"

#include <cstdio>

#include "host/operators/AuditLog.h"
#include "host/database/SqlText.h"

namespace fo::demo {
namespace {

std::string num(int v) { return std::to_string(v); }
std::string money(Currency c) { return c.plainText(); }
std::string dateLit(const DateTime& d) { return sqlLiteral(d.dateText()); }
std::string dateTimeLit(const DateTime& d) { return sqlLiteral(d.dateTimeText()); }
std::string dateOrNull(const std::string& d) { return d.empty() ? "null" : sqlLiteral(d); }

Currency total(const std::vector<FeeLine>& lines) {
    Currency sum;
    for (const auto& l : lines) sum += l.amount;
    return sum;
}

}  // namespace

std::string DemoBooks::nextNumber(const std::string& prefix, const DateTime& day) {
    char stem[32];
    std::snprintf(stem, sizeof stem, "%04d%02d%02d", day.year, day.month, day.day);
    const std::string key = prefix + stem;
    char seq[16];
    std::snprintf(seq, sizeof seq, "%04d", ++dailySequence_[key]);
    return key + seq;
}

void DemoBooks::journal(int id, const std::string& djbh, const std::string& yf, const DateTime& when, Currency cash,
                        const std::string& summary, const DemoClerk& clerk) {
    cn_.execute("insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid) values(" +
                sqlLiteral(djbh) + "," + num(id) + "," + dateLit(when) + "," + money(cash) + "," + num(clerk.id) + "," +
                sqlLiteral(yf) + "," + dateTimeLit(when) + "," + sqlLiteral(clerk.name) + "," + sqlLiteral(summary) +
                ",0,0)");
    // Cash account 1 (现金) takes the money in.
    cn_.execute("insert into INandOut(num,subid,addje,subje,jd,rootid) values(" + num(id) + ",1," + money(cash) +
                ",0,1,1)");
}

int DemoBooks::charge(const DemoStudent& s, const std::string& yf, const DateTime& when,
                      const std::vector<FeeLine>& lines, Currency fromPrepayment, const DemoClerk& clerk) {
    const int id = nextRecordId();
    const std::string djbh = nextNumber("SF", when);
    const Currency je = total(lines);
    const Currency cash = je - fromPrepayment;
    cn_.execute("insert into kdw_sfjl(id,djbh,sfrq,sflxid,xsid,bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk,jmje,InOrOut,"
                "skzhid,skr,bz,rq,operid,sfyf,ysfjlid,qfkid,hkid) values(" +
                num(id) + "," + sqlLiteral(djbh) + "," + dateLit(when) + "," + num(s.sflxid) + "," + num(s.id) + "," +
                sqlLiteral(s.bjmc) + "," + money(je) + ",0,0,0," + money(fromPrepayment) + "," + money(cash) +
                ",0,0,1,1," + sqlLiteral(clerk.name) + ",''," + dateTimeLit(when) + "," + num(clerk.id) + "," +
                sqlLiteral(yf) + ",0,0,0)");
    const int receipt = ++lastReceiptId_;
    cn_.execute("insert into PJML(id,djbh,pjState,bjmc,xsid,xh,xm,kprq,bz,hjje,jeDx,kpr,skr) values(" + num(receipt) +
                "," + sqlLiteral(djbh) + ",''," + sqlLiteral(s.bjmc) + "," + num(s.id) + "," + sqlLiteral(s.xh) + "," +
                sqlLiteral(s.xm) + "," + dateLit(when) + ",''," + money(je) + "," + sqlLiteral(amountInWords(je)) + "," +
                sqlLiteral(clerk.name) + "," + sqlLiteral(clerk.name) + ")");
    for (const auto& l : lines) {
        cn_.execute("insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,ye,jmje,ysk,feetermname,cqts,termfrom,termto) values(" +
                    num(id) + "," + num(l.sfxmid) + "," + money(l.amount) + "," + money(l.amount) + ",0,0,0," +
                    sqlLiteral(l.periodName) + "," + num(l.days) + "," + dateOrNull(l.from) + "," + dateOrNull(l.to) + ")");
        cn_.execute("insert into PJMLmx(PjMLid,xmmc,term,je,cqts,bz) values(" + num(receipt) + "," +
                    sqlLiteral(l.itemName) + "," + sqlLiteral(l.periodName) + "," + money(l.amount) + "," + num(l.days) +
                    ",'')");
    }
    journal(id, djbh, yf, when, cash, "收费", clerk);
    if (!fromPrepayment.isZero()) {
        cn_.execute("update kdw_xs set ysk=ysk-(" + money(fromPrepayment) + ") where id=" + num(s.id));
        cn_.execute("update XS_SFXM_YSK set ysk=ysk-(" + money(fromPrepayment) + ") where sfxmid=1 and xsid=" +
                    num(s.id));
    }
    cn_.execute("update kdw_xs set scsfrq=bcsfrq,bcsfrq=" + dateLit(when) + " where id=" + num(s.id));
    return id;
}

int DemoBooks::reduction(const DemoStudent& s, const std::string& yf, const DateTime& when,
                         const std::vector<FeeLine>& lines, const std::string& reason, const DemoClerk& clerk) {
    const int id = nextRecordId();
    const std::string djbh = nextNumber("JM", when);
    cn_.execute("insert into KDW_sfjl(id,sfrq,sflxid,xsid,bjmc,jmje,jmyy,ysfjlid,qfkid,hkid,rq,operid,sfyf,skr,djbh)"
                " values(" + num(id) + "," + dateLit(when) + "," + num(s.sflxid) + "," + num(s.id) + "," +
                sqlLiteral(s.bjmc) + "," + money(total(lines)) + "," + sqlLiteral(reason) + ",0,0,0," +
                dateTimeLit(when) + "," + num(clerk.id) + "," + sqlLiteral(yf) + "," + sqlLiteral(clerk.name) + "," +
                sqlLiteral(djbh) + ")");
    for (const auto& l : lines)
        cn_.execute("insert into KDW_sfjlmx(sfjlid,sfxmid,jmje,feeTermName,cqts,ysje,ye,termfrom,termto) values(" +
                    num(id) + "," + num(l.sfxmid) + "," + money(l.amount) + "," + sqlLiteral(l.periodName) + "," +
                    num(l.days) + "," + money(l.amount) + ",0," + dateOrNull(l.from) + "," + dateOrNull(l.to) + ")");
    logged("减免", djbh, total(lines), when, clerk);
    return id;
}

int DemoBooks::prepayment(const DemoStudent& s, const std::string& yf, const DateTime& when, const FeeLine& line,
                          const DemoClerk& clerk) {
    const int id = nextRecordId();
    const std::string djbh = nextNumber("YSK", when);
    const std::string amount = money(line.amount);
    cn_.execute("insert into kdw_sfjl(id,djbh,sfrq,sflxid,xsid,bjmc,je,ssje,ysk,InOrOut,skzhid,skr,bz,rq,operid,sfyf,"
                "ysfjlid,qfkid,hkid) values(" + num(id) + "," + sqlLiteral(djbh) + "," + dateLit(when) + "," +
                num(s.sflxid) + "," + num(s.id) + "," + sqlLiteral(s.bjmc) + "," + amount + "," + amount + "," + amount +
                ",1,1," + sqlLiteral(clerk.name) + ",'预收" + line.itemName + "'," + dateTimeLit(when) + "," +
                num(clerk.id) + "," + sqlLiteral(yf) + ",0,0,0)");
    cn_.execute("insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,ye,jmje,ysk,feetermname,cqts) values(" + num(id) + "," +
                num(line.sfxmid) + "," + amount + ",0,0,0," + amount + "," + sqlLiteral(line.periodName) + ",0)");
    journal(id, djbh, yf, when, line.amount, "预收款", clerk);
    cn_.execute("update kdw_xs set ysk=ysk+(" + amount + ") where id=" + num(s.id));
    long changed = 0;
    cn_.execute("update XS_SFXM_YSK set ysk=ysk+(" + amount + ") where xsid=" + num(s.id) +
                " and sfxmid=" + num(line.sfxmid), &changed);
    if (changed == 0)
        cn_.execute("insert into XS_SFXM_YSK(xsid,sfxmid,ysk) values(" + num(s.id) + "," + num(line.sfxmid) + "," +
                    amount + ")");
    return id;
}

int DemoBooks::mirror(int recordId, const std::string& prefix, const DateTime& when, const DemoClerk& clerk) {
    const int n = nextRecordId();
    const std::string o = num(recordId);
    const std::string d = nextNumber(prefix, when);
    cn_.execute("insert into KDW_sfjl(djbh,id,sfrq,sflxid,xsid,bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk,jmje,jmyy,"
                "InOrOut,skzhid,skr,bz,rq,operid,sfyf,ysfjlid,qfkid,hkid)"
                " select " + sqlLiteral(d) + "," + num(n) + "," + dateTimeLit(when) + ",sflxid,xsid,bjmc,0-je,0-tzje,"
                "0-zhekou,0-scjy,0-hkje,0-ssje,0-ysk,0-jmje,jmyy,InOrOut,skzhid," + sqlLiteral(clerk.name) + ",bz," +
                dateTimeLit(when) + "," + num(clerk.id) + ",sfyf," + o + ",0,0 from kdw_sfjl where id=" + o);
    cn_.execute("insert into KDW_sfjlmx(sfjlid,sfxmid,je,ysje,ye,jmje,ysk,feetermname,cqts,termfrom,termto)"
                " select " + num(n) + ",sfxmid,0-je,0-ysje,0-ye,0-jmje,0-ysk,feetermname,cqts,termfrom,termto"
                " from kdw_sfjlmx where sfjlid=" + o);
    return n;
}

void DemoBooks::cancelCharge(int recordId, const DateTime& when, const DemoClerk& clerk) {
    const std::string o = num(recordId);
    cn_.execute("update pjml set zfrq=" + dateTimeLit(when) + ",zfr=" + sqlLiteral(clerk.name) + ",useridZfr=" +
                num(clerk.id) + ",zfyy='收费有误',pjState='作废' where djbh=(select djbh from kdw_sfjl where id=" + o + ")");
    auto charged = cn_.execute("select djbh,je from kdw_sfjl where id=" + o);
    logged("作废票据", charged->field(std::size_t{0}).toText(), charged->field(1).toCurrency(), when, clerk);
    const int n = mirror(recordId, "QXSF", when, clerk);
    const std::string d = "(select djbh from kdw_sfjl where id=" + num(n) + ")";
    cn_.execute("insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid) select " + d + "," +
                num(n) + ",cw_date,0-je," + num(clerk.id) + ",jzyf," + dateTimeLit(when) + ",jbr,'取消收费',checked," +
                o + " from INandOutML where id=" + o);
    cn_.execute("insert into INandOut(num,subid,addje,subje,jd,rootid) select " + num(n) +
                ",subid,0-addje,0-subje,jd,rootid from INandOut where num=" + o);
    cn_.execute("update kdw_xs set bcsfrq=NULL where id=(select xsid from kdw_sfjl where id=" + o + ")");
}

void DemoBooks::cancelReduction(int recordId, const DateTime& when, const DemoClerk& clerk) {
    const int n = mirror(recordId, "QXJM", when, clerk);
    auto cancelled = cn_.execute("select m.djbh,s.jmje from kdw_sfjl m inner join kdw_sfjl s on s.id=m.ysfjlid"
                                 " where m.id=" + num(n));
    logged("取消减免", cancelled->field(std::size_t{0}).toText(), cancelled->field(1).toCurrency(), when, clerk);
}

void DemoBooks::logged(const std::string& operation, const std::string& djbh, std::optional<Currency> amount,
                       const DateTime& when, const DemoClerk& clerk) {
    AuditRecord r;
    r.time = when.dateTimeText();
    r.userId = clerk.id;
    r.userName = clerk.name;
    r.workstation = "收费处";
    r.operation = operation;
    r.document = djbh;
    r.amount = amount;
    r.outcome = audit::Done;
    writeAuditRow(cn_, r);
}

std::string amountInWords(Currency amount) {
    static const char* const digit[] = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
    static const char* const unit[] = {"", "拾", "佰", "仟"};
    static const char* const group[] = {"", "万", "亿", "万亿"};
    std::string out;
    if (amount < Currency()) {
        out = "负";
        amount = -amount;
    }
    const std::int64_t cents = amount.roundHalfAway(2).raw() / 100;
    std::int64_t yuan = cents / 100;
    const int jiao = static_cast<int>(cents / 10 % 10), fen = static_cast<int>(cents % 10);

    std::vector<int> groups;
    for (; yuan > 0; yuan /= 10000) groups.push_back(static_cast<int>(yuan % 10000));
    std::string integer;
    bool pendingZero = false;
    for (int g = static_cast<int>(groups.size()) - 1; g >= 0; --g) {
        const int v = groups[g];
        if (v == 0) {
            pendingZero = !integer.empty();
            continue;
        }
        if (v < 1000 && !integer.empty()) pendingZero = true;
        for (int p = 3, scale = 1000; p >= 0; --p, scale /= 10) {
            const int d = v / scale % 10;
            if (d == 0) {
                if (!integer.empty()) pendingZero = true;
                continue;
            }
            if (pendingZero) integer += digit[0];
            pendingZero = false;
            integer += digit[d];
            integer += unit[p];
        }
        integer += group[g];
        pendingZero = false;
    }
    if (integer.empty() && jiao == 0 && fen == 0) return out + "零元整";
    if (!integer.empty()) out += integer + "元";
    if (jiao == 0 && fen == 0) return out + "整";
    if (jiao != 0) out += std::string(digit[jiao]) + "角";
    else if (!integer.empty()) out += digit[0];
    if (fen != 0) out += std::string(digit[fen]) + "分";
    return out;
}

}  // namespace fo::demo
