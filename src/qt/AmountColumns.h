#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace fo::qt {

// Whether a column of a list or grid holds amounts, so that it shows them as
// the office writes money, "0.00" and right-aligned, whatever text the
// window put in its cells (a currency value's own text drops the trailing
// zeros: "50", "12.5"). The cells keep their texts: the window reads them
// back, only the drawing changes.
//
// A column holds amounts when every filled one of its first `rows` cells is
// a number and either its caption names money (it ends in 额, 款, 费 or 价:
// 金额, 预收款, 伙食费, 单价) or a cell carries a fraction under a caption
// that counts nothing (not 天数, 人数, a percentage). Digits alone under any
// other caption (学号, 序号, a month "202612") are names, not amounts.
bool holdsAmounts(std::string_view caption, int rows, const std::function<std::string(int row)>& cell);

// What an amount cell shows: "0.00" when it holds a number, else its text
// ("合计", an empty cell).
std::string shownAmount(const std::string& text);

}  // namespace fo::qt
