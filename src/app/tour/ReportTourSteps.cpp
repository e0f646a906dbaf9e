// Tour steps of the office's reports: the month that balances and the
// collection summary over the school year so far, from its first month to
// this one; arrears at a glance, its charts and the notices to parents.
#include <QMessageBox>
#include <QProcess>
#include <filesystem>

#include "qt/QtUi.h"
#include "qt/Tour.h"
#include "ui/FormRegistry.h"
#include "ui/UiServices.h"
#include "reports/frmArrearsAnalysis.h"
#include "reports/frmCollectionSummary.h"
#include "reports/frmMonthReport.h"
#include "reports/frmNotices.h"

namespace fo::app {
namespace {

void fillMonth(frmMonthReport& w) {
    if (w.cmbFrom.ListCount() < 1) return;
    w.cmbFrom.userSelect(w.cmbFrom.List(w.cmbFrom.ListCount() - 1));
    w.cmdQuery.userClick();
}

void fillSummary(frmCollectionSummary& w) {
    if (w.cmbFrom.ListCount() < 1) return;
    w.cmbFrom.userSelect(w.cmbFrom.List(w.cmbFrom.ListCount() - 1));
    w.cmdQuery.userClick();
}

// The first page of what window `windowName` of class T prints once `fill`
// has filled it: printed as the offscreen platform prints (a PDF, here in
// the tour's own folder) and drawn from the PDF by pdftoppm (poppler-utils),
// pictured as `picture`.
template <class T>
void picturePrintedPage(qt::TourContext& t, const std::string& windowName, const std::string& picture,
                        const std::function<void(T&)>& fill) {
    auto* binding = dynamic_cast<qt::QtUi*>(&ui());
    if (!binding) return t.fail("the tour needs the Qt binding");
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(t.outDir()) / picture;
    std::error_code ec;
    fs::remove_all(folder, ec);
    const std::string before = binding->printFolder();
    binding->setPrintFolder(folder.string());
    const auto said = [](QWidget& w) {
        auto* box = qobject_cast<QMessageBox*>(&w);
        return box && box->text().startsWith(QStringLiteral("已打印"));
    };
    t.whileModal("", [windowName] { formRegistry().window(windowName)->showModal(); }, [&](QWidget& window) {
        T* w = qt::formOf<T>(window);
        if (!w) return;
        fill(*w);
        t.whileModal("", [w] { w->cmdPrint.userClick(); }, {}, said);
    });
    binding->setPrintFolder(before);
    fs::path pdf;
    for (const auto& file : fs::directory_iterator(folder, ec))
        if (file.path().extension() == ".pdf") pdf = file.path();
    if (pdf.empty()) return t.fail(picture + ": nothing was printed");
    const fs::path page = fs::path(t.outDir()) / picture;
    const int status = QProcess::execute(QStringLiteral("pdftoppm"),
                                         {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                                          QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                          QStringLiteral("1"), QStringLiteral("-singlefile"),
                                          QString::fromStdString(pdf.string()), QString::fromStdString(page.string())});
    if (status != 0) return t.fail(picture + ": pdftoppm (poppler-utils) could not draw " + pdf.string());
    t.pictured(page.string() + ".png", picture, pdf.filename().string());
}

void chooseOwingClass(frmNotices& w) {
    for (int i = 0; i < w.cmbClass.ListCount() && w.chosen().empty(); ++i) w.cmbClass.userSelect(w.cmbClass.List(i));
}

const bool reportStepsRegistered = [] {
    qt::modalFormStep<frmMonthReport>("frmMonthReport", fillMonth);
    qt::modalFormStep<frmCollectionSummary>("frmCollectionSummary", fillSummary);
    // The largest line's students listed below the table.
    qt::modalFormStep<frmArrearsAnalysis>("frmArrearsAnalysis", [](frmArrearsAnalysis& w) {
        const auto& cells = w.shownCells();
        std::size_t largest = 0;
        for (std::size_t i = 0; i < cells.size(); ++i)
            if (cells[i].owed > cells[largest].owed) largest = i;
        if (!cells.empty()) w.lvwArrears.userItemClick("k" + std::to_string(largest + 1));
    });
    // The first class with a student owing, his notice in the preview.
    qt::modalFormStep<frmNotices>("frmNotices", chooseOwingClass);
    qt::registerTourStep("notices-page", [](qt::TourContext& t) {
        picturePrintedPage<frmNotices>(t, "frmNotices", "notices-page", chooseOwingClass);
    });
    qt::registerTourStep("month-report-page", [](qt::TourContext& t) {
        picturePrintedPage<frmMonthReport>(t, "frmMonthReport", "month-report-page", fillMonth);
    });
    // From a student behind the largest line to his arrears in the reduction window.
    qt::registerTourStep("arrears-student-reduction", [](qt::TourContext& t) {
        t.whileModal("", [] { formRegistry().window("frmArrearsAnalysis")->showModal(); }, [&t](QWidget& window) {
            auto* w = qt::formOf<frmArrearsAnalysis>(window);
            if (!w || w->shownCells().empty()) return t.fail("arrears-student-reduction: nobody owes anything");
            w->lvwArrears.userItemClick("k1");
            t.whileModal("arrears-student-reduction", [w] { w->lvwStudents.userItemDblClick("s1"); });
        });
    });
    qt::registerTourStep("ArrearsCharts", [](qt::TourContext& t) {
        const auto* open = formRegistry().entry("ArrearsCharts");
        if (!open) return t.fail("ArrearsCharts: not registered");
        t.whileModal("ArrearsCharts", *open);
    });
    return true;
}();

}  // namespace
}  // namespace fo::app
