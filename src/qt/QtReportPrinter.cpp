#include "qt/QtReportPrinter.h"

#include <QDateTime>
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <vector>

#include "qt/CjkFont.h"
#include "qt/bindings/ControlBinding.h"
#include "ui/UiServices.h"

namespace fo::qt {
namespace {

// Draws sheets top to bottom inside `area`, starting a page when the next
// line would not fit (only a long sheet does; a slip is kept to its box).
class SheetPainter {
public:
    SheetPainter(QPainter& p, QPagedPaintDevice* device, QRect area, int unit)
        : p_(p), device_(device), area_(area), unit_(unit), y_(area.top()) {}

    void draw(const PrintedSheet& sheet) {
        QFont title(receiptFamily());
        title.setPixelSize(unit_ * 3 / 2);
        title.setBold(true);
        if (!sheet.heading.empty()) {
            p_.setFont(title);
            p_.drawText(QRect(area_.left(), y_, area_.width(), unit_ * 2), Qt::AlignCenter, qs(sheet.heading));
            y_ += unit_ * 5 / 2;
        }
        p_.setFont(body());
        for (const std::string& line : sheet.lead) textLine(line);
        if (!sheet.columns.empty()) table(sheet);
        for (const std::string& line : sheet.notes) textLine(line);
    }

private:
    QFont body(bool bold = false) const {
        QFont f(receiptFamily());
        f.setPixelSize(unit_ * 4 / 5);
        f.setBold(bold);
        return f;
    }

    // Room for one more line of `height`; a new page when there is none and
    // the painter may turn one.
    void room(int height) {
        if (y_ + height <= area_.bottom() || !device_) return;
        device_->newPage();
        y_ = area_.top();
    }

    void textLine(const std::string& line) {
        const QRect need = p_.fontMetrics().boundingRect(QRect(area_.left(), 0, area_.width(), unit_ * 10),
                                                         Qt::TextWordWrap, qs(line));
        const int height = std::max(unit_, need.height());
        room(height);
        p_.drawText(QRect(area_.left(), y_, area_.width(), height), Qt::AlignLeft | Qt::TextWordWrap, qs(line));
        y_ += height + unit_ / 4;
    }

    // Each column as wide as its widest text, all of them scaled to the area.
    std::vector<int> widths(const PrintedSheet& sheet) const {
        const QFontMetrics bold(body(true), p_.device());
        std::vector<int> natural(sheet.columns.size(), 1);
        for (std::size_t c = 0; c < sheet.columns.size(); ++c) {
            natural[c] = bold.horizontalAdvance(qs(sheet.columns[c]));
            for (const auto& row : sheet.rows)
                if (c < row.size()) natural[c] = std::max(natural[c], bold.horizontalAdvance(qs(row[c])));
            natural[c] += unit_ / 2;
        }
        long sum = 0;
        for (int w : natural) sum += w;
        std::vector<int> out;
        for (int w : natural) out.push_back(static_cast<int>(static_cast<long>(w) * area_.width() / std::max(1L, sum)));
        return out;
    }

    void row(const std::vector<std::string>& texts, const std::vector<int>& widths, const PrintedSheet& sheet,
             bool bold) {
        p_.setFont(body(bold));
        int x = area_.left();
        for (std::size_t c = 0; c < widths.size(); ++c) {
            const bool right = c < sheet.rightAligned.size() && sheet.rightAligned[c];
            const QRect cell(x + unit_ / 4, y_, widths[c] - unit_ / 2, unit_);
            if (c < texts.size()) {
                // A text wider than its cell is set smaller rather than
                // running into the next one.
                const int wide = p_.fontMetrics().horizontalAdvance(qs(texts[c]));
                if (wide > cell.width() && wide > 0) {
                    QFont small = body(bold);
                    small.setPixelSize(std::max(unit_ / 3, unit_ * 4 / 5 * cell.width() / wide));
                    p_.setFont(small);
                }
                p_.drawText(cell, (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, qs(texts[c]));
                p_.setFont(body(bold));
            }
            x += widths[c];
        }
        y_ += unit_ * 6 / 5;
    }

    void captions(const PrintedSheet& sheet, const std::vector<int>& w) {
        row(sheet.columns, w, sheet, true);
        p_.drawLine(area_.left(), y_ - unit_ / 10, area_.right(), y_ - unit_ / 10);
    }

    void table(const PrintedSheet& sheet) {
        const std::vector<int> w = widths(sheet);
        room(unit_ * 3);
        captions(sheet, w);
        for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
            if (device_ && y_ + unit_ * 6 / 5 > area_.bottom()) {
                device_->newPage();
                y_ = area_.top();
                captions(sheet, w);
            }
            row(sheet.rows[r], w, sheet, r < sheet.emphasised.size() && sheet.emphasised[r]);
        }
        p_.drawLine(area_.left(), y_, area_.right(), y_);
        y_ += unit_ / 3;
        p_.setFont(body());
    }

