#include "db/Connection.h"
#include "host/api/ModuleGlobals.h"
#include "ui/controls/ComboBox.h"
#include "ui/lists/mdl1.h"

namespace fo {

void setCmb(ComboBox& Cmb1, const std::string& FielDid, const std::string& FieldMc,
            const std::string& TableN, bool blnSapce) {
    ConnectionPtr cn = openConnection(globals().transLinkString);
    RecordsetPtr rs = cn->execute("select * from " + TableN);
    if (blnSapce) {
        Cmb1.AddItem(" ");
        Cmb1.setItemData(Cmb1.NewIndex(), 0);
    }
    addComboRows(Cmb1, rs, FieldMc, FielDid);
    if (rs) rs->close();
    cn->close();
}

void addComboRows(ComboBox& cmb, const RecordsetPtr& rs, const std::string& textField, const std::string& dataField) {
    for (; rs && !rs->eof(); rs->moveNext()) {
        cmb.AddItem(rs->field(textField).toText());
        cmb.setItemData(cmb.NewIndex(), static_cast<long>(rs->field(dataField).toInt()));
    }
}

}  // namespace fo
