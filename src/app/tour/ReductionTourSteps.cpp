// Tour steps of the single-student reduction windows: the entry window with a
// student found, an earlier arrears period chosen and a reduction typed, the
// student picker it opens on a name that several students share, and the
// records window listing the reductions of the school year.
#include <string>

#include "host/api/ModuleGlobals.h"
#include "qt/Tour.h"
#include "reduction/frmjmjlML.h"
#include "reduction/frmjmjlNew.h"
#include "students/frmXSsel.h"
#include "ui/FormInstance.h"
#include "ui/controls/KeyCodes.h"

namespace fo::app {
namespace {

// A student with an open arrears row of an earlier month, and that row.
struct OpenArrears {
    std::string xh, qfkid;
};

OpenArrears firstOpenArrears() {
    ConnectionPtr cn = gRun().pGetCN();
    const std::string open = gRun().CurrentYf();
    RecordsetPtr rs = cn->execute(
        "select top 1 x.xh,q.qfkid from qfhzb q,kdw_xs x where x.id=q.xsid and q.fkrq is null and q.qfyf<'" + open +
        "' and q.qfyf like '20____' order by q.qfyf,q.qfkid");
    if (!rs || rs->eof()) return {};
    return {rs->field("xh").toText(), rs->field("qfkid").toText()};
}

void showReduction(frmjmjlNew& w) {
    const OpenArrears row = firstOpenArrears();
    if (row.xh.empty()) return;
    w.txtFind.userSetText(row.xh);
    w.userKey(w.txtFind, key::Enter);
    if (!w.LvwQFLIST.userItemClick("k" + row.qfkid)) return;
    if (w.MSFlexGrid1.rows() > 1 && w.MSFlexGrid1.userCellClick(1, frmjmjlNew::ColJm)) w.Txt_write.userType("30");
    w.txtJmyy.userSetText("家庭困难");
}

void showRecords(frmjmjlML& w) {
    const DateTime today = DateTime::today();
    w.DTPfrom.userPick(DateTime{today.month >= 9 ? today.year : today.year - 1, 9, 1});
    w.CMDfind.userClick();
    if (w.lvwML.itemCount() > 0) w.lvwML.userItemClick(w.lvwML.item(1).key());
}

const bool reductionStepsRegistered = [] {
    qt::modalEntryStep<frmjmjlNew>("ShowJMJL", "frmjmjlNew", showReduction);
    qt::modalFormStep<frmXSsel>("frmXSsel", "frmXSsel", [] {
        auto picker = formInstance<frmXSsel>();
        picker->strFind = "黄";  // as 减免管理 hands over what the clerk typed
        picker->strWhere.clear();
        picker->showModal();
    }, [](frmXSsel&) {});
    qt::modalFormStep<frmjmjlML>("frmjmjlML", showRecords);
    return true;
}();

}  // namespace
}  // namespace fo::app
