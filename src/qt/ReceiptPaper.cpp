#include "qt/ReceiptPaper.h"

#include <QMarginsF>
#include <QPageSize>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>

namespace fo::qt {
namespace {

const QMarginsF Margins(5, 5, 5, 5);  // millimetres

QPageLayout layoutOf(const QPageSize& size, QPageLayout::Orientation orientation) {
    return QPageLayout(size, orientation, Margins, QPageLayout::Millimeter);
}

}  // namespace

QPageLayout receiptPageLayout(const std::string& paperName) {
    const QString name = QString::fromStdString(paperName);
    // "241×140", "241 x 140", "241*140", optionally followed by 毫米 or mm.
    static const QRegularExpression dimensions(
        QStringLiteral("(\\d+(?:\\.\\d+)?)\\s*[×xX*＊]\\s*(\\d+(?:\\.\\d+)?)"));
    if (const QRegularExpressionMatch m = dimensions.match(name); m.hasMatch()) {
        const double w = m.captured(1).toDouble(), h = m.captured(2).toDouble();
        if (w >= 20 && h >= 20 && w <= 2000 && h <= 2000) {
            // A printer takes the sheet upright; a wide one is turned.
            const QPageSize size(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter, name.trimmed(),
                                 QPageSize::ExactMatch);
            return layoutOf(size, w > h ? QPageLayout::Landscape : QPageLayout::Portrait);
        }
    }
    const QPageLayout::Orientation turned =
        name.contains(QStringLiteral("横")) ? QPageLayout::Landscape : QPageLayout::Portrait;
    const std::pair<const char*, QPageSize::PageSizeId> sheets[] = {
        {"A3", QPageSize::A3}, {"A4", QPageSize::A4}, {"A5", QPageSize::A5},
        {"A6", QPageSize::A6}, {"B5", QPageSize::B5}, {"LETTER", QPageSize::Letter}};
    const QString upper = name.toUpper();
    for (const auto& [word, id] : sheets) {
        static const QString boundary = QStringLiteral("(^|[^A-Z0-9])%1($|[^0-9])");
        if (upper.contains(QRegularExpression(boundary.arg(QLatin1String(word))))) return layoutOf(QPageSize(id), turned);
    }
    return layoutOf(QPageSize(QPageSize::A5), QPageLayout::Landscape);
}

}  // namespace fo::qt
