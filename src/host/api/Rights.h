#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <vector>

namespace fo {

class HostSystem;

// The rights the module asks its host for (HostSystem::GetQx), and the
// levels it needs of them. A window refuses to open below View, a posting
// button is greyed out and its handler refuses below Post; the reprint asks
// for Full of its own right. Whoever opens a window (the host's menu, a
// script, another window) meets the same checks, since they sit in the
// window and its buttons, not in a menu.
namespace rights {

inline constexpr const char* Register = "PJCX";        // 票据管理: the receipt register, voids
inline constexpr const char* Reprint = "DD1pJCX_cdsj";  // 重打收据
inline constexpr const char* Reductions = "JMJL";      // 减免管理: single reductions, their cancellation
inline constexpr const char* Batches = "PLJM";         // 批量减免, 应收明细表-减免
inline constexpr const char* MonthEnd = "YMJZ";        // 月末结转
inline constexpr const char* Charging = "SFGL";        // 收费: charges, deposits and refunds of prepayment, the day's cash
// 已缴费用的减免转入预收款: a reduction of what was already paid moves money
// the office holds into the student's prepayment, so it is a right apart
// from reducing what is still owed.
inline constexpr const char* PaidCredits = "JMYSK";

enum Level { None = 0, View = 1, Post = 2, Full = 3 };  // the levels GetQx answers

struct FEEOFFICE_API RightCode {  // one right an operator can be given
    const char* code;  // the right code GetQx is asked
    const char* caption;  // what the operator window calls it
};

// Every right an operator can be given, in the order the operator window lists them.
FEEOFFICE_API const std::vector<RightCode>& catalogue();
// The caption of `code` ("票据管理"), or the code itself when it is none of them.
FEEOFFICE_API std::string captionOf(const std::string& code);

// True when the host's operator has at least `least` of `code`.
FEEOFFICE_API bool has(HostSystem& host, const std::string& code, int least);
// Why the host's operator may not do what needs `least` of `code`, in the
// clerk's words; "" when he may.
FEEOFFICE_API std::string refusal(HostSystem& host, const std::string& code, int least);

}  // namespace rights
}  // namespace fo
