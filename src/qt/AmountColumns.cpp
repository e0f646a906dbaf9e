#include "qt/AmountColumns.h"

#include <array>

#include "db/values/Currency.h"

namespace fo::qt {
namespace {

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The caption without the spaces and the unit in brackets after it
// ("金额(元)", "减免金额（元） ").
std::string_view captionWord(std::string_view caption) {
    while (!caption.empty() && caption.back() == ' ') caption.remove_suffix(1);
    for (std::string_view close : {std::string_view(")"), std::string_view("）")})
        if (caption.ends_with(close))
            for (std::string_view open : {std::string_view("("), std::string_view("（")})
                if (const auto at = caption.rfind(open); at != std::string_view::npos) {
                    caption = caption.substr(0, at);
                    break;
                }
    while (!caption.empty() && caption.back() == ' ') caption.remove_suffix(1);
    return caption;
}

bool namesMoney(std::string_view caption) {
    const std::string_view word = captionWord(caption);
    for (std::string_view end : std::array<std::string_view, 4>{"额", "款", "费", "价"})
        if (word.ends_with(end)) return true;
    return false;
}

bool countsSomething(std::string_view caption) {
    for (std::string_view part : std::array<std::string_view, 5>{"数", "天", "%", "％", "率"})
        if (contains(caption, part)) return true;
    return false;
}

}  // namespace

bool holdsAmounts(std::string_view caption, int rows, const std::function<std::string(int row)>& cell) {
    const bool money = namesMoney(caption);
    if (!money && countsSomething(caption)) return false;
    bool fraction = false;
    for (int r = 0; r < rows; ++r) {
        const std::string text = cell(r);
        if (text.find_first_not_of(' ') == std::string::npos) continue;
        if (!Currency::parse(text)) return false;
        fraction = fraction || text.find('.') != std::string::npos;
    }
    return money || fraction;
}

std::string shownAmount(const std::string& text) {
    const auto amount = Currency::parse(text);
    return amount ? amount->format00() : text;
}

}  // namespace fo::qt
