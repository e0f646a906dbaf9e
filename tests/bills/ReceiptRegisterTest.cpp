// The receipt register window on a demo fee office, in both dialects: its
// filters, the item detail, export, reprint, and the void with its preview,
// which the books then match row for row, and its refusals.
#include <array>
#include <filesystem>
#include <set>

#include "bills/FeeCancellation.h"
#include "bills/cLsBILLhead.h"
#include "bills/frmBILLML.h"
#include "db/values/TextCase.h"
#include "students/DemoOfficeTest.h"
#include "students/frmCommFind.h"
#include "support/BooksDiff.h"
#include "support/FileText.h"
#include "support/XlsxSheet.h"
#include "ui/CombinedQueryForm.h"
#include "ui/frmPlanPreview.h"

namespace fo::test {
namespace {

class ReceiptRegister : public DemoOfficeTest {
protected:
    void SetUp() override {
        DemoOfficeTest::SetUp();
        ui.events.printed = [this](const std::string& p) { printed.push_back(p); };
    }

    // The register over October, every state, as a clerk sets it up.
    std::shared_ptr<frmBILLML> october() {
        auto w = formInstance<frmBILLML>();
        w->load();
        w->DTPfrom.userPick(*DateTime::parse("2026-10-01"));
        w->DTPto.userPick(*DateTime::parse("2026-10-31"));
        w->cmbDJstate.userSelect("全部");
        w->CMDfind.userClick();
        return w;
    }
    // Bills listed, without the sum row.
    int bills(const frmBILLML& w) { return w.ListView1.itemCount() - 1; }
    long count(const std::string& where) {
        return scalar(*cn, "select count(*) from pjml as a, kdw_sfjl as b where a.djbh=b.djbh and " + where).toInt();
    }
    std::string lastText() { return ui.lastMessage() ? ui.lastMessage()->text : std::string(); }
    // Runs the combined query with conditions of field, operator ("": as it
    // stands) and value; with none it is cancelled.
    void combinedQuery(frmBILLML& w, const std::vector<std::array<std::string, 3>>& conditions) {
        ui.setModalRunner([&](Form& f) {
            auto& q = dynamic_cast<CombinedQueryForm&>(f);
            for (const auto& [field, op, value] : conditions) {
                q.cmbField.userSelect(field);
                if (!op.empty()) q.cmbOp.userSelect(op);
                q.txtValue.userSetText(value);
                q.cmdAdd.userClick();
            }
            (conditions.empty() ? q.cmdCancel : q.cmdOK).userClick();
        });
        w.mGroupFind.userClick();
    }

