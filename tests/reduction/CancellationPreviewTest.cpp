// The preview of a reduction's cancellation in the records window, in both
// dialects: confirmed, the books change row for row as it showed (the QXJM
// mirror, the arrears restored, the remainder removed); a record another
// clerk changed after the preview is named and nothing is written.
#include "reduction/ReductionFixture.h"
#include "reduction/frmjmjlML.h"
#include "support/BooksDiff.h"
#include "ui/frmPlanPreview.h"

#include <set>

namespace fo::test {
namespace {

class CancellationPreviewTest : public ReductionTest {
protected:
    // The records window with `id` chosen; its preview is kept in `shown`,
    // then `whilePreviewed` runs and the preview is confirmed.
    std::shared_ptr<frmjmjlML> records(const std::string& id) {
        auto list = formInstance<frmjmjlML>();
        list->load();
        EXPECT_TRUE(list->lvwML.userItemClick("k" + id));
        onModal = [this](Form& f) {
            auto& preview = dynamic_cast<frmPlanPreview&>(f);
            previewed = preview.shownPlan();
            if (whilePreviewed) whilePreviewed();
            preview.cmdOK.userClick();
        };
        return list;
    }

    plan::Plan previewed;
    std::function<void()> whilePreviewed;
};

TEST_P(CancellationPreviewTest, TheBooksChangeRowForRowAsThePreviewShowed) {
    const Owing b = owing().at(0);
    const std::string reduction = post(b.xh, b.qfkid, {{"1", "40"}, {"2", "1"}});
    const std::string remainder = one("select qfkid from qfhzb where yqfkid=" + b.qfkid);
    ASSERT_NE(remainder, "<no row>");

    auto list = records(reduction);
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

TEST_P(CancellationPreviewTest, ARecordChangedAfterThePreviewIsNamedAndNothingIsWritten) {
    const Owing b = owing().at(0);
    const std::string reduction = post(b.xh, b.qfkid, {{"1", "40"}});
    auto list = records(reduction);
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
    EXPECT_NE(list->lvwML.findItem("k" + reduction), nullptr);
}

FO_INSTANTIATE_DIALECTS(CancellationPreviewTest);

}  // namespace
}  // namespace fo::test
