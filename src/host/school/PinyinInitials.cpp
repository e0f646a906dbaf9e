#include "host/school/PinyinInitials.h"

#include <iconv.h>

#include <cctype>

#include "host/school/PinyinInitialsTable.h"

namespace fo {
namespace {

// The GB2312 code of one hanzi given in UTF-8, 0 when it has none.
unsigned gbCodeOf(const std::string& hanzi) {
    iconv_t cd = iconv_open("GB2312", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    char in[8] = {}, out[8] = {};
    hanzi.copy(in, sizeof in - 1);
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = hanzi.size(), outLeft = sizeof out;
    const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || sizeof out - outLeft != 2) return 0;
    return static_cast<unsigned char>(out[0]) << 8 | static_cast<unsigned char>(out[1]);
}

char initialOf(const std::string& hanzi) {
    for (const auto& [listed, initial] : pinyin::listedHanzi())
        if (listed == hanzi) return initial;
    const unsigned code = gbCodeOf(hanzi);
    if (code < pinyin::firstLevelRuns().front().code || code > pinyin::kFirstLevelEnd) return 0;
    char initial = 0;
    for (const pinyin::FirstLevelRun& run : pinyin::firstLevelRuns())
        if (code >= run.code) initial = run.initial;
    return initial;
}

}  // namespace

std::string pinyinInitials(const std::string& utf8Name) {
    std::string code;
    for (std::size_t i = 0; i < utf8Name.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8Name[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (length == 1) {
            if (std::isalnum(lead)) code += static_cast<char>(std::toupper(lead));
        } else if (const char initial = initialOf(utf8Name.substr(i, length))) {
            code += initial;
        }
        i += length;
    }
    return code;
}

}  // namespace fo