    QPainter& p_;
    QPagedPaintDevice* device_;
    QRect area_;
    int unit_, y_;
};

void drawSlips(QPainter& p, QPagedPaintDevice& device, const PrintedDocument& doc) {
    const QRect page = p.viewport();
    const int per = doc.slipsPerPage;
    const int gap = page.height() / 40, height = (page.height() - gap * (per - 1)) / per;
    for (std::size_t i = 0; i < doc.sheets.size(); ++i) {
        const int slot = static_cast<int>(i % static_cast<std::size_t>(per));
        if (i > 0 && slot == 0) device.newPage();
        const QRect box(page.left(), page.top() + slot * (height + gap), page.width(), height);
        const int unit = box.height() / 24;
        SheetPainter(p, nullptr, box.adjusted(unit, unit, -unit, -unit), unit).draw(doc.sheets[i]);
        p.drawRect(box);
        if (slot < per - 1 && i + 1 < doc.sheets.size()) {
            p.save();
            p.setPen(Qt::DashLine);
            const int cut = box.bottom() + gap / 2;
            p.drawLine(page.left(), cut, page.right(), cut);
            p.restore();
        }
    }
}

QPageLayout a4(bool landscape) {
    return QPageLayout(QPageSize(QPageSize::A4), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
}

}  // namespace

QtReportPrinter::QtReportPrinter(std::string folder, bool askUser, QWidget* dialogParent)
    : folder_(std::move(folder)), askUser_(askUser), dialogParent_(dialogParent) {}

bool QtReportPrinter::render(QPagedPaintDevice& device, const PrintedDocument& doc) {
    QPainter p(&device);
    if (!p.isActive()) return false;
    if (doc.slipsPerPage > 0) {
        drawSlips(p, device, doc);
    } else {
        // Body text of about 10 points, whatever the device's resolution.
        const int unit = std::max(8, device.logicalDpiY() * 10 / 72);
        for (std::size_t i = 0; i < doc.sheets.size(); ++i) {
            if (i > 0) device.newPage();
            SheetPainter(p, &device, p.viewport(), unit).draw(doc.sheets[i]);
        }
    }
    return p.end();
}

std::string QtReportPrinter::print(const PrintedDocument& doc) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(a4(doc.landscape));
    printer.setDocName(qs(doc.title));
    printer.setCreator(QStringLiteral("feeoffice"));
    if (askUser_) {
        QPrintDialog dialog(&printer, dialogParent_);
        dialog.setObjectName(QStringLiteral("printDialog"));
        dialog.setWindowTitle(qs("打印" + doc.title));
        if (dialog.exec() != QDialog::Accepted) return {};
    } else {
        QDir().mkpath(qs(folder_));
        const std::string stamp = ss(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(qs(freeFilePath(folder_, doc.title + "-" + stamp, ".pdf")));
    }
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat || !printer.outputFileName().isEmpty();
    const std::string target = ss(toFile ? printer.outputFileName() : printer.printerName());
    if (!render(printer, doc)) {
        msgBox("没有打印出来：打印机或文件 " + target + " 不能写入。", MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return {};
    }
    if (hasUiServices()) ui().printed(target);
    return target;
}

bool QtReportPrinter::writePdf(const PrintedDocument& doc, const std::string& path) {
    QPdfWriter writer(qs(path));
    writer.setPageLayout(a4(doc.landscape));
    writer.setResolution(300);
    writer.setTitle(qs(doc.title));
    writer.setCreator(QStringLiteral("feeoffice"));
    return render(writer, doc);
}

}  // namespace fo::qt
