#include "db/Connection.h"
#include "host/api/ModuleGlobals.h"
#include "ui/ComboBox.h"
#include "ui/mdl1.h"

namespace fo {

void setCmb(ComboBox& Cmb1, const std::string& FielDid, const std::string& FieldMc,
            const std::string& TableN, bool blnSapce) {
    ConnectionPtr cn = openConnection(globals().transLinkString);
    RecordsetPtr rs = cn->execute("select * from " + TableN);
    if (blnSapce) {
        Cmb1.AddItem(" ");
        Cmb1.setItemData(Cmb1.NewIndex(), 0);
    }
    for (; rs && !rs->eof(); rs->moveNext()) {
        Cmb1.AddItem(rs->field(FieldMc).toText());
        Cmb1.setItemData(Cmb1.NewIndex(), static_cast<long>(rs->field(FielDid).toInt()));
    }
    if (rs) rs->close();
    cn->close();
}

}  // namespace fo
