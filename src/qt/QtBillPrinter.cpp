#include "qt/QtBillPrinter.h"

#include <QDateTime>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <vector>

#include "db/values/Currency.h"
#include "host/api/MessageService.h"
#include "qt/CjkFont.h"
#include "qt/bindings/ControlBinding.h"
#include "qt/ReceiptPaper.h"
#include "ui/UiServices.h"

namespace fo::qt {
namespace {

// Receipt item columns: field, caption, share of the width, an amount. The
// period gets room for two whole dates ("2026-09-01至2026-12-31") at the
// receipt's size; a narrower cell set it too small to read.
struct ItemColumn {
    const char* field;
    const char* caption;
    int share;
    bool amount;
};
const ItemColumn itemColumns[] = {{"xmmc", "项目", 22, false}, {"term", "期间", 25, false}, {"dj", "单价", 11, true},
                                  {"sl", "数量", 7, false},     {"cqts", "出勤", 7, false},  {"je", "金额", 13, true},
                                  {"bz", "备注", 15, false}};

QString fieldText(Recordset& rs, const ItemColumn& c) {
    const int i = rs.fieldIndex(c.field);
    if (i < 0) return QString();
    const std::string text = rs.field(static_cast<std::size_t>(i)).toText();
    // Amounts print as the list shows them, "0.00".
    if (c.amount)
        if (const auto amount = Currency::parse(text)) return qs(amount->format00());
    return qs(text);
}

}  // namespace

QtBillPrinter::QtBillPrinter(std::string folder, bool askUser, QWidget* dialogParent)
    : folder_(std::move(folder)), askUser_(askUser), dialogParent_(dialogParent) {}

bool QtBillPrinter::render(QPagedPaintDevice& device, const ReceiptHeader& h, Recordset& items) {
    QPainter p(&device);
    if (!p.isActive()) return false;
    const QRect page = p.viewport();
    const int unit = page.width() / 60;  // a line is about 1/60 of the width
    QFont font(receiptFamily());
    font.setPixelSize(unit);
    QFont title = font;
    title.setPixelSize(unit * 2);
    title.setBold(true);

    int y = unit;
    p.setFont(font);
    // The school heads the receipt; a reprint says so where the eye starts.
    if (!h.schoolName.empty()) p.drawText(QRect(0, y, page.width(), unit * 2), Qt::AlignCenter, qs(h.schoolName));
    if (!h.reprintMark.empty()) {
        QFont mark = title;
        p.setFont(mark);
        p.drawText(QRect(0, y, page.width() - unit * 3, unit * 2), Qt::AlignRight | Qt::AlignVCenter, qs(h.reprintMark));
    }
    if (!h.schoolName.empty() || !h.reprintMark.empty()) y += unit * 2;
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
    if (!h.issueDate.empty()) line(QStringLiteral("开票日期：") + qs(h.issueDate), QString());
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
            const QRect inner = r.adjusted(unit / 3, 0, -unit / 3, 0);
            // A text wider than its cell is set smaller rather than running
            // into the next one.
            const int wide = p.fontMetrics().horizontalAdvance(texts[i]);
            if (wide > inner.width()) {
                QFont small = font;
                small.setPixelSize(std::max(unit / 2, unit * inner.width() / wide));
                p.setFont(small);
            }
            p.drawText(inner, (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, texts[i]);
            p.setFont(font);
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
            for (const ItemColumn& c : itemColumns) texts.push_back(fieldText(items, c));
            row(texts, false);
        }
    }
    y += unit / 2;
    line(QStringLiteral("合计（大写）：") + qs(h.totalInWords), QStringLiteral("合计：") + qs(h.total));
    if (!h.remark.empty()) line(QStringLiteral("备注：") + qs(h.remark), QString());
    line(QStringLiteral("开票人：") + qs(h.issuer), QStringLiteral("收款人：") + qs(h.payee));
    if (!h.kdwContent.empty()) line(qs(h.kdwContent), QString());
    if (!h.colorContent.empty()) line(qs(h.colorContent), QString());
    return p.end();
}

bool QtBillPrinter::printBill(const ReceiptHeader& header, Recordset& items) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(receiptPageLayout(header.paperName));
    printer.setDocName(qs(header.billNumber.empty() ? std::string("收据") : header.billNumber));
    printer.setCreator(QStringLiteral("feeoffice"));
    if (askUser_) {
        QPrintDialog dialog(&printer, dialogParent_);
        dialog.setObjectName(QStringLiteral("printDialog"));
        dialog.setWindowTitle(QStringLiteral("打印收据"));
        if (dialog.exec() != QDialog::Accepted) return false;
    } else {
        QDir().mkpath(qs(folder_));
        const std::string stamp = ss(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(qs(freeFilePath(folder_, header.billNumber + "-" + stamp, ".pdf")));
    }
    if (!render(printer, header, items)) {
        msgBox("收据没有打印出来：打印机或文件 " + ss(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                                     : printer.outputFileName()) +
                   " 不能写入。",
               MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return false;
    }
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat || !printer.outputFileName().isEmpty();
    lastTarget_ = ss(toFile ? printer.outputFileName() : printer.printerName());
    if (hasUiServices()) ui().printed(lastTarget_);
    return true;
}

}  // namespace fo::qt
