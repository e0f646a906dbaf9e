// The entry operations of the bill header object.
//
// The reduction and batch windows live in layers above this one (students,
// bills, reduction, batch), so this layer cannot name their classes. It
// opens them by class name through the form registry instead, which those
// layers (or the application that links them) fill with their windows; the
// same registry serves the script driver. The receipt register is ours and
// is opened directly.
#include <stdexcept>

#include "bills/cLsBILLhead.h"
#include "bills/frmBILLML.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"

namespace fo {
namespace {

void showRegistered(const std::string& windowName) {
    std::shared_ptr<Form> window = formRegistry().window(windowName);
    if (!window) throw std::logic_error("the window " + windowName + " is not registered");
    window->showModal();
}

}  // namespace

void cLsBILLhead::ShowPJinfo() {
    std::shared_ptr<frmBILLML> window = formInstance<frmBILLML>();
    window->pBillNameForSF = pBillNameForSF();
    window->pBillNameForsfSub = pBillNameForsfSub();
    window->cmbPage = cmbPage();
    window->kdwContent = kdwContent();
    window->pPcs = pPcs();
    window->picPath = picPath();
    window->picPath2 = picPath2();
    window->gRun = gRun();
    window->gBillPrint = gBillPrint();
    window->showModal();
}

void cLsBILLhead::ShowJMJL() { showRegistered("frmjmjlNew"); }

void cLsBILLhead::ShowBachJm() { showRegistered("frmJmBachList"); }

}  // namespace fo
