#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "reduction/frmjmjlNew.h"
#include "support/BooksDiff.h"
#include "support/DemoOfficeWindowTest.h"
#include "ui/controls/KeyCodes.h"

namespace fo::test {

// A student who owes a period in two untouched items, and his stored line.
struct Owing {
    std::string qfkid, xsid, xh, name;
};

// The demo fee office with helpers for the reduction window.
class ReductionTest : public DemoOfficeWindowTest {
protected:
    using Amounts = std::vector<std::pair<std::string, std::string>>;

    // The reduction window, loaded, with the student `xh` found. A second
    // window (`another`) is a window of its own, as another workstation's.
    std::shared_ptr<frmjmjlNew> windowFor(const std::string& xh, bool another = false) {
        auto w = another ? std::make_shared<frmjmjlNew>() : formInstance<frmjmjlNew>();
        w->load();
        w->txtFind.userSetText(xh);
        w->userKey(w->txtFind, key::Enter);
        return w;
    }
    // Types `amount` into the reduction cell of grid row `row`.
    static void typeReduction(frmjmjlNew& w, int row, const std::string& amount) {
        w.MSFlexGrid1.userCellClick(row, frmjmjlNew::ColJm);
        w.Txt_write.userSetText(amount);
    }
    // The grid row of fee item `sfxmid`.
    static int rowOf(frmjmjlNew& w, const std::string& sfxmid) {
        for (int r = 1; r < w.MSFlexGrid1.rows(); ++r)
            if (w.MSFlexGrid1.textMatrix(r, frmjmjlNew::ColItemId) == sfxmid) return r;
        return -1;
    }

    // Students who owe September in two untouched items (保育费 640, 伙食费 341).
    std::vector<Owing> owing() {
        std::vector<Owing> out;
        for (const auto& r : fieldRows(*cn, "select h.qfkid,h.xsid,x.xh,x.xm from qfhzb h inner join kdw_xs x on x.id="
                                            "h.xsid where h.fkrq is null and h.qfyf='202609' and h.qfje=981 and h.qfkid"
                                            " in(select qfkid from qfmxb group by qfkid having count(*)=2 and"
                                            " sum(fkje)=0) order by h.qfkid"))
            out.push_back({r[0], r[1], r[2], r[3]});
        return out;
    }
    // Finds the student, chooses his stored line and types the reductions.
    std::shared_ptr<frmjmjlNew> enter(const std::string& xh, const std::string& line, const Amounts& amounts,
                                      const std::string& reason, bool another = false) {
        auto w = windowFor(xh, another);
        EXPECT_TRUE(w->LvwQFLIST.userItemClick("k" + line));
        for (const auto& [item, amount] : amounts) typeReduction(*w, rowOf(*w, item), amount);
        w->txtJmyy.userSetText(reason);
        return w;
    }
    std::string post(const std::string& xh, const std::string& line, const Amounts& amounts,
                     const std::string& reason = "困难补助") {
        auto w = enter(xh, line, amounts, reason);
        w->cmd_ok.userClick();
        return one("select max(id) from kdw_sfjl where left(djbh,2)='JM'");
    }
    // A charge of `amount` on item `sfxmid` of the open month, with its
    // receipt, booked as a charge is: paid in cash, or wholly from the
    // student's balance (hkje), which then goes down by it. Its id.
    std::string charge(const std::string& xsid, const std::string& sfxmid, Currency amount, bool fromPrepayment) {
        const std::string id = host->pGetMaxId("INandOutML"), djbh = host->pGetBillNum("SF");
        const std::string a = amount.format00(), x = one("select xh,xm from kdw_xs where id=" + xsid);
        cn->execute("insert into kdw_sfjl(id,djbh,sfrq,sflxid,xsid,bjmc,je,hkje,ssje,ysk,jmje,InOrOut,skzhid,skr,bz,rq,"
                    "operid,sfyf,ysfjlid,qfkid,hkid) select " + id + ",'" + djbh + "','2026-12-06',sflxid,id,'班'," + a +
                    "," + (fromPrepayment ? a + ",0" : "0," + a) + ",0,0,1,1,'收费员','','2026-12-06 10:00:00',1,'202612',0,0,0 from kdw_xs where id=" + xsid);
        cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,ye,jmje,ysk,feetermname,cqts) values(" + id + "," + sfxmid + "," + a +
                    "," + a + ",0,0,0,'2026-12-01至2026-12-31',0)");
        cn->execute("insert into PJML(id,djbh,pjState,bjmc,xsid,xh,xm,kprq,bz,hjje,jeDx,kpr,skr) values((select"
                    " max(id)+1 from PJML),'" + djbh + "',''," + "'班'," + xsid + ",'" + x.substr(0, x.find('|')) +
                    "','" + x.substr(x.find('|') + 1) + "','2026-12-06',''," + a + ",'','收费员','收费员')");
        if (fromPrepayment) cn->execute("update kdw_xs set ysk=ysk-(" + a + ") where id=" + xsid);
        return id;
    }
};

}  // namespace fo::test
