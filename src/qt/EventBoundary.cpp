#include "qt/EventBoundary.h"

#include <iostream>
#include <string>

#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "ui/UiServices.h"

namespace fo::qt {
namespace {

bool hasChinese(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return true;
    return false;
}

bool keeping = false;
std::exception_ptr kept;

// Whether `e` is the driver's own, kept for it while it drives.
bool driverOwn(const std::exception_ptr& e) {
    try {
        std::rethrow_exception(e);
    } catch (const std::exception&) {
        return false;
    } catch (...) {
        return true;
    }
}

}  // namespace

void keepDriverExceptions(bool keep) {
    keeping = keep;
    if (!keep) kept = nullptr;
}

std::exception_ptr takeDriverException() {
    std::exception_ptr e = kept;
    kept = nullptr;
    return e;
}

std::string boundaryMessage(const std::exception_ptr& e) {
    try {
        std::rethrow_exception(e);
    } catch (const DbError& error) {
        std::cerr << "feeoffice: " << error.engineText() << '\n';
        return "操作没有完成。\r\n" + error.description();
    } catch (const std::exception& error) {
        std::cerr << "feeoffice: " << error.what() << '\n';
        // The program's own refusals are written for the clerk; anything
        // else is an internal fault the clerk cannot read.
        if (hasChinese(error.what())) return std::string("操作没有完成。\r\n") + error.what();
    } catch (...) {
        std::cerr << "feeoffice: unknown exception at the event boundary\n";
    }
    return "操作没有完成：程序内部出错，本次操作没有保存。请把发生的情况告诉管理员。";
}

void atEventBoundary(const std::function<void()>& handler) noexcept {
    try {
        handler();
        return;
    } catch (...) {
        if (keeping && driverOwn(std::current_exception())) {
            if (!kept) kept = std::current_exception();
            return;
        }
        try {
            const std::string text = boundaryMessage(std::current_exception());
            // The wait cursor off however many waits were open (as gMclose
            // does; the binding uses the module's public interface only).
            if (hasUiServices())
                while (ui().waitCursorShown()) ui().waitCursorOff();
            msgBox(text, MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        } catch (...) {
            // Nothing left to tell the clerk with; the window stays as it is.
        }
    }
}

bool usedAtEventBoundary(const std::function<bool()>& filter) noexcept {
    bool used = true;
    atEventBoundary([&] { used = filter(); });
    return used;
}

}  // namespace fo::qt
