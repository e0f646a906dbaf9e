#include "qt/CjkFont.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace fo::qt {

QString cjkFamily() {
    const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const char* preferred : {"Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Micro Hei"})
        if (families.contains(QString::fromUtf8(preferred))) return QString::fromUtf8(preferred);
    return families.isEmpty() ? QString() : families.first();
}

QString receiptFamily() {
    const QString wenQuanYi = QStringLiteral("WenQuanYi Micro Hei");
    return QFontDatabase::families(QFontDatabase::SimplifiedChinese).contains(wenQuanYi) ? wenQuanYi : cjkFamily();
}

void applyCjkFont(QApplication& app) {
    const QString family = cjkFamily();
    if (family.isEmpty()) return;
    QFont font = QApplication::font();
    font.setFamily(family);
    if (font.pointSizeF() < 9) font.setPointSizeF(9);
    app.setFont(font);
}

}  // namespace fo::qt
