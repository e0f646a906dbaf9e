#include "qt/ArrearsCharts.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDialog>
#include <QHBoxLayout>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "host/api/ModuleGlobals.h"
#include "reports/ArrearsAnalysis.h"
#include "reports/frmArrearsAnalysis.h"
#include "qt/QtUi.h"
#include "ui/UiServices.h"

namespace fo::qt {
namespace {

QString chartText(const std::string& s) { return QString::fromStdString(s); }

// The students behind one bar, as a list with their total.
void showStudents(QWidget* parent, Connection& cn, long classId, const std::string& className,
                  const std::string& period) {
    const auto owing = arrearsview::studentsBehind(cn, classId, period);
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ArrearsStudents"));
    dialog.setWindowTitle(chartText(className + " " + period + " 欠费学生"));
    auto* table = new QTableWidget(static_cast<int>(owing.size()) + 1, 3, &dialog);
    table->setHorizontalHeaderLabels({QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("欠费金额")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Currency total;
    int r = 0;
    for (const arrearsview::Owing& o : owing) {
        table->setItem(r, 0, new QTableWidgetItem(chartText(o.studentNo)));
        table->setItem(r, 1, new QTableWidgetItem(chartText(o.studentName)));
        table->setItem(r++, 2, new QTableWidgetItem(chartText(o.owed.format00())));
        total += o.owed;
    }
    table->setItem(r, 0, new QTableWidgetItem(QStringLiteral("合计")));
    table->setItem(r, 2, new QTableWidgetItem(chartText(total.format00())));
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A student's row opens the reduction window on him.
    QObject::connect(table, &QTableWidget::cellDoubleClicked, &dialog, [owing](int row, int) {
        if (row >= 0 && row < static_cast<int>(owing.size())) showStudentArrears(owing[static_cast<std::size_t>(row)].studentId);
    });
    auto* hint = new QLabel(QStringLiteral("双击学生，查看他的欠费并办理减免"), &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(hint);
    dialog.resize(480, 360);
    dialog.exec();
}

// A chart of `series` with the periods along the bottom and the amounts up
// the side, from 0 to `top` (1 when nothing is owed).
QChart* chartOver(QAbstractSeries* series, const QString& title, const QStringList& periods, double top) {
    auto* chart = new QChart;
    chart->addSeries(series);
    chart->setTitle(title);
    auto* x = new QBarCategoryAxis;
    x->append(periods);
    auto* y = new QValueAxis;
    y->setRange(0, top > 0 ? top : 1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    return chart;
}

QChartView* viewOf(QChart* chart, const QString& name) {
    auto* view = new QChartView(chart);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

QChartView* barsByClass(const std::vector<arrearsview::Cell>& cells, const std::function<void(long, const std::string&,
                                                                                                 const std::string&)>& clicked) {
    const auto bars = arrearsview::byClassAndPeriod(cells);
    std::map<std::string, long> classes;  // name -> id
    for (const arrearsview::Cell& c : cells) classes.emplace(c.className, c.classId);
    QStringList periods;
    std::vector<std::string> periodKeys;
    for (const auto& [period, byClass] : bars) {
        periods << chartText(period);
        periodKeys.push_back(period);
    }
    auto* series = new QBarSeries;
    double highest = 0;
    for (const auto& [className, classId] : classes) {
        auto* set = new QBarSet(chartText(className));
        for (const std::string& period : periodKeys) {
            const auto& byClass = bars.at(period);
            const auto found = byClass.find(className);
            const double owed = found == byClass.end() ? 0 : found->second.toDouble();
            *set << owed;
            highest = std::max(highest, owed);
        }
        QObject::connect(set, &QBarSet::clicked, set, [clicked, periodKeys, classId, className](int index) {
            if (index >= 0 && static_cast<std::size_t>(index) < periodKeys.size())
                clicked(classId, className, periodKeys[static_cast<std::size_t>(index)]);
        });
        series->append(set);
    }
    QChart* chart = chartOver(series, QStringLiteral("各班各期欠费（点击柱形查看学生）"), periods, highest * 1.1);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return viewOf(chart, QStringLiteral("chartByClass"));
}

QChartView* trendOf(const std::vector<arrearsview::Cell>& cells) {
    const auto points = arrearsview::trend(cells);
    auto* line = new QLineSeries;
    line->setName(QStringLiteral("全校欠费"));
    line->setPointLabelsVisible(true);
    line->setPointLabelsFormat(QStringLiteral("@yPoint"));
    QStringList periods;
    double highest = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        line->append(static_cast<double>(i), points[i].second.toDouble());
        periods << chartText(points[i].first);
        highest = std::max(highest, points[i].second.toDouble());
    }
    QChart* chart = chartOver(line, QStringLiteral("近十二期欠费趋势"), periods, highest * 1.15);
    chart->legend()->hide();
    return viewOf(chart, QStringLiteral("chartTrend"));
}

// Prints the charts as drawn, scaled to an A4 page across: through the
// system print dialog at a desktop, to a PDF in the print folder offscreen.
void printCharts(QWidget& charts) {
    auto* binding = dynamic_cast<QtUi*>(&ui());
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                                      QPageLayout::Millimeter));
    printer.setDocName(QStringLiteral("欠费分析图表"));
    if (!binding || binding->askUser()) {
        QPrintDialog dialog(&printer, &charts);
        dialog.setObjectName(QStringLiteral("printDialog"));
        dialog.setWindowTitle(QStringLiteral("打印欠费分析图表"));
        if (dialog.exec() != QDialog::Accepted) return;
    } else {
        QDir().mkpath(chartText(binding->printFolder()));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(chartText(freeFilePath(binding->printFolder(), "欠费分析图表", ".pdf")));
    }
    QPainter p;
    if (!p.begin(&printer)) {
        msgBox("没有打印出来：打印机或文件不能写入。", MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    const QRect page = p.viewport();
    const double scale = std::min(double(page.width()) / charts.width(), double(page.height()) / charts.height());
    p.scale(scale, scale);
    charts.render(&p);
    p.end();
    const bool toFile = !printer.outputFileName().isEmpty();
    ui().printed((toFile ? printer.outputFileName() : printer.printerName()).toStdString());
}

}  // namespace

QDialog* makeArrearsCharts(QWidget* parent, ConnectionPtr cn) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("ArrearsCharts"));
    dialog->setWindowTitle(QStringLiteral("欠费分析图表"));
    const auto cells = arrearsview::cells(*cn);
    auto* charts = new QWidget(dialog);
    auto* layout = new QHBoxLayout(charts);
    layout->addWidget(barsByClass(cells, [dialog, cn](long classId, const std::string& className,
                                                      const std::string& period) {
                          showStudents(dialog, *cn, classId, className, period);
                      }),
                      3);
    layout->addWidget(trendOf(cells), 2);
    auto* print = new QPushButton(QStringLiteral("打印"), dialog);
    print->setObjectName(QStringLiteral("cmdPrint"));
    QObject::connect(print, &QPushButton::clicked, dialog, [charts] { printCharts(*charts); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(print);
    auto* column = new QVBoxLayout(dialog);
    column->addWidget(charts, 1);
    column->addLayout(buttons);
    dialog->resize(1280, 640);
    return dialog;
}

void showArrearsCharts() {
    std::unique_ptr<QDialog> dialog(makeArrearsCharts(QApplication::activeWindow(), gRun().pGetCN()));
    dialog->exec();
}

}  // namespace fo::qt
