#include "qt/PdfBillPrinter.h"

#include <QDateTime>
#include <QDir>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <vector>

#include "qt/CjkFont.h"
#include "qt/ControlBinding.h"
#include "ui/UiServices.h"

namespace fo::qt {
namespace {

// Receipt item columns: field, caption, share of the width.
struct ItemColumn {
    const char* field;
    const char* caption;
    int share;
};
const ItemColumn itemColumns[] = {{"xmmc", "项目", 30}, {"term", "期间", 14}, {"dj", "单价", 12}, {"sl", "数量", 8},
                                  {"cqts", "出勤", 8},  {"je", "金额", 13},   {"bz", "备注", 15}};

QString fieldText(Recordset& rs, const char* name) {
    const int i = rs.fieldIndex(name);
    return i < 0 ? QString() : qs(rs.field(static_cast<std::size_t>(i)).toText());
}

}  // namespace

PdfBillPrinter::PdfBillPrinter(std::string folder, bool askForPrinter)
    : folder_(std::move(folder)), askForPrinter_(askForPrinter) {}

void PdfBillPrinter::render(QPagedPaintDevice& device, const ReceiptHeader& h, Recordset& items) {
    QPainter p(&device);
    const QRect page = p.viewport();
    const int unit = page.width() / 60;  // a line is about 1/60 of the width
    QFont font(cjkFamily());
    font.setPixelSize(unit);
    QFont title = font;
    title.setPixelSize(unit * 2);
    title.setBold(true);

    int y = unit;
    p.setFont(title);
    const QString name = qs(h.billNameForSF.empty() ? std::string("收费收据") : h.billNameForSF);
    p.drawText(QRect(0, y, page.width(), unit * 3), Qt::AlignCenter, name);
    y += unit * 3;
    p.setFont(font);
    if (!h.billNameForSFSub.empty()) {
        p.drawText(QRect(0, y, page.width(), unit * 2), Qt::AlignCenter, qs(h.billNameForSFSub));
        y += unit * 2;
    }
    const int margin = unit * 3, width = page.width() - 2 * margin;
    auto line = [&](const QString& left, const QString& right) {
        p.drawText(QRect(margin, y, width / 2, unit * 2), Qt::AlignLeft | Qt::AlignVCenter, left);
        p.drawText(QRect(margin + width / 2, y, width / 2, unit * 2), Qt::AlignRight | Qt::AlignVCenter, right);
        y += unit * 2;
    };
    line(QStringLiteral("班级：") + qs(h.className), QStringLiteral("票据号：") + qs(h.billNumber));
    line(QStringLiteral("姓名：") + qs(h.studentName), QStringLiteral("学号：") + qs(h.studentNumber));
    y += unit / 2;

    // The item table.
    int x = margin;
    std::vector<QRect> cells;
    for (const ItemColumn& c : itemColumns) {
        const int w = width * c.share / 100;
        cells.emplace_back(x, 0, w, unit * 2);
        x += w;
    }
    auto row = [&](const std::vector<QString>& texts, bool header) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            QRect r = cells[i].translated(0, y);
            p.drawRect(r);
            const bool number = !header && (i >= 2 && i <= 5);
            p.drawText(r.adjusted(unit / 3, 0, -unit / 3, 0), (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                       texts[i]);
        }
        y += unit * 2;
    };
    std::vector<QString> head;
    for (const ItemColumn& c : itemColumns) head.push_back(QString::fromUtf8(c.caption));
    if (!h.itemsCaption.empty()) head[0] = qs(h.itemsCaption).trimmed();
    row(head, true);
    if (items.state() == Recordset::Open) {
        for (items.moveFirst(); !items.eof(); items.moveNext()) {
            std::vector<QString> texts;
            for (const ItemColumn& c : itemColumns) texts.push_back(fieldText(items, c.field));
            row(texts, false);
        }
    }
    y += unit / 2;
    line(QStringLiteral("合计（大写）：") + qs(h.totalInWords), QStringLiteral("合计：") + qs(h.total));
    if (!h.remark.empty()) line(QStringLiteral("备注：") + qs(h.remark), QString());
    line(QStringLiteral("开票人：") + qs(h.issuer), QStringLiteral("收款人：") + qs(h.payee));
    if (!h.kdwContent.empty()) line(qs(h.kdwContent), QString());
    if (!h.colorContent.empty()) line(qs(h.colorContent), QString());
}

bool PdfBillPrinter::printBill(const ReceiptHeader& header, Recordset& items) {
    QDir().mkpath(qs(folder_));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString base = (header.billNumber.empty() ? QStringLiteral("receipt") : qs(header.billNumber)) + '-' + stamp;
    const QString file = QDir(qs(folder_)).filePath(base + QStringLiteral(".pdf"));
    {
        QPdfWriter pdf(file);
        pdf.setPageSize(QPageSize(QPageSize::A5));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setResolution(300);
        pdf.setTitle(base);
        render(pdf, header, items);
    }
    lastFile_ = ss(file);
    if (askForPrinter_) {
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog dialog(&printer);
        if (dialog.exec() == QDialog::Accepted) render(printer, header, items);
    }
    if (hasUiServices()) ui().printed(lastFile_);
    return true;
}

}  // namespace fo::qt