    std::vector<std::string> printed;
};

TEST_P(ReceiptRegister, OpensOnTheMonthsBillsAndFiltersByEachChoiceTheStudentFilterAndTheCombinedQuery) {
    auto w = formInstance<frmBILLML>();
    w->load();
    EXPECT_EQ(w->cmbDJstate.text() + "|" + w->ListView1.item(w->ListView1.itemCount()).key(), "|k0");

    w = october();
    // The upper bound is the next midnight: the whole of the 13th counts
    // (the demo stamps bills at midnight, so those of the 14th come along).
    w->DTPto.userPick(*DateTime::parse("2026-10-13"));
    w->CMDfind.userClick();
    EXPECT_EQ(bills(*w), count("a.kprq>='2026-10-01' and a.kprq<='2026-10-14'"));
    EXPECT_LT(bills(*w), count("a.kprq>='2026-10-01'"));

    w->cmbDJstate.userSelect("作废");
    w->CMDfind.userClick();
    EXPECT_EQ(std::to_string(bills(*w)) + "|" + w->ListView1.item(1).text(), "1|SF202610070003");

    w->cmbDJstate.userSelect("全部");
    w->cmbBJ.userSelect("中班一班");
    w->cmbKpr.userSelect("张会计");
    w->cmbBILLtype.userSelect("收费单据");
    w->CMDfind.userClick();
    EXPECT_EQ(bills(*w), count("a.kprq>='2026-10-01' and a.kprq<='2026-10-14' and a.bjmc='中班一班' and a.kpr='张会计'"));
    EXPECT_GT(bills(*w), 0);
    w->cmbBILLtype.userSelect("退费单据");
    w->CMDfind.userClick();
    EXPECT_EQ(bills(*w), 0);

    // The student filter dialog and the combined query narrow the list.
    FormInstances::releaseAll();
    w = october();
    ui.setModalRunner([](Form& f) {
        auto& filter = dynamic_cast<frmCommFind&>(f);
        filter.Cmb_bjmc.userSelect("大班一班");
        filter.cmdSure.userClick();
    });
    w->mFindWhere.userClick();
    EXPECT_EQ(bills(*w), count("a.kprq>='2026-10-01' and a.bjmc='大班一班'"));
    EXPECT_GT(bills(*w), 0);

    ui.setModalRunner([](Form& f) { dynamic_cast<frmCommFind&>(f).cmdExit.userClick(); });
    const int before = bills(*w);
    w->mFindWhere.userClick();
    EXPECT_EQ(bills(*w), before);  // cancelled: the list stays

    combinedQuery(*w, {{"开票人", "", "李出纳"}, {"金额", ">=", "300"}});
    EXPECT_EQ(bills(*w), count("a.kpr='李出纳' and a.hjje>=300"));
    EXPECT_GT(bills(*w), 0);

    // 取消 leaves the list as it was; a number finds its receipt however old,
    // the conditions being the statement's own, not a sift of its newest rows.
    const int shown = bills(*w);
    combinedQuery(*w, {});
    EXPECT_EQ(bills(*w), shown);
    const std::string oldest = text("select djbh from pjml where id=(select min(id) from pjml)");
    // A hundred receipts newer than every other (copies of the newest) push it out of the newest 100.
    for (int i = 1; i <= 100; ++i)
        cn->execute("insert into PJML(id,djbh,pjState,bjmc,xsid,xh,xm,kprq,hjje,kpr,skr) select id+" +
                    std::to_string(i) + ",djbh,pjState,bjmc,xsid,xh,xm,kprq,hjje,kpr,skr from PJML"
                    " where id=(select max(id) from PJML)");
    combinedQuery(*w, {{"编号", "", lowerAscii(oldest)}});  // as a clerk may type it
    EXPECT_EQ(bills(*w), 1);
}

TEST_P(ReceiptRegister, ItemsExportReprintButNotOfAVoidOrTheSumRowAndTheWholeRegisterInChunksRelistedAfterAVoid) {
    auto w = october();
    ASSERT_TRUE(w->ListView1.userItemClick("k46"));
    ASSERT_EQ(w->lvwMx.itemCount(), scalar(*cn, "select count(*) from pjmlmx where pjmlid=46").toInt());
    EXPECT_EQ(w->lvwMx.item(1).text() + "|" + w->lvwMx.item(1).subItem(2),
              text("select xmmc||'|'||term from pjmlmx where pjmlid=46 order by pjmlmxid"));
    EXPECT_EQ(w->lvwMx.column(2).text, "收费金额");

    w->Command2.userClick();
    ASSERT_EQ(ui.exports().size(), 1u);
    EXPECT_EQ(std::filesystem::path(ui.exports()[0]).filename().string(), "票据管理_2026-10-01至2026-10-31.xlsx");
    // Read back: the bill's id stays out, amounts add up, dates are dates.
    const XlsxSheet sheet(ui.exports()[0]);
    ASSERT_EQ(sheet.header().size(), 16u);
    EXPECT_EQ(sheet.header()[0], "编号");
    // The header and the bills, then a 合计 row of SUBTOTAL formulas.
    ASSERT_EQ(sheet.rows(), w->ListView1.itemCount() + 1);
    EXPECT_NE(sheet.workbookXml().find("<sheet name=\"票据管理\""), std::string::npos) << "named after the window";
    const std::string amount = sheet.column("金额"), issued = sheet.column("开票日期");
    Currency sum;
    for (int r = 2; r < sheet.rows(); ++r) {
        const auto cell = sheet.cell(amount + std::to_string(r)), date = sheet.cell(issued + std::to_string(r));
        EXPECT_EQ(cell.type + "|" + cell.format + "|" + date.type + "|" + date.format.substr(0, 10), "|0.00||yyyy-mm-dd")
            << r;
        sum += *Currency::parse(cell.value);
    }
    EXPECT_EQ(sum.format00(), w->ListView1.findItem("k0")->subItem(6));
    const std::string last = std::to_string(sheet.rows());
    EXPECT_EQ(sheet.cell("A" + last).value, "合计");
    const XlsxSheet::Cell total = sheet.cell(amount + last);
    EXPECT_EQ(total.formula, "SUBTOTAL(9," + amount + "2:" + amount + std::to_string(sheet.rows() - 1) + ")");
    EXPECT_EQ(Currency::parse(total.value)->format00(), sum.format00());
    EXPECT_NE(sheet.elementText("oddFooter").find("制表人：系统管理员"), std::string::npos);

    w->ListView1.userItemClick("k25");  // voided in the demo
    w->cmdPrintRe.userClick();
    EXPECT_EQ(lastText(), "所选单据已经作废！不能重打！");
    w->ListView1.userItemClick("k0");
    w->cmdPrintRe.userClick();
    EXPECT_EQ(lastText(), "请选择需要重新打印的收据！");
    EXPECT_EQ(ui.lastMessage()->icon, MsgIcon::None);
    w->ListView1.userItemClick("k46");
    ui.queueAnswer(MsgAnswer::No);
    w->cmdPrintRe.userClick();
    EXPECT_TRUE(printed.empty());

    w->cmbPageType.userSelect("收费收据（二联）241×140毫米");
    ui.queueAnswer(MsgAnswer::Yes);
    w->cmdPrintRe.userClick();
    EXPECT_EQ(lastText(), "打印成功！");
    ASSERT_EQ(printed.size(), 1u);
    ASSERT_TRUE(std::filesystem::exists(printed[0]));
    const std::string receipt = readWholeFile(printed[0]);
    // A reprint names the school and the day it was issued, says it is one,
    // and is counted on the receipt and in the log.
    for (const std::string& part : {text("select djbh from pjml where id=46"), std::string(" 收 费 项 目"),
                                    "合计: " + format00(scalar(*cn, "select hjje from pjml where id=46")),
                                    std::string("纸张格式: 收费收据（二联）241×140毫米"), std::string("阳光幼儿园\n补打\n"),
                                    "开票日期: " + text("select kprq from pjml where id=46").substr(0, 10)})
        EXPECT_NE(receipt.find(part), std::string::npos) << part << "\n" << receipt;
    EXPECT_EQ(receipt.find("作废"), std::string::npos) << "a valid receipt carries no void stamp";
    EXPECT_EQ(text("select rptbz from pjml where id=46"), "1");
    EXPECT_EQ(text("select count(*) from sys_log where operation='重打收据' and djbh=(select djbh from pjml where id=46)"),
              "1");
    ui.queueAnswer(MsgAnswer::Yes);
    w->cmdPrintRe.userClick();
    EXPECT_EQ(text("select rptbz from pjml where id=46"), "2");

    // Voided by another clerk after the list was read: not reprinted.
    cn->execute("update pjml set pjState='作废' where id=46");
    ui.queueAnswer(MsgAnswer::Yes);
    w->cmdPrintRe.userClick();
    EXPECT_EQ(lastText(), "所选单据已经作废！不能重打！");
    EXPECT_EQ(printed.size(), 2u);

    w->cmbBILLtype.userSelect("退费单据");
    w->CMDfind.userClick();
    w->ListView1.clearItems();
    w->Command2.userClick();  // an empty list is not exported
    EXPECT_EQ(ui.exports().size(), 1u);

    // Opened by a host, the register opens on the paper the host chose.
    FormInstances::releaseAll();
    cLsBILLhead bill;
    bill.set_gRun(host);
    bill.set_cmbPage("收费收据（三联）A4");
    std::string paper;
    ui.setModalRunner([&](Form& f) {
        paper = dynamic_cast<frmBILLML&>(f).cmbPageType.text();
        f.unload();
    });
    bill.ShowPJinfo();
    EXPECT_EQ(paper, "收费收据（三联）A4");

    // The whole register, read in chunks, and a void meanwhile relists it.
    w = october();
    w->DTPfrom.userPick(*DateTime::parse("2000-01-01"));
    w->DTPto.userPick(*DateTime::parse("2026-12-31"));
    w->CMDfind.userClick();
    ListView& list = w->ListView1;
    const auto sameRows = [&](int rows) {
        RecordsetPtr eager = cn->execute(w->lastStatement());
        ASSERT_GE(eager->recordCount(), rows);
        for (int r = 1; r <= rows; ++r, eager->moveNext()) {
            ASSERT_EQ(list.rowKey(r), "k" + eager->field(std::size_t{0}).toText()) << r;
            for (int c = 1; c < static_cast<int>(eager->fieldCount()); ++c) {
                const Value& v = eager->field(static_cast<std::size_t>(c));
                ASSERT_EQ(list.rowCell(r, c), c == 7 ? format00(v) : v.toText()) << r << "," << c;
            }
        }
    };
    const int receipts = static_cast<int>(count("1=1"));
    ASSERT_GT(receipts, static_cast<int>(frmBILLML::kFirstRows));
    EXPECT_EQ(list.rowsComplete(), onPostgres());
    if (!onPostgres()) {
        EXPECT_EQ(list.shownCount(), static_cast<int>(frmBILLML::kFirstRows));
    }
    sameRows(static_cast<int>(frmBILLML::kFirstRows));

    // A void of a row shown while the rest is still to come.
    ASSERT_TRUE(list.userRowClick(3));
    const std::string id = list.selectedItem()->key().substr(1);
    ui.setModalRunner([](Form& f) { dynamic_cast<frmPlanPreview&>(f).cmdOK.userClick(); });
    ui.queueAnswer(MsgAnswer::Yes);
    w->cmdZF.userClick();
    ASSERT_EQ(lastText(), "操作成功！");
    EXPECT_EQ(text("select pjState from pjml where id=" + id), "作废");
    EXPECT_EQ(list.rowsComplete(), onPostgres()) << "listed afresh, again in chunks";
    EXPECT_EQ(list.rowCell(3, 2), "作废");
    // The mirror's receipt is no bill of the register; the count stands.
    ASSERT_EQ(list.itemCount(), receipts + 1);
    sameRows(receipts);
    EXPECT_EQ(list.findItem("k0")->subItem(6), format00(scalar(*cn, std::string("select sum(a.hjje) from pjml as a, ") +
                                                                        "kdw_sfjl as b where a.djbh=b.djbh")));

    // Closed while reading: the statement goes with the window, and a
    // posting's log can be taken back whole into the file.
    w->CMDfind.userClick();
    w->unload();
    cn->execute("update pjml set bz=bz where id=" + id);
    if (!onPostgres()) {
        RecordsetPtr checkpoint = cn->execute("PRAGMA wal_checkpoint(PASSIVE)");
        EXPECT_EQ(checkpoint->field(std::size_t{1}).toInt(), checkpoint->field(std::size_t{2}).toInt());
    }
}

FO_INSTANTIATE_DIALECTS(ReceiptRegister);

class VoidPreview : public ReceiptRegister {
protected:
    void SetUp() override {
        ReceiptRegister::SetUp();
        // An October charge whose settled arrears left a remainder row, made
        // to touch everything a cancellation gives back: it took 50 of the
        // prepaid balance, left 20 of new prepayment on its first item, and
        // produced a transfer record.
        charge = text("select min(a.id) from kdw_sfjl a where a.djbh like 'SF%' and a.sfyf='202610' and exists("
                      "select 1 from qfhzb r where r.yqfkid in(select qfkid from qfhzb where sfjlid=a.id))");
        ASSERT_NE(charge, "");
        student = text("select xsid from kdw_sfjl where id=" + charge);
        item = text("select min(sfxmid) from kdw_sfjlmx where sfjlid=" + charge);
        bill = text("select a.id from pjml a, kdw_sfjl b where a.djbh=b.djbh and b.id=" + charge);
        cn->execute("update kdw_sfjl set hkje=50,ysk=20 where id=" + charge);
        cn->execute("update kdw_sfjlmx set ysk=20 where sfjlid=" + charge + " and sfxmid=" + item);
        cn->execute("insert into XS_SFXM_YSK(xsid,sfxmid,ysk) values(" + student + "," + item + ",35)");
        cn->execute("update kdw_xs set ysk=100.1 where id=" + student);
        cn->execute("insert into kdw_sfjl(id,djbh,xsid,je,sfyf,ysfjlid,hkid) values(9001,'HK202610050001'," + student +
                    ",50,'202610',0," + charge + ")");
        cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,je) values(9001," + item + ",50)");
    }

