#pragma once
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "db/Connection.h"
#include "db/values/Currency.h"
#include "host/HostTestSupport.h"

namespace fo::test {

// A small fee office for the fee-rule tests: the autumn months of the
// 2026-2027 school year, one charge type with an item of every kind, two
// classes, three first-level categories and a few students.
//
//   item 1 保育费 monthly  800
//   item 2 伙食费 monthly, per day 15.5 x 22 days
//   item 3 书本费 termly   300
//   item 4 保险费 yearly   100
//   item 5 报名费 one-off  200
class DuesOfficeTest : public FeeDbTest {
public:
    // Work-table rows keyed by (xsid, sfyf, sfxmid): (ysje, jfje, jmje) as "0.00" texts.
    using Key = std::tuple<int, std::string, int>;
    using Amounts = std::tuple<std::string, std::string, std::string>;

protected:
    void SetUp() override {
        FeeDbTest::SetUp();
        exec("insert into ajzrq(yf,fromdate,todate,jfmc) values('202609','2026-09-01','2026-09-30','2026年09月'),"
             "('202610','2026-10-01','2026-10-31','2026年10月'),('202611','2026-11-01','2026-11-30','2026年11月'),"
             "('202612','2026-12-01','2026-12-31','2026年12月'),('202701',null,null,'2027年01月')");  // no dates yet
        exec("insert into termdate(yearname,termName,yffromDate,yftoDate,termTag) values"
             "('2026年','上学期','2026-09-01','2027-01-31','2026上')");
        exec("insert into kdw_year(yearMc,dateFrom,dateTo,yearTag) values('2026-2027学年','2026-09-01','2027-08-31','2026年')");
        exec("insert into kdw_sfxm(id,bh,mc,jflx,projectID_DF,cqts,qftj) values"
             "(1,'01','保育费',3,1,'N','Y'),(2,'02','伙食费',3,2,'Y','Y'),(3,'03','书本费',0,3,'N','Y'),"
             "(4,'04','保险费',2,4,'N','Y'),(5,'05','报名费',1,5,'N','Y'),(6,'06','兴趣班',3,6,'N','N')");
        exec("insert into kdw_sflx(id,mc,sfxmid,je,mrcqts) values"
             "(1,'全日制',1,800,0),(1,'全日制',2,15.5,22),(1,'全日制',3,300,0),(1,'全日制',4,100,0),"
             "(1,'全日制',5,200,0),(1,'全日制',6,50,0)");
        exec("insert into kdw_bj(id,mc) values(1,'小班一班'),(2,'大班二班')");
        exec("insert into kdw_xslx(id,parentid,mc) values(1,0,'在园幼儿'),(2,0,'托班'),(3,0,'离园')");
        // S004 is suspended.
        exec("insert into kdw_xs(id,xh,xm,bjid,sflxid,lb,lb1,lb2,del,intTx) values(1,'S001','王小明',1,1,1,1,0,0,0),"
             "(2,'S002','李佳怡',1,1,2,2,0,0,0),(3,'S003','张子涵',2,1,1,1,0,0,0),(4,'S004','刘一诺',2,1,1,1,0,0,1)");
    }

    // A fee record with one item; `kind` is the number prefix ("SF", "JM", "YSK").
    void addRecord(int id, const std::string& kind, int xsid, const std::string& sfyf, int item,
                   const std::string& je, const std::string& jmje = "0", int ysfjlid = 0) {
        const std::string sid = std::to_string(id);
        exec("insert into kdw_sfjl(id,djbh,sfrq,xsid,sfyf,je,jmje,ysfjlid) values(" + sid + ",'" + kind + "20260915" +
             sid + "','2026-09-15'," + std::to_string(xsid) + ",'" + sfyf + "'," + je + "," + jmje + "," +
             std::to_string(ysfjlid) + ")");
        exec("insert into kdw_sfjlmx(sfjlid,sfxmid,je,jmje) values(" + sid + "," + std::to_string(item) + "," + je + "," +
             jmje + ")");
    }

    // A reduction of `amount` on `item`, made in `sfyf` and dated `sfrq` (the
    // first day of the period it is for; left empty, the month it names).
    void addReduction(int id, int xsid, const std::string& sfyf, int item, const std::string& amount,
                      const std::string& sfrq) {
        addRecord(id, "JM", xsid, sfyf, item, "0", amount);
        exec("update kdw_sfjl set sfrq=" + (sfrq.empty() ? std::string("null") : "'" + sfrq + "'") +
             " where id=" + std::to_string(id));
    }

    // A stored arrears row with items {item, amount}; settled when `fkrq` is set.
    void addArrears(int qfkid, int xsid, const std::string& qfyf, std::map<int, std::string> items,
                    const std::string& fkrq = {}) {
        Currency total;
        for (auto& [item, amount] : items) total += *Currency::parse(amount);
        exec("insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkrq) values(" + std::to_string(qfkid) + ",'" + qfyf +
             "'," + std::to_string(xsid) + ",'2026-09-30'," + total.plainText() + "," + total.plainText() + "," +
             (fkrq.empty() ? "null" : "'" + fkrq + "'") + ")");
        for (auto& [item, amount] : items)
            exec("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje) values(" + std::to_string(qfkid) + "," +
                 std::to_string(xsid) + ",1," + std::to_string(item) + "," + amount + ")");
    }

    void carriedOver(const std::string& yf) { exec("insert into hisxsinfo(xsid,jzyf) values(0,'" + yf + "')"); }

    std::map<Key, Amounts> workRows(const std::string& table) {
        std::map<Key, Amounts> out;
        auto rs = cn->execute("select xsid,sfyf,sfxmid,ysje,jfje,jmje from " + table);
        for (; rs && !rs->eof(); rs->moveNext()) {
            Key key{static_cast<int>(rs->field(0).toInt()), rs->field(1).toText(), static_cast<int>(rs->field(2).toInt())};
            EXPECT_EQ(out.count(key), 0u) << "duplicate work row " << std::get<0>(key) << " " << std::get<1>(key);
            out[key] = Amounts{rs->field(3).toCurrency().format00(), rs->field(4).toCurrency().format00(),
                               rs->field(5).toCurrency().format00()};
        }
        return out;
    }
};

}  // namespace fo::test
