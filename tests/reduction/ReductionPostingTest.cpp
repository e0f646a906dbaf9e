// Single-student reductions and their cancellation, in both dialects on the
// demo school; a cancellation's preview is what the books then show.
#include <set>

#include "bills/FeeCancellation.h"
#include "data/checks/BooksCheck.h"
#include "db/DbError.h"
#include "host/fees/CarryOver.h"
#include "reduction/PaidCredit.h"
#include "reduction/ReductionCancellation.h"
#include "reduction/JmjlStatements.h"
#include "reduction/frmjmjlML.h"
#include "reduction/ReductionFixture.h"
#include "support/ErrorOf.h"
#include "support/FailingWrites.h"
#include "ui/frmPlanPreview.h"

namespace fo::test {
namespace {

class ReductionPostingTest : public ReductionTest {};

TEST_P(ReductionPostingTest, FullAndPartialReductionsWriteTheRecordItemsSettlementAndRemainder) {
    const auto students = owing();
    ASSERT_GE(students.size(), 2u);
    const Owing& a = students[0];
    const Owing& b = students[1];
    const std::string sflxBjmcA = one("select x.sflxid,b.mc from kdw_xs x,kdw_bj b where b.id=x.bjid and x.id=" + a.xsid);

    const std::string full = post(a.xh, a.qfkid, {{"1", "640"}, {"2", "341"}});
    EXPECT_EQ(lastMessage().title + "|" + lastMessage().text, "提示|操作成功！\r\n\r\n学生:" + a.name + "\r\n减免金额：981.00");
    EXPECT_FALSE(ui.waitCursorShown());
    EXPECT_EQ(one("select sfrq,xsid,sflxid,bjmc,jmje,jmyy,ysfjlid,qfkid,hkid,operid,sfyf,skr,left(djbh,2)"
                  " from kdw_sfjl where id=" + full),
              "2026-09-01|" + a.xsid + "|" + sflxBjmcA + "|981|困难补助|0|0|0|1|202612|" + host->gusername() + "|JM");
    EXPECT_EQ(rows("select sfxmid,jmje,feetermname,cqts,ysje,ye from kdw_sfjlmx where sfjlid=" + full +
                   " order by sfxmid"),
              (Rows{"1|640|2026-09-01至2026-09-30|0|640|0", "2|341|2026-09-01至2026-09-30|22|341|0"}));
    EXPECT_EQ(one("select jmje,jmjlid,fkrq is not null from qfhzb where qfkid=" + a.qfkid), "981|" + full + "|1");
    EXPECT_EQ(rows("select jmje from qfmxb where qfkid=" + a.qfkid + " order by sfxmid"), (Rows{"640", "341"}));
    EXPECT_EQ(one("select count(*) from qfhzb where yqfkid=" + a.qfkid), "0");

    // A partial one, with a reason that carries quotes, booked in the month
    // of its date when reductions are not limited to the open month.
    globals().settings->set("chkNotLimitJZ", Value("1"));
    const std::string part = post(b.xh, b.qfkid, {{"1", "40"}}, "O'Brien's 'bad' year");
    EXPECT_EQ(one("select jmje,jmyy,sfyf from kdw_sfjl where id=" + part), "40|O'Brien's 'bad' year|202609");
    EXPECT_EQ(rows("select sfxmid,jmje,ysje from kdw_sfjlmx where sfjlid=" + part), (Rows{"1|40|640"}));
    EXPECT_EQ(one("select jmje,jmjlid,fkrq is not null from qfhzb where qfkid=" + b.qfkid), "40|" + part + "|1");
    const std::string next = one("select qfkid from qfhzb where yqfkid=" + b.qfkid);
    EXPECT_EQ(one("select qfyf,xsid,qfje,sjqfje,fkje,jmje,jmjlid,sfjlid,fkrq is null,userid from qfhzb where qfkid=" + next),
              "202609|" + b.xsid + "|941|0|0|0|0|0|1|1");
    EXPECT_EQ(rows("select sfxmid,qfje,fkje,jmje,xsid from qfmxb where qfkid=" + next + " order by sfxmid"),
              (Rows{"1|600|0|0|" + b.xsid, "2|341|0|0|" + b.xsid}));
}

TEST_P(ReductionPostingTest, OverReductionsStoreNothingAndAPartOfACentLeftOwingIsOfferedAsItIsAndClearedExactly) {
    const std::vector<Owing> students = owing();
    ASSERT_GE(students.size(), 2u);
    const Owing& a = students[0];
    const BooksSnapshot before(*cn);

    auto w = enter(a.xh, a.qfkid, {{"1", "640.01"}}, "多减一分");
    const std::size_t shown = ui.messages().size();
    confirm = false;
    w->cmd_ok.userClick();
    EXPECT_EQ(ui.messages().size(), shown);
    EXPECT_EQ(BooksSnapshot(*cn), before);

    confirm = true;
    w->cmd_ok.userClick();
    ASSERT_EQ(ui.messages().size(), shown + 2);
    EXPECT_EQ(ui.messages()[shown].title + "|" + ui.messages()[shown].text,
              "警告！|收费项目[保育费]\r\n应收金额：640\r\n\r\n减免金额不能大于应收金额");
    EXPECT_EQ(lastMessage().title + "|" + lastMessage().text, "提示|收费失败！\r\n");
    EXPECT_EQ(BooksSnapshot(*cn), before);
    // The window keeps what was entered, so the clerk can correct it.
    EXPECT_EQ(w->lblSumProject.caption() + "|" + w->txtJmyy.text(), "640.01|多减一分");
    EXPECT_FALSE(ui.waitCursorShown());

    // The row owes 0.005 of 保育费 and nothing else, as older books hold it.
    cn->execute("delete from qfmxb where sfxmid<>1 and qfkid=" + a.qfkid);
    cn->execute("update qfmxb set qfje=0.005 where qfkid=" + a.qfkid);
    cn->execute("update qfhzb set qfje=0.005 where qfkid=" + a.qfkid);
    w = enter(a.xh, a.qfkid, {}, "清零");
    EXPECT_EQ(w->LvwQFLIST.findItem("k" + a.qfkid)->subItem(2), "0.005");
    const int r = rowOf(*w, "1");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(r, frmjmjlNew::ColJm) + "|" + w->lblSumProject.caption(), "0.005|0.005");
    // Only that rest is taken with a third decimal; an amount pasted past
    // the key filter below zero or with a third decimal is refused naming its item.
    const BooksSnapshot older(*cn);
    for (const char* pasted : {"0.004", "-5", "-0.01", "12.345"}) {
        typeReduction(*w, r, pasted);
        w->cmd_ok.userClick();
        EXPECT_EQ(lastMessage().title + "|" + lastMessage().text, std::string("警告|收费项目[保育费]的减免金额[") + pasted +
                                                                    "]不正确：减免金额不能小于零，最多两位小数。");
    }
    EXPECT_EQ(BooksSnapshot(*cn), older);
    typeReduction(*w, r, "0.005");
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "操作成功！\r\n\r\n学生:" + a.name + "\r\n减免金额：0.005");
    const std::string record = one("select max(id) from kdw_sfjl");
    EXPECT_EQ(one("select count(*) from kdw_sfjl a inner join kdw_sfjlmx m on m.sfjlid=a.id where a.jmje=0.005 and"
                  " m.jmje=0.005 and a.id=" + record),
              "1");
    EXPECT_EQ(one("select jmjlid,fkrq is not null from qfhzb where qfkid=" + a.qfkid), record + "|1");
    EXPECT_EQ(one("select count(*) from qfhzb where yqfkid=" + a.qfkid), "0");
    const auto faults = checkBooks(*cn);
    EXPECT_TRUE(faults.empty()) << faults.front().code << " " << faults.front().text;

