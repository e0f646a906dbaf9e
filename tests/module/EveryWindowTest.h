#pragma once
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/Commands.h"
#include "app/ScriptBinding.h"
#include "app/SignInOptions.h"
#include "bills/cLsBILLhead.h"
#include "db/StatementObserver.h"
#include "host/demo/DemoSchool.h"
#include "host/operators/Operators.h"
#include "host/ReferenceHost.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"
#include "support/DemoDatabase.h"
#include "support/Dialects.h"
#include "support/DriveMode.h"
#include "support/ModuleHost.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/headless/ScriptDriver.h"

namespace fo::test {

// The demo fee office (open month 202612, September to November carried
// over) with every window of the module, worked from driver scripts in this
// process, as `feeoffice drive` works them: the operator signs in with his
// demo password, the reference host hands the bill header object its system
// object, settings and fee period, and the windows and entry operations are
// registered by name. `workEveryWindow` works it through every window a
// clerk posts in: the receipt register (a query, the student filter, a
// reprint, a void), the reduction window with its student lookups and the
// picker, the records window's cancellation, the wizard and the batch list
// in both modes. At the desktop, every list and grid a clerk reads there
// opens with each column whole and in view at 1366×768, a preview's long
// texts at least on hover, the list's amount typed over its cell (headless:
// they only pass).
class EveryWindowTest : public DialectTest {
protected:
    struct Run {
        int status = -1;
        std::string out, err;
    };

    void SetUp() override {
        demo = std::make_unique<DemoDatabase>(dir, demoOptions);
        dbPath = demo->location();
        cn = openConnection(linkStringFor(dbPath));
    }