    // Voids through the preview: `onPreview` sees it, then it is confirmed
    // (or left with 返回 when `confirm` is false) and the question answered.
    void voidBill(frmBILLML& w, const std::function<void(frmPlanPreview&)>& onPreview, bool confirm = true,
                  MsgAnswer answer = MsgAnswer::Yes) {
        ui.setModalRunner([&](Form& f) {
            auto& preview = dynamic_cast<frmPlanPreview&>(f);
            shown = preview.shownPlan();
            if (onPreview) onPreview(preview);
            (confirm ? preview.cmdOK : preview.cmdBack).userClick();
        });
        if (confirm) ui.queueAnswer(answer);
        w.cmdZF.userClick();
    }
    std::string charge, student, item, bill;
    plan::Plan shown;
};

TEST_P(VoidPreview, TheBooksChangeRowForRowAsThePreviewShowedInOneTransaction) {
    auto w = october();
    // Nothing chosen, the sum row (no receipt) and a voided bill are refused
    // with one box each, before a preview.
    for (const auto& [key, refusal] : {std::pair<std::string, std::string>{"", "请选择需要作废的单据！"},
                                       {"k0", "请选择需要作废的单据！"}, {"k25", "所选单据已经作废！"}}) {
        if (!key.empty()) w->ListView1.userItemClick(key);
        const std::size_t told = ui.messages().size();
        w->cmdZF.userClick();
        EXPECT_EQ(ui.messages().size(), told + 1) << key;
        EXPECT_EQ(lastText(), refusal) << key;
        EXPECT_EQ(ui.lastMessage()->icon, MsgIcon::None) << key;
    }

    ASSERT_TRUE(w->ListView1.userItemClick("k" + bill));
    const BooksSnapshot before(*cn);
    voidBill(*w, {}, false);
    EXPECT_EQ(BooksSnapshot(*cn), before) << "going back from the preview writes nothing";
    // The question comes only after the preview is confirmed.
    voidBill(*w, {}, true, MsgAnswer::No);
    EXPECT_EQ(lastText(), "确定作废吗？");
    EXPECT_EQ(BooksSnapshot(*cn), before);

    // The clerk is told of success only once the void is committed: another
    // session sees it while the message is up.
    std::string stateWhenTold;
    ui.events.message = [&](const MessageRecord& m) {
        if (m.text == "操作成功！") stateWhenTold = text("select pjState from pjml where id=" + bill);
    };
    w->txtZfyy.userSetText("重复收费");
    voidBill(*w, [](frmPlanPreview& p) {
        EXPECT_TRUE(p.cmdOK.enabled());
        EXPECT_EQ(p.lvwPlan.itemCount(), static_cast<int>(p.shownPlan().changes.size()));
        p.cmdExport.userClick();
    });
    // The export holds every row of the preview as the clerk read it.
    ASSERT_EQ(ui.exports().size(), 1u);
    const XlsxSheet sheet(ui.exports()[0]);
    EXPECT_EQ(sheet.header(), (std::vector<std::string>{"操作", "内容", "说明", "变动", "记录"}));
    EXPECT_EQ(sheet.rows(), static_cast<int>(shown.changes.size()) + 1);
    EXPECT_EQ(sheet.cell("B2").value, "收据");
    ASSERT_EQ(lastText(), "操作成功！");
    EXPECT_EQ(planMismatches(shown, changesBetween(before, BooksSnapshot(*cn))), "");
    // Every part of a cancellation was in it: the receipt, the mirrored
    // record, items and journal, the prepayments, the transfer, the arrears.
    std::set<std::string> tables;
    for (const auto& c : shown.changes) tables.insert(plan::kindWord(c.kind) + " " + c.table);
    EXPECT_EQ(tables, (std::set<std::string>{"update PJML", "insert INandOutML", "insert INandOut", "insert kdw_sfjl",
                                             "update XS_SFXM_YSK", "update kdw_xs", "insert kdw_sfjlmx",
                                             "delete kdw_sfjlmx", "delete kdw_sfjl", "delete qfmxb", "delete qfhzb",
                                             "update qfmxb", "update qfhzb"}));
    // Access keeps two decimals of the balance: 100.1 + 50 - 20.
    EXPECT_EQ(text("select ysk from kdw_xs where id=" + student), "130.1");
    ui.events.message = nullptr;
    EXPECT_EQ(stateWhenTold, "作废");
    EXPECT_EQ(text("select pjState||'|'||zfyy||'|'||zfr from pjml where id=" + bill), "作废|重复收费|系统管理员");
    // The list is read afresh: the bill now shows as void.
    EXPECT_EQ(w->ListView1.findItem("k" + bill)->subItem(1), "作废");
    EXPECT_EQ(text("select operation||'|'||outcome from sys_log where djbh=(select djbh from pjml where id=" + bill + ")"),
              "作废票据|完成");
    EXPECT_EQ(text("select count(*) from sys_log l, pjml p where p.id=" + bill + " and l.djbh=p.djbh and l.amount=p.hjje"),
              "1");
}

TEST_P(VoidPreview, AChargeCancelledByTheHostWritesWhatItsPlanSaid) {
    cLsBILLhead head;
    head.set_gRun(host);
    const plan::Plan planned = head.planCancelMonthFee(*cn, "", charge);
    ASSERT_FALSE(planned.refused());
    const BooksSnapshot before(*cn);
    ConnectionPtr tr = host->pgettrcn();
    tr->beginTrans();
    ASSERT_TRUE(head.CancelMonthFee(*tr, "", charge));
    tr->commitTrans();
    EXPECT_EQ(planMismatches(planned, changesBetween(before, BooksSnapshot(*cn))), "");
    // Cancelled now: a second plan says so and draws nothing.
    EXPECT_EQ(head.planCancelMonthFee(*cn, "", charge).refusals.at(0).code, "missing");
}

TEST_P(VoidPreview, RowsChangedAfterThePreviewAreNamedAndARefusedVoidShowsWhyInThePreviewAndCannotBeConfirmed) {
    auto w = october();
    ASSERT_TRUE(w->ListView1.userItemClick("k" + bill));
    // The student's balance moves between the preview and the confirmation.
    BooksSnapshot before(*cn);
    voidBill(*w, [&](frmPlanPreview&) {
        cn->execute("update kdw_xs set ysk=ysk+1 where id=" + student);
        before = BooksSnapshot(*cn);
    });
    const auto& messages = ui.messages();
    ASSERT_GE(messages.size(), 2u);
    const std::string refusal = messages[messages.size() - 2].text;
    EXPECT_EQ(refusal.rfind("预览之后，另一位操作员改动了本次要记账的数据", 0), 0u) << refusal;
    EXPECT_NE(refusal.find("学生[id=" + student + "]"), std::string::npos) << refusal;
    EXPECT_EQ(lastText(), "操作失败！");
    EXPECT_EQ(BooksSnapshot(*cn), before);

    // A later operation between the preview and the confirmation: the
    // posting meets the refusal the preview did not show.
    voidBill(*w, [&](frmPlanPreview&) {
        cn->execute("update qfhzb set fkje=5 where yqfkid in(select qfkid from qfhzb where sfjlid=" + charge + ")");
        before = BooksSnapshot(*cn);
    });
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2].text.rfind(feecancel::kLaterOperationText, 0), 0u);
    EXPECT_EQ(BooksSnapshot(*cn), before);

    // A later reduction settled the remainder the charge split off (the
    // other clerk's payment taken back): the preview shows why and cannot
    // be confirmed.
    const std::string remainder =
        text("select min(qfkid) from qfhzb where yqfkid in(select qfkid from qfhzb where sfjlid=" + charge + ")");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,jmje,sfyf,ysfjlid,hkid) values(9002,'JM202610200001'," + student +
                ",10,'202610',0,0)");
    cn->execute("update qfhzb set fkje=0 where yqfkid in(select qfkid from qfhzb where sfjlid=" + charge + ")");
    cn->execute("update qfhzb set jmjlid=9002,fkrq='2026-10-20' where qfkid=" + remainder);
    const BooksSnapshot blocked(*cn);
    voidBill(*w, [](frmPlanPreview& p) {
        EXPECT_FALSE(p.cmdOK.enabled());
        EXPECT_FALSE(p.cmdRefresh.visible()) << "nothing to refresh for";
        EXPECT_NE(p.lblRefusal.caption().find("须先取消：减免记录[JM202610200001]"), std::string::npos)
            << p.lblRefusal.caption();
    }, false);
    EXPECT_EQ(shown.refusals.at(0).code, "later-operation");
    EXPECT_TRUE(shown.changes.empty());
    EXPECT_EQ(BooksSnapshot(*cn), blocked);

    EXPECT_FALSE(w->ListView1.findItem("k" + bill) == nullptr);

    // The receipt went since the register was read: the preview says so and
    // offers the refresh, which reads the register again without it.
    cn->execute("delete from pjml where id=" + bill);
    ui.setModalRunner([&](Form& f) {
        auto& preview = dynamic_cast<frmPlanPreview&>(f);
        EXPECT_EQ(preview.shownPlan().refusals.at(0).code, "receipt-missing");
        EXPECT_TRUE(preview.cmdRefresh.isUsable());
        preview.cmdRefresh.userClick();
    });
    w->cmdZF.userClick();
    EXPECT_EQ(w->ListView1.findItem("k" + bill), nullptr);
}

FO_INSTANTIATE_DIALECTS(VoidPreview);

}  // namespace
}  // namespace fo::test
