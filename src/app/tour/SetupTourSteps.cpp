// Tour steps of the school's set-up: the school window on its charge types
// with the first type's amounts, the students window with the first
// student shown, and the import dialog on a roster it has read.
#include <fstream>

#include "host/api/ModuleGlobals.h"
#include "qt/Tour.h"
#include "setup/frmSchool.h"
#include "setup/frmStudentImport.h"
#include "setup/frmStudents.h"

namespace fo::app {
namespace {

void fillSchoolWindow(frmSchool& w) {
    if (w.lvwTypes.itemCount() > 0) w.lvwTypes.userItemClick(w.lvwTypes.item(1).key());
    if (w.lvwLines.itemCount() > 0) w.lvwLines.userItemClick(w.lvwLines.item(1).key());
    if (w.lvwClasses.itemCount() > 0) w.lvwClasses.userItemClick(w.lvwClasses.item(1).key());
    if (w.lvwItems.itemCount() > 1) w.lvwItems.userItemClick(w.lvwItems.item(2).key());
}

void fillStudentsWindow(frmStudents& w) {
    if (w.lvwStudents.itemCount() > 0) w.lvwStudents.userItemClick(w.lvwStudents.item(1).key());
}

std::string firstName(const std::string& sql) {
    ConnectionPtr cn = gRun().pGetCN();
    RecordsetPtr rs = cn->execute(sql);
    return rs && !rs->eof() ? rs->field(std::size_t{0}).toText() : std::string();
}

// A roster of three new students, one whose number is taken and one of a
// class the school does not have, read in the dialog.
void showImport(qt::TourContext& t) {
    const std::string file = t.outDir() + "/新生名单.csv";
    const std::string cls = firstName("select mc from kdw_bj where del=0 order by id");
    const std::string type = firstName("select mc from kdw_sflx where del=0 order by id");
    const std::string taken = firstName("select xh from kdw_xs order by id");
    std::ofstream(file) << "学号,姓名,班级,收费类型,入园日期\n"
                        << "20279001,林一诺," << cls << "," << type << ",2027-02-20\n"
                        << "20279002,郭子墨," << cls << "," << type << ",2027-02-20\n"
                        << "20279003,何欣然," << cls << "," << type << ",2027-02-20\n"
                        << taken << ",宋雨泽," << cls << "," << type << ",2027-02-20\n"
                        << "20279005,唐可馨,火星班," << type << ",2027-02-20\n";
    t.whileModal("frmStudentImport", [] { formInstance<frmStudentImport>()->showModal(); }, [&](QWidget& window) {
        if (auto* w = qt::formOf<frmStudentImport>(window)) {
            w->txtFile.userSetText(file);
            w->cmdRead.userClick();
        }
    });
}

const bool setupStepsRegistered = [] {
    qt::modalFormStep<frmSchool>("frmSchool", fillSchoolWindow);
    qt::modalFormStep<frmStudents>("frmStudents", fillStudentsWindow);
    qt::registerTourStep("frmStudentImport", showImport);
    return true;
}();

}  // namespace
}  // namespace fo::app
