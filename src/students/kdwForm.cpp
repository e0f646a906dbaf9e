#include "students/kdwForm.h"

#include "db/Connection.h"
#include "db/Recordset.h"
#include "host/api/ModuleGlobals.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TreeView.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/UiServices.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

constexpr int kRootImage = 1, kSelectedImage = 5;
constexpr int kLevelImage[] = {2, 3, 4};
constexpr int kUnsavedWidth = 1500;

}  // namespace

void kdwForm::Init_tree(TreeView& tree, ImageList& images, bool expandLevels) {
    HostSystem& host = gRun();
    ConnectionPtr c = host.pGetCN();
    tree.setImageList(&images);
    tree.clearNodes();
    tree.addNode("", "k0", "学生类别", kRootImage, kSelectedImage).setExpanded(true);

    const bool unrestricted = host.gUserid() == kUnrestrictedUserId;
    const std::string allowed = unrestricted ? std::string() : host.userXSLBLIST();
    // A clerk given no category sees the bare root; "in()" is no statement
    // on a server.
    if (!unrestricted && trimSpaces(allowed).empty()) {
        c->close();
        return;
    }
    const std::string firstLevel =
        unrestricted ? "select parentid,id,mc from KDW_xslx where parentid=0"
                     : "select parentid,id,mc from KDW_xslx where parentid=0 and id in(" + allowed + ")";
    RecordsetPtr level1 = c->execute(firstLevel);
    for (; !level1->eof(); level1->moveNext()) {
        const std::string id1 = level1->field("id").toText();
        tree.addNode("k0", "k" + id1, trimSpaces(level1->field("mc").toText()), kLevelImage[0], kSelectedImage)
            .setExpanded(expandLevels);
        RecordsetPtr level2 = c->execute("select parentid,id,mc from KDW_xslx where parentid=" + id1);
        for (; !level2->eof(); level2->moveNext()) {
            const std::string id2 = level2->field("id").toText();
            tree.addNode("k" + id1, "k" + id2, trimSpaces(level2->field("mc").toText()), kLevelImage[1], kSelectedImage)
                .setExpanded(expandLevels);
            RecordsetPtr level3 = c->execute("select  parentid,id,mc  from KDW_xslx where parentid=" + id2);
            for (; !level3->eof(); level3->moveNext())
                tree.addNode("k" + id2, "k" + level3->field("id").toText(), trimSpaces(level3->field("mc").toText()),
                             kLevelImage[2], kSelectedImage);
        }
    }
    c->close();
}

void kdwForm::getGridWidth(const std::string& frmName, ListView& lvw1) {
    SettingsStore& store = ui().settingsStore();
    const std::string section = frmName + lvw1.name();
    for (int i = 1; i <= lvw1.columnCountOf(); ++i) {
        const int w = wholeNumber(store.getSetting("tavro", section, "k" + std::to_string(i), ""));
        lvw1.setColumnWidth(i - 1, i != 1 && w < 1 ? kUnsavedWidth : w);
    }
}

void kdwForm::setGridWidth(const std::string& frmName, ListView& lvw1) {
    SettingsStore& store = ui().settingsStore();
    const std::string section = frmName + lvw1.name();
    for (int i = 1; i <= lvw1.columnCountOf(); ++i) {
        const int w = lvw1.column(i).width;
        store.saveSetting("tavro", section, "k" + std::to_string(i), std::to_string(w < 0 ? 0 : w));
    }
}

}  // namespace fo
