#include "host/database/ReferenceDbInfo.h"

namespace fo {

ConnectionPtr ReferenceDbInfo::Connection() {
    auto cn = std::make_shared<fo::Connection>();
    cn->setCursorLocation(CursorLocation::Client);
    cn->open(identity_->linkString);
    return cn;
}

ConnectionPtr ReferenceDbInfo::TransConnection() { return openConnection(identity_->linkString); }

std::string ReferenceDbInfo::NextId(const std::string& table, int count) {
    return std::to_string(counters_->nextId(table, count));
}

std::string ReferenceDbInfo::NextBillNo(const std::string& prefix) { return counters_->nextBillNo(prefix); }

}  // namespace fo