    // Reduced beyond its arrears, as when one item is reduced in two months
    // of one posting, an item counts only up to them.
    const Owing& b = students[1];
    ConnectionPtr tr = host->pgettrcn();
    tr->beginTrans();
    formInstance<frmjmjlNew>()->toUpdateHis(b.xsid, "202609:1|700,202609:2|300", *tr, "77");
    tr->commitTrans();
    EXPECT_EQ(one("select jmje,jmjlid from qfhzb where qfkid=" + b.qfkid), "940|77");
    EXPECT_EQ(one("select qfje from qfhzb where yqfkid=" + b.qfkid), "41");
}

// Cancellations go in reverse order only, over every remainder row a
// reduction created: the later one is named by the row it settled.
TEST_P(ReductionPostingTest, CancellationGoesInReverseOrderOnly) {
    const std::string logged = one("select max(id) from sys_log");  // the demo's own postings
    // A student who owes September and the autumn term, in stored rows.
    const std::string xsid = one("select min(m.xsid) from qfhzb m,qfhzb t where m.xsid=t.xsid and m.qfyf='202609' and"
                                 " t.qfyf='2026上' and m.fkrq is null and t.fkrq is null");
    const std::string month = one("select qfkid from qfhzb where fkrq is null and qfyf='202609' and xsid=" + xsid);
    const std::string term = one("select qfkid from qfhzb where fkrq is null and qfyf='2026上' and xsid=" + xsid);
    const std::string xh = one("select xh from kdw_xs where id=" + xsid);
    // One reduction settles both rows in part; a later one settles the
    // term's remainder, which is the second remainder the first created.
    const std::string first = post(xh, month, {{"1", "40"}, {"3", "100"}});
    ASSERT_EQ(one("select count(*) from qfhzb where jmjlid=" + first), "2");
    const std::string rest = one("select qfkid from qfhzb where yqfkid=" + term);
    const std::string second = post(xh, rest, {{"3", "50"}});
    ASSERT_EQ(one("select jmjlid from qfhzb where qfkid=" + rest), second);

    auto list = formInstance<frmjmjlML>();
    list->load();
    ASSERT_NE(list->lvwML.findItem("k" + first), nullptr);
    auto other = std::make_shared<frmjmjlML>();  // another workstation's, read now
    other->load();
    const BooksSnapshot before(*cn);
    list->lvwML.userItemClick("k" + first);
    // The preview refuses, names the later reduction and opens it.
    onModal = [&](Form& f) {
        auto& preview = dynamic_cast<frmPlanPreview&>(f);
        EXPECT_FALSE(preview.cmdOK.enabled());
        EXPECT_EQ(preview.lblRefusal.caption(), "不能记账：" + jmjl::reverseOrderRefusal() + "\r\n\r\n须先取消：减免记录[" +
                                                   one("select djbh from kdw_sfjl where id=" + second) + "]（所属期 2026上）");
        preview.cmdOpenLater.userClick();
    };
    list->cmdCancel.userClick();
    EXPECT_EQ(BooksSnapshot(*cn), before);
    ASSERT_EQ(list->lvwML.itemCount(), 1);
    EXPECT_EQ(list->lvwML.selectedItem()->key(), "k" + second);
    EXPECT_EQ(list->lvwMx.item(1).subItem(1), "50");
    list->initData(nullptr);
    EXPECT_NE(list->lvwML.findItem("k" + first), nullptr);

    // A statement failing half-way takes the whole cancellation back.
    const std::string unjam = failUpdates(*cn, "qfhzb", "jammed", "fkrq");
    bool ok = true;
    list->CancelMonthJM(second, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(lastMessage().text.rfind("操作失败！\r\n", 0), 0u) << lastMessage().text;
    // The clerk reads why in Chinese, not the engine's words.
    EXPECT_NE(lastMessage().text.find(dbtext::Constraint), std::string::npos) << lastMessage().text;
    EXPECT_EQ(lastMessage().text.find("jammed"), std::string::npos);
    EXPECT_EQ(BooksSnapshot(*cn), before);
    cn->execute(unjam);

    list->CancelMonthJM(second, ok);
    ASSERT_TRUE(ok);
    list->lvwML.userItemClick("k" + first);
    list->CancelMonthJM(first, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(lastMessage().text, "操作成功！");
    EXPECT_EQ(list->lvwML.findItem("k" + first), nullptr);
    EXPECT_FALSE(ui.waitCursorShown());

    // The mirror negates the record and each of its items.
    const std::string mirror = one("select id from kdw_sfjl where ysfjlid=" + first);
    EXPECT_EQ(one("select left(djbh,4),xsid,jmje,sfyf,skr,sflxid=(select sflxid from kdw_sfjl where id=" + first +
                  ") from kdw_sfjl where id=" + mirror),
              "QXJM|" + xsid + "|-140|202612|" + host->gusername() + "|1");
    EXPECT_EQ(rows("select sfxmid,jmje,ysje,feetermname from kdw_sfjlmx where sfjlid=" + mirror + " order by sfxmid"),
              rows("select sfxmid,-jmje,-ysje,feetermname from kdw_sfjlmx where sfjlid=" + first + " order by sfxmid"));
    EXPECT_EQ(rows("select qfkid,jmje,jmjlid,fkrq is null from qfhzb where qfkid in(" + month + "," + term +
                   ") order by qfkid"),
              (Rows{month + "|0|0|1", term + "|0|0|1"}));
    EXPECT_EQ(one("select count(*) from qfhzb where yqfkid in(" + month + "," + term + "," + rest + ")"), "0");
    EXPECT_EQ(one("select count(*) from qfmxb where jmje<>0 and qfkid in(" + month + "," + term + ")"), "0");

    // The audit log: each posting with its number and amount, and each
    // cancellation that went back, once, as failed (the jammed one with why).
    // The one its preview refused never began, so the log has no row of it.
    EXPECT_EQ(rows("select operation,amount,substr(outcome,1,2) from sys_log where id>" + logged + " order by id"),
              (Rows{"减免|140|完成", "减免|50|完成", "取消减免|50|失败", "取消减免|50|完成", "取消减免|140|完成"}));
    const Rows jammed = rows("select outcome from sys_log where outcome like '%jammed%'");
    ASSERT_EQ(jammed.size(), 1u);
    EXPECT_EQ(jammed[0].rfind(std::string("失败：") + dbtext::Constraint, 0), 0u) << jammed[0];
    EXPECT_EQ(one("select count(*) from sys_log l,kdw_sfjl a where l.djbh=a.djbh and l.outcome='完成' and l.id>" +
                  logged),
              "4");

    // Neither the cancelled reductions nor their mirrors are listed again.
    list->initData(nullptr);
    for (const std::string& id : {first, second, mirror})
        EXPECT_EQ(list->lvwML.findItem("k" + id), nullptr) << id;

    // The other window still lists the first; its preview says why it cannot
    // go, and what is no live reduction is refused by name.
    const BooksSnapshot after(*cn);
    ASSERT_TRUE(other->lvwML.userItemClick("k" + first));
    std::string refusal;
    onModal = [&](Form& f) { refusal = dynamic_cast<frmPlanPreview&>(f).lblRefusal.caption(); };
    other->cmdCancel.userClick();
    EXPECT_EQ(refusal, "不能记账：减免记录[" + one("select djbh from kdw_sfjl where id=" + first) +
                           "]已被取消，不能再次取消，请刷新。");
    EXPECT_NE(other->lvwML.findItem("k" + first), nullptr);
    EXPECT_FALSE(ui.waitCursorShown());
    other->CancelMonthJM(mirror, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(lastMessage().text, "[" + one("select djbh from kdw_sfjl where id=" + mirror) +
                                      "]是取消减免时记下的冲销记录，不能取消。");
    const std::string charge = one("select min(id) from kdw_sfjl where left(djbh,2)='SF'");
    other->CancelMonthJM(charge, ok);
    EXPECT_EQ(lastMessage().text, "[" + one("select djbh from kdw_sfjl where id=" + charge) +
                                      "]不是减免记录，不能在这里取消。");
    other->CancelMonthJM("999999", ok);
    EXPECT_EQ(lastMessage().text, "找不到该减免记录，可能已被删除，请刷新。");
    EXPECT_FALSE(ok);
    other->CancelMonthJM(first + " or 1=1", ok);  // never reaches a statement
    EXPECT_FALSE(ok);
    EXPECT_EQ(BooksSnapshot(*cn), after);
    EXPECT_EQ(one("select count(*) from kdw_sfjl where ysfjlid in(" + first + "," + mirror + "," + charge + ")"), "1");
}

// A reduction of what was already paid goes to the student's prepayment:
// capped at what was paid less reduced and credited, taken back by its
// mirror, and blocking, in reverse order, the charge it followed and is
// blocked by a later charge that spent it.
TEST_P(ReductionPostingTest, ACreditOfAPaidItemGoesToThePrepaymentCappedAndCancelledInReverseOrder) {
    // 保育费 (item 1) of the open month, paid in full by one charge, and
    // paid in part: the host's dues still owe some of it.
    const auto full = fieldRows(
        *cn, "select a.xsid,a.id,b.je from kdw_sfjl as a inner join kdw_sfjlmx as b on b.sfjlid=a.id where"
             " left(a.djbh,2)='SF' and a.sfyf='202612' and b.sfxmid=1 and a.ysfjlid=0 and a.xsid not in(select xsid from"
             " kdw_sfjl where sfyf='202612' and id<>a.id) and a.xsid not in(select xsid from qfhzb where fkrq is null)"
             " order by a.id");
    ASSERT_FALSE(full.empty());
    const std::string xsid = full[0][0], chargeId = full[0][1];
    const Currency paid = leadingNumber(full[0][2]);
    std::string dues;
    host->getQFmxbNew(dues, cn, "202612", ",1", "", "");
    const auto unpaid =
        fieldRows(*cn, "select xsid,ysje from " + dues + " where jfje=0 and jmje=0 and ysje>1 order by xsid");
    ASSERT_FALSE(unpaid.empty());
    const std::string partXsid = unpaid[0][0];
    const Currency partPaid = leadingNumber("1");
    charge(partXsid, "1", partPaid, false);
    const Currency partOwed = leadingNumber(unpaid[0][1]) - partPaid;

    auto request = [&](const std::string& student, const std::string& amount) {
        jmjl::CreditRequest r{student, one("select sflxid from kdw_xs where id=" + student), "班", "2026-12-01",
                              "202612", "迟到的减免", {}};
        r.items.push_back({"1", "保育费", leadingNumber(amount), "2026-12-01至2026-12-31"});
        return r;
    };
    auto cap = [&](const std::string& student) { return jmjl::creditCap(*cn, *host, student, "1", "2026-12-01"); };
    auto balances = [&](const std::string& student) {
        return one("select ysk from kdw_xs where id=" + student) + "/" +
               one("select coalesce(sum(ysk),0) from XS_SFXM_YSK where sfxmid=1 and xsid=" + student);
    };
    auto refusal = [&](const jmjl::CreditRequest& r) {
        return errorOf([&] { jmjl::postCredit(*host, r); }).description();
    };
    // In a transaction of its own, the reduction's cancellation or the
    // charge's void is planned and booked unless it is refused.
    auto book = [&](const std::string& id, bool voidTheCharge) {
        ConnectionPtr tr = host->pgettrcn();
        tr->beginTrans();
        FeeCancellation fc(*tr, *host);
        plan::Draws draws = voidTheCharge ? fc.postingDraws()
                                          : plan::Draws([&](const std::string& c) { return host->pGetMaxId(c); },
                                                        [&](const std::string& c) { return host->pGetBillNum(c); });
        plan::Plan p(false);
        if (voidTheCharge) fc.planInto(p, "", id, draws);
        else p = jmjl::cancellationPlan(*tr, *host, id, host->gusername(), draws);
        if (!p.refused()) plan::execute(*tr, p);
        tr->commitTrans();
        return p.refused() ? p.refusals.front().code + ":" + p.refusals.front().laterId
                           : std::string(voidTheCharge ? "voided" : "cancelled");
    };
    auto cancel = [&](const std::string& id) { return book(id, false); };
    auto voidCharge = [&](const std::string& id) { return book(id, true); };

    // A clerk who may reduce but not credit what was paid finds the option grey.
    actAs(2);
    EXPECT_FALSE(windowFor(one("select xh from kdw_xs where id=" + xsid), true)->chkCreditPaid.enabled());
    actAs(Operators::BuiltInId);

    // After the full payment: everything paid may be credited, no more.
    EXPECT_EQ(cap(xsid), paid);
    const std::string before = balances(xsid);
    const BooksSnapshot beforeCounts(*cn);
    EXPECT_NE(refusal(request(xsid, (paid + leadingNumber("0.01")).plainText())).find("至多 " + paid.format00()),
              std::string::npos);
    EXPECT_EQ(BooksSnapshot(*cn), beforeCounts);
    const std::string first = jmjl::postCredit(*host, request(xsid, "300"));
    EXPECT_EQ(one("select jmje,ysk,je,sfyf,left(djbh,2) from kdw_sfjl where id=" + first), "300|300|0|202612|JM");
    EXPECT_EQ(rows("select sfxmid,je,jmje,ysk from kdw_sfjlmx where sfjlid=" + first), (Rows{"1|-300|300|300"}));
    const Currency ysk = leadingNumber(before), share = leadingNumber(before.substr(before.find('/') + 1));
    EXPECT_EQ(balances(xsid), (ysk + leadingNumber("300")).plainText() + "/" + (share + leadingNumber("300")).plainText());
    // The dues rules see 300 less paid and 300 reduced: the month stays settled.
    RecordsetPtr seen = host->getRptJFdata(cn, xsid, "1", "202612", "", "");
    EXPECT_EQ(seen->field("je").toCurrency(), paid - leadingNumber("300"));
    EXPECT_EQ(seen->field("jmje").toCurrency(), leadingNumber("300"));
    EXPECT_EQ(cap(xsid), paid - leadingNumber("300"));
    // The rest once, then a second credit of the same item finds nothing left.
    // Entered in the window: with the option the grid offers what was paid.
    auto w = windowFor(one("select xh from kdw_xs where id=" + xsid));
    w->chkCreditPaid.userClick();
    ASSERT_NE(rowOf(*w, "1"), -1);
    EXPECT_EQ(leadingNumber(w->MSFlexGrid1.textMatrix(rowOf(*w, "1"), frmjmjlNew::ColJm)), paid - leadingNumber("300"));
    for (int r = 1; r < w->MSFlexGrid1.rows(); ++r)
        if (r != rowOf(*w, "1")) typeReduction(*w, r, "0");
    w->txtJmyy.userSetText("迟到的减免");
    w->cmd_ok.userClick();
    const std::string second = one("select max(id) from kdw_sfjl where left(djbh,2)='JM'");
    EXPECT_EQ(one("select ysk from kdw_sfjl where id=" + second), (paid - leadingNumber("300")).plainText());
    EXPECT_NE(refusal(request(xsid, "0.01")).find("至多 0.00"), std::string::npos);
    host->getQFmxbNew(dues, cn, "202612", ",1", "", "");
    EXPECT_EQ(one("select count(*) from " + dues + " where xsid=" + xsid), "0");
    EXPECT_TRUE(checkBooks(*cn).empty());

    // After a part payment: what was paid, and the student still owes the rest.
    EXPECT_EQ(cap(partXsid), partPaid);
    jmjl::postCredit(*host, request(partXsid, partPaid.plainText()));
    host->getQFmxbNew(dues, cn, "202612", ",1", "", "");
    EXPECT_EQ(leadingNumber(one("select ysje-jfje-jmje from " + dues + " where xsid=" + partXsid)), partOwed);

    // The charge the credits followed is voided only after them, last first.
    EXPECT_EQ(voidCharge(chargeId), "later-operation:" + second);
    EXPECT_EQ(cancel(second), "cancelled");
    EXPECT_EQ(cap(xsid), paid - leadingNumber("300"));
    // A later charge spends the balance: the credit waits for its void.
    const std::string spent = charge(xsid, "2", leadingNumber(one("select ysk from kdw_xs where id=" + xsid)), true);
    EXPECT_EQ(cancel(first), "reverse-order:" + spent);
    EXPECT_EQ(voidCharge(spent), "voided");
    EXPECT_EQ(cancel(first), "cancelled");
    EXPECT_EQ(balances(xsid), before);
    EXPECT_EQ(voidCharge(chargeId), "voided");

    // The month-end stores what the part payer still owes, the credit kept
    // in his balance; the stored month is credited no more.
    const std::string partBalance = balances(partXsid);
    carryOverMonth(*cn, *host, "202612");
    EXPECT_EQ(leadingNumber(one("select sum(q.qfje-q.fkje-q.jmje) from qfhzb as h inner join qfmxb as q on"
                                " q.qfkid=h.qfkid where h.fkrq is null and h.qfyf='202612' and q.sfxmid=1 and h.xsid=" +
                                partXsid)),
              partOwed);
    EXPECT_EQ(balances(partXsid), partBalance);
    EXPECT_EQ(cap(partXsid), Currency());
}

TEST_P(ReductionPostingTest, ARecordChangedAfterThePreviewIsNamedOtherwiseTheBooksChangeRowForRowAsItShowed) {
    const Owing b = owing().at(0);
    const std::string reduction = post(b.xh, b.qfkid, {{"1", "40"}, {"2", "1"}});
    const std::string remainder = one("select qfkid from qfhzb where yqfkid=" + b.qfkid);
    ASSERT_NE(remainder, "<no row>");

    // The records window with the reduction chosen; its preview is kept,
    // then `whilePreviewed` runs and the preview is confirmed.
    auto list = formInstance<frmjmjlML>();
    list->load();
    ASSERT_TRUE(list->lvwML.userItemClick("k" + reduction));
    plan::Plan previewed;
    std::function<void()> whilePreviewed;
    onModal = [&](Form& f) {
        auto& preview = dynamic_cast<frmPlanPreview&>(f);
        previewed = preview.shownPlan();
        if (whilePreviewed) whilePreviewed();
        preview.cmdOK.userClick();
    };
    BooksSnapshot meanwhile(*cn);
    // Another clerk writes a note on the record, which the mirror copies.
    whilePreviewed = [&] {
        cn->execute("update kdw_sfjl set bz='另一位操作员的备注' where id=" + reduction);
        meanwhile = BooksSnapshot(*cn);
    };
    ui.queueAnswer(MsgAnswer::Yes);
    list->cmdCancel.userClick();
    EXPECT_TRUE(shown("预览之后，另一位操作员改动了本次要记账的数据")) << lastMessage().text;
    EXPECT_TRUE(shown("：预览后已被其他操作改动")) << "the changed row is named";
    EXPECT_EQ(BooksSnapshot(*cn), meanwhile);
    ASSERT_NE(list->lvwML.findItem("k" + reduction), nullptr);

    // Previewed again and confirmed, it is cancelled as it showed.
    whilePreviewed = nullptr;
    ASSERT_TRUE(list->lvwML.userItemClick("k" + reduction));
    const BooksSnapshot before(*cn);
    ui.queueAnswer(MsgAnswer::Yes);
    list->cmdCancel.userClick();
    ASSERT_EQ(lastMessage().text, "操作成功！");
    EXPECT_EQ(planMismatches(previewed, changesBetween(before, BooksSnapshot(*cn))), "");
    // The mirror and its items, the settled row and its items restored, the
    // remainder and its items removed.
    std::multiset<std::string> made;
    for (const auto& c : previewed.changes) made.insert(plan::kindWord(c.kind) + " " + c.table);
    EXPECT_EQ(made, (std::multiset<std::string>{"insert kdw_sfjl", "insert kdw_sfjlmx", "insert kdw_sfjlmx",
                                                "update qfhzb", "update qfmxb", "update qfmxb", "delete qfhzb",
                                                "delete qfmxb", "delete qfmxb"}));
}

FO_INSTANTIATE_DIALECTS(ReductionPostingTest);

}  // namespace
}  // namespace fo::test