    // Runs `script` for operator `userId`, with host settings overridden by
    // `settings` for this run.
    Run drive(const std::string& script, int userId = Operators::BuiltInId,
              const std::vector<std::pair<std::string, std::string>>& settings = {}) {
        Run run;
        app::SignInOptions signIn{userId, dir.file("password")};
        for (const DemoOperator& op : demoOperators())
            if (op.id == userId) std::ofstream(signIn.passwordFile) << op.password << '\n';
        std::ostringstream refused;
        const std::optional<int> user = app::signInHeadless(signIn, dbPath, "drive", refused);
        if (!user) {
            run.status = app::SignInRefused;
            run.err = refused.str();
            return run;
        }
        auto host = std::make_shared<ReferenceHost>(dbPath, dialectCode(), *user);
        host->setSettingsStore(std::make_shared<UserSettingsStore>(dir.file("settings")));
        host->installInModuleGlobals();
        auto collection = host->loadSettings();
        for (const auto& [name, value] : settings) collection->set(name, Value(value));
        bill_ = std::make_unique<cLsBILLhead>();
        bill_->set_gRun(host);
        bill_->set_SetgColSysCS(collection);
        bill_->set_objYfAndTerm(host->pFindJzDate());

        app::ScriptBinding binding(drivesDesktop());
        HeadlessUi& ui = binding.ui();
        ui.install();
        ui.setExportFolder(dir.file("out"));
        FormRegistry& registry = formRegistry();
        app::registerModuleWindows(registry, *bill_);

        std::ostringstream out, err;
        ScriptDriver driver(registry, ui, out, err);
        driver.setHands(binding.hands());
        driver.setSqlProbe([this](const std::string& sql) { return text(sql); });
        std::istringstream in(script);
        run.status = driver.run(in);
        FormInstances::releaseAll();
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    // The first field of the first row of a query as text ("" when none).
    // A test's own probes are not the windows' statements: no statement
    // observer sees them.
    std::string text(const std::string& sql) {
        struct Unobserved {
            StatementObserver* kept = statementObserver();
            Unobserved() { setStatementObserver(nullptr); }
            ~Unobserved() { setStatementObserver(kept); }
        } unobserved;
        const Value v = scalar(*cn, sql);
        return v.isNull() ? std::string() : v.toText();
    }

    // Runs a script (for operator `userId`) and expects it to run to its end; what it printed.
    std::string traced(const std::string& what, const std::string& script,
                       const std::vector<std::pair<std::string, std::string>>& settings = {},
                       int userId = Operators::BuiltInId) {
        const Run r = drive(script, userId, settings);
        EXPECT_EQ(r.status, 0) << what << "\n" << r.out << r.err;
        return r.out;
    }

    void workEveryWindow() {
        // A receipt of the open month, a student who owes in September and one
        // who owes in December.
        const std::string receipt = text("select min(p.id) from pjml as p inner join kdw_sfjl as a on a.djbh=p.djbh"
                                         " where p.pjState='' and a.sfyf='202612' and a.ysfjlid=0");
        const std::string september =
            text("select min(qfkid) from qfhzb where fkrq is null and qfyf='202609' and qfje=981");
        const std::string owing =
            text("select xh from kdw_xs where id=(select xsid from qfhzb where qfkid=" + september + ")");
        const std::string december =
            text("select x.xh from kdw_xs as x where x.del=0 and x.intTx=0 and x.id not in"
                 "(select a.xsid from kdw_sfjl as a where a.sfyf='202612') order by x.id limit 1");
        ASSERT_FALSE(receipt.empty() || owing.empty() || december.empty());
        // The receipt as the clerk knows it: its number and its student.
        const std::string receiptName = text("select p.djbh||' '||x.xh||' '||x.xm from pjml as p inner join kdw_xs as x"
                                             " on x.id=p.xsid where p.id=" + receipt);

        // The previews are read by the script's plan verbs before they are confirmed.
        const std::string registerOut = traced("receipt register", "open ShowPJinfo\n"
                                   "set DTPfrom 2026-12-01\n"
                                   "set DTPto 2026-12-31\n"
                                   "set cmbDJstate 全部\n"
                                   "click CMDfind\n"
                                   "click mFindWhere\n"
                                   "item TreeView1 k1 check\n"
                                   "set txtXSxm 黄\n"
                                   "click OptPart\n"
                                   "click cmdSure\n"
                                   "click CMDfind\n"
                                   "item ListView1 k" + receipt + " click\n"
                                   "answer yes\n"
                                   "click cmdPrintRe\n"
                                   "set txtZfyy 重复收费\n"
                                   "click cmdZF\n"
                                   "expect plan refused none\n"
                                   "expect plan update pjml id=" + receipt + " pjState 作废\n"
                                   "expect plan update pjml id=" + receipt + " zfyy 重复收费\n"
                                   "dump plan\n"
                                   "expect cell lvwPlan 1 记录 \"" + receiptName + "\"\n"
                                   "expect whole lvwPlan 说明\n"
                                   "expect whole lvwPlan 变动\n"
                                   "answer yes\n"
                                   "click cmdOK\n"
                                   "expect message 操作成功！\n"
                                   "click CMDfind\n"
                                   "expect whole ListView1\n"
                                   "click Command2\n"
                                   "close\n");
        EXPECT_NE(registerOut.find("open frmPlanPreview\nupdate\tPJML\tid=" + receipt + "\tzfrq=(空)>(记账时);"),
                  std::string::npos) << registerOut;
        traced("reduction window and picker", "open ShowJMJL\n"
                                              "set txtFind 黄\n"
                                              "key txtFind Enter\n"
                                              "expect whole DataGrid1\n"
                                              "cell DataGrid1 1 1\n"
                                              "click CmdSel\n"
                                              "set txtFind " + owing + "\n"
                                              "key txtFind Enter\n"
                                              "expect whole LvwQFLIST\n"
                                              "item LvwQFLIST k" + september + " click\n"
                                              "expect whole MSFlexGrid1\n"
                                              "cell MSFlexGrid1 1 1\n"
                                              "type MSFlexGrid1 30.5\n"
                                              "set txtJmyy 家庭困难\n"
                                              "click cmd_ok\n"
                                              "click cmdOk\n"
                                              "expect message 减免金额：30.50\n"
                                              "close\n",
               {{"chkYsjyj", "1"}, {"chkAutoInputTerm", "1"}, {"chkMrcqts", "1"}, {"chkXMzhekou", "1"}});
        const std::string posted = text("select max(id) from kdw_sfjl where djbh like 'JM%'");
        traced("records window", "open frmjmjlML\n"
                                 "set DTPfrom 2026-09-01\n"
                                 "click CMDfind\n"
                                 "expect whole lvwML\n"
                                 "item lvwML k" + posted + " click\n"
                                 "click cmdCancel\n"
                                 "answer yes\n"
                                 "click cmdOK\n"
                                 "expect sql \"select count(*) from kdw_sfjl where ysfjlid=" + posted + "\" 1\n"
                                 "close\n");
        const std::string wizardOut = traced("wizard", "open frmBachJM\n"
                         "click Command1\n"
                         "click chkCSRQ\n"
                         "set DTPcsrqFrom 2020-01-01\n"
                         "click chkRxrq\n"
                         "set dtpRxrqFrom 2020-01-01\n"
                         "set txtJtzz 路\n"
                         "click cmdSure\n"
                         "click Command1\n"
                         "set txtXh " + december + "\n"
                         "click cmdSure\n"
                         "click cmdFullSelect\n"
                         "expect whole lvwXS\n"
                         "click cmdNext\n"
                         "set CMB_sflx 全日制\n"
                         "set cmbYF 2026年12月\n"
                         "cell MSFlexGrid1 1 1\n"
                         "type Txt_write 10\n"
                         "set txtJMYY 批量\n"
                         "click cmdPreview\n"
                         "expect plan refused none\n"
                         "expect plan lines 1\n"
                         "expect plan rows kdw_sfjl 1\n"
                         "dump plan\n"
                         "click cmdBack\n"
                         "click cmd_ok\n"
                         "click cmdOk\n"
                         "expect message 操作成功！\n"
                         "close\n"
                         "close\n");
        // A batch preview prints its lines, per student and item, before its rows.
        EXPECT_NE(wizardOut.find("open frmPlanPreview\nline\t" + december + " "), std::string::npos) << wizardOut;
        EXPECT_NE(wizardOut.find("\ninsert\tkdw_sfjl\tid=(新"), std::string::npos) << wizardOut;
        traced("batch list, both modes", "open ShowBachJm\n"
                                         "set cmbYf 2026年09月\n"
                                         "set cmbYFto 2026年12月\n"
                                         "set txtBh " + owing + "\n"
                                         "click cmdTJ\n"
                                         "select LSTsfxm 保育费 on\n"
                                         "select LSTsfxm 伙食费 on\n"
                                         "click cmdOK\n"
                                         "cell lvw1 1 本次减免金额\n"
                                         "type lvw1 30\n"
                                         "expect over txtWrite lvw1 1 本次减免金额\n"
                                         "expect cell lvw1 1 本次减免金额 30.00\n"
                                         "click cmdCancelSelect\n"
                                         "set txtJmyy 清单\n"
                                         "answer yes\n"
                                         "click cmdJMok\n"
                                         "expect message 操作成功！\n"
                                         "set txtBh \"\"\n"
                                         "click cmdFind2\n"
                                         "set Cmb_bjmc 小班一班\n"
                                         "click cmdSure\n"
                                         "click CMDexcel\n"
                                         "click cmdTJ\n"
                                         "set chkALL 1\n"
                                         "click cmdOK\n"
                                         "click CMDexcel\n"
                                         "close\n");
    }

    // The demo school SetUp writes; a test's constructor may change it.
    DemoOptions demoOptions{120, 1, "2026-12-06"};
    TempDir dir;
    std::unique_ptr<DemoDatabase> demo;
    std::string dbPath;  // the file, or the server database's link string
    ConnectionPtr cn;

private:
    ScopedGlobals restoreGlobals_;
    std::unique_ptr<cLsBILLhead> bill_;
};

}  // namespace fo::test
