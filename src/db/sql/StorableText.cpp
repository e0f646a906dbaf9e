#include "db/sql/StorableText.h"

#include <string>

#include "db/DbError.h"

namespace fo {

bool isStorableText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0) return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF) length = 2, code = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF) length = 3, code = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4) length = 4, code = c & 0x07;
        else return false;
        if (i + length > text.size()) return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

void requireStorableText(std::string_view text, std::string_view statement) {
    if (isStorableText(text)) return;
    throw DbError(DbErrorKind::Other, dberr::BadText, dbtext::BadText,
                  "the text holds a NUL byte or is not valid UTF-8", std::string(statement));
}

}  // namespace fo
