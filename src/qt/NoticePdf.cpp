#include "qt/NoticePdf.h"

#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "qt/CjkFont.h"

namespace fo::qt {
namespace {

QString noticeText(const std::string& s) { return QString::fromStdString(s); }

constexpr int kPerPage = 3;

// One notice in `box` (device units of the writer).
void drawNotice(QPainter& p, const QRect& box, const notices::Notice& n) {
    const int unit = box.height() / 24;  // a line of text
    const int left = box.left() + unit, width = box.width() - 2 * unit;
    int y = box.top() + unit;
    QFont title(receiptFamily());
    title.setPixelSize(unit * 3 / 2);
    title.setBold(true);
    QFont body(receiptFamily());
    body.setPixelSize(unit * 4 / 5);
    p.setFont(title);
    p.drawText(QRect(left, y, width, unit * 2), Qt::AlignHCenter | Qt::AlignVCenter,
               noticeText(n.school.empty() ? "缴费通知单" : n.school + " 缴费通知单"));
    y += unit * 5 / 2;
    p.setFont(body);
    p.drawText(QRect(left, y, width, unit), Qt::AlignLeft | Qt::AlignVCenter,
               noticeText("学生：" + n.studentName + "　学号：" + n.studentNo + "　班级：" + n.className));
    y += unit * 3 / 2;
    const int period = left, item = left + width / 3, amount = left + width * 2 / 3;
    p.drawText(QRect(period, y, width / 3, unit), Qt::AlignLeft, QStringLiteral("欠费期间"));
    p.drawText(QRect(item, y, width / 3, unit), Qt::AlignLeft, QStringLiteral("收费项目"));
    p.drawText(QRect(amount, y, width / 3, unit), Qt::AlignRight, QStringLiteral("欠费金额"));
    y += unit;
    p.drawLine(left, y, left + width, y);
    y += unit / 4;
    // What a notice has room for; the rest is summed on one line.
    const std::size_t room = 10;
    for (std::size_t i = 0; i < n.lines.size() && i < room; ++i) {
        const notices::Owed& o = n.lines[i];
        p.drawText(QRect(period, y, width / 3, unit), Qt::AlignLeft, noticeText(o.period));
        p.drawText(QRect(item, y, width / 3, unit), Qt::AlignLeft, noticeText(o.itemName));
        p.drawText(QRect(amount, y, width / 3, unit), Qt::AlignRight, noticeText(o.owed.format00()));
        y += unit;
    }
    if (n.lines.size() > room) {
        Currency rest;
        for (std::size_t i = room; i < n.lines.size(); ++i) rest += n.lines[i].owed;
        p.drawText(QRect(period, y, width * 2 / 3, unit), Qt::AlignLeft,
                   noticeText("其余 " + std::to_string(n.lines.size() - room) + " 项"));
        p.drawText(QRect(amount, y, width / 3, unit), Qt::AlignRight, noticeText(rest.format00()));
        y += unit;
    }
    p.drawLine(left, y, left + width, y);
    y += unit / 4;
    p.drawText(QRect(left, y, width, unit), Qt::AlignRight, noticeText("合计欠费：" + n.total.format00() + " 元"));
    y += unit * 3 / 2;
    p.drawText(QRect(left, y, width, unit), Qt::AlignLeft, noticeText("请于 " + n.deadline + " 前到园缴费。"));
    y += unit;
    if (!n.officeLine.empty()) p.drawText(QRect(left, y, width, unit * 2), Qt::AlignLeft | Qt::TextWordWrap, noticeText(n.officeLine));
    p.drawRect(box);
}

}  // namespace

bool writeNoticesPdf(const std::vector<notices::Notice>& notices, const std::string& path) {
    QPdfWriter writer(noticeText(path));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("缴费通知单"));
    QPainter p;
    if (!p.begin(&writer)) return false;
    const QRect page = p.viewport();
    const int gap = page.height() / 40, height = (page.height() - gap * (kPerPage - 1)) / kPerPage;
    for (std::size_t i = 0; i < notices.size(); ++i) {
        const int slot = static_cast<int>(i % kPerPage);
        if (i > 0 && slot == 0) writer.newPage();
        const QRect box(page.left(), page.top() + slot * (height + gap), page.width(), height);
        drawNotice(p, box, notices[i]);
        if (slot < kPerPage - 1 && i + 1 < notices.size()) {
            p.save();
            p.setPen(Qt::DashLine);
            const int cut = box.bottom() + gap / 2;
            p.drawLine(page.left(), cut, page.right(), cut);
            p.restore();
        }
    }
    return p.end();
}

}  // namespace fo::qt
