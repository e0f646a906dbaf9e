#pragma once
class QDialog;
class QWidget;

#include "db/Connection.h"

namespace fo::qt {

// Arrears at a glance drawn: bars of what each class owes per period, and
// the trend of the last twelve periods, both from the figures of the table
// (arrearsview::cells) read on `cn`. A click on a bar lists the students of
// that class owing for that period. The bar heights are drawn from the
// amounts as numbers; every amount the clerk reads is the books' own text.
QDialog* makeArrearsCharts(QWidget* parent, ConnectionPtr cn);

// Shows the charts modally over the active window, on the module's database.
void showArrearsCharts();

}  // namespace fo::qt
