// The reduction window end to end through the executable's drive verb, in
// both dialects: find a student, choose an arrears period, type a reduction,
// confirm, and see it stored.
#include <fstream>

#include "app/ExeRunner.h"
#include "support/Dialects.h"

namespace fo::test {
namespace {

class DriveReductionTest : public ExeTest, public ::testing::WithParamInterface<int> {};

TEST_P(DriveReductionTest, FromFindingAStudentToTheSuccessMessage) {
    const std::string db = path("fee.db");
    ASSERT_EQ(run({"init-demo", db}).exitCode, 0);
    const std::string dialect = std::to_string(GetParam());
    // The first September row of two untouched items (保育费 640, 伙食费 341).
    const ExeRun found = run({"sql", "--db", db,
                              "select x.xh,q.qfkid from qfhzb q,kdw_xs x where x.id=q.xsid and q.fkrq is null and "
                              "q.qfyf=(select min(yf) from ajzrq) and q.qfje=981 order by q.qfkid limit 1"});
    const std::string row = found.out.substr(found.out.find('\n') + 1);
    const std::string xh = row.substr(0, row.find('\t'));
    const std::string qfkid = row.substr(row.find('\t') + 1, row.find('\n') - row.find('\t') - 1);
    ASSERT_FALSE(xh.empty());

    std::ofstream(path("script.txt")) << "open ShowJMJL\n"
                                         "set txtFind " << xh << "\n"
                                         "key txtFind Enter\n"
                                         "expect txtXh " << xh << "\n"
                                         "item LvwQFLIST k" << qfkid << " click\n"
                                         "expect count MSFlexGrid1 3\n"
                                         "cell MSFlexGrid1 1 1\n"
                                         "type Txt_write 30.5\n"
                                         "expect lblSumProject 30.50\n"
                                         "set txtJmyy \"家庭困难\"\n"
                                         "click cmd_ok\n"
                                         "click cmdOk\n"
                                         "expect message 减免金额：30.50\n"
                                         "expect txtJmyy \"\"\n"
                                         "expect sql \"select jmje from qfhzb where qfkid=" << qfkid << "\" 30.5\n"
                                         "close\n";
    const ExeRun r = run({"drive", "--db", db, "--dialect", dialect, "--settings", path("ui"), path("script.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
}

FO_INSTANTIATE_DIALECTS(DriveReductionTest);

}  // namespace
}  // namespace fo::test
