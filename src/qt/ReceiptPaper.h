#pragma once
#include <QPageLayout>
#include <string>

namespace fo::qt {

// The page a receipt is printed on, read from the name of its paper format
// as the office named it in its receipt forms: a size in millimetres
// ("241×140毫米", "241x93mm"), or a standard sheet ("A4", "A5", "B5",
// "Letter") with "横向" for landscape. A name that says neither gives the
// half sheet the receipt is laid out for, A5 landscape. The margins are 5 mm.
QPageLayout receiptPageLayout(const std::string& paperName);

}  // namespace fo::qt
