#include "qt/NoticePdf.h"

#include "qt/QtReportPrinter.h"

namespace fo::qt {

bool writeNoticesPdf(const std::vector<notices::Notice>& notices, const std::string& path) {
    return QtReportPrinter({}, false).writePdf(notices::asDocument(notices, "缴费通知单"), path);
}

}  // namespace fo::qt
