#include "host/api/Rights.h"

#include "host/api/HostSystem.h"

namespace fo::rights {

const std::vector<RightCode>& catalogue() {
    static const std::vector<RightCode> codes = {
        {Register, "票据管理"},
        {Reprint, "重打收据"},
        {Reductions, "减免管理"},
        {Batches, "批量减免、应收明细表-减免"},
        {MonthEnd, "月末结转"},
        {Charging, "收费"},
        {PaidCredits, "已缴费用的减免转入预收款"},
    };
    return codes;
}

std::string captionOf(const std::string& code) {
    for (const RightCode& right : catalogue())
        if (code == right.code) return right.caption;
    return code;
}

bool has(HostSystem& host, const std::string& code, int least) { return host.GetQx(code, Value(), true) >= least; }

std::string refusal(HostSystem& host, const std::string& code, int least) {
    if (has(host, code, least)) return {};
    static const char* const levelNames[] = {"", "查看", "操作", "完全"};
    const std::string level = least > View && least <= Full ? std::string("“") + levelNames[least] + "”" : "";
    return "您没有“" + captionOf(code) + "”的" + level + "权限，请与管理员联系。";
}

}  // namespace fo::rights
