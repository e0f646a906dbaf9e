#pragma once
#include <string>

#include "ui/print/PrintedDocument.h"

class QPagedPaintDevice;
class QWidget;

namespace fo::qt {

// The desktop's printer of reports and notices: draws a document's sheets
// on A4 pages, a long table running over as many pages as it needs with its
// captions repeated, or several slips to a page. Asked to, it opens the
// system print dialog; otherwise, as on the offscreen platform, it prints to
// a PDF file in the print folder. Where it went is reported to the binding
// (ui().printed). A cancelled dialog prints nothing.
class QtReportPrinter final : public ReportPrinter {
public:
    QtReportPrinter(std::string folder, bool askUser, QWidget* dialogParent = nullptr);
    std::string print(const PrintedDocument& document) override;
    bool writePdf(const PrintedDocument& document, const std::string& path) override;

    // Draws the document onto `device`, in the receipts' family (so a PDF's
    // text can be searched); false when the device cannot be painted on.
    static bool render(QPagedPaintDevice& device, const PrintedDocument& document);

private:
    std::string folder_;
    bool askUser_;
    QWidget* dialogParent_;
};

}  // namespace fo::qt
