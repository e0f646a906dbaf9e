#pragma once
#include <QString>

class QApplication;

namespace fo::qt {

// The family used for the windows' Chinese texts: "Noto Sans CJK SC" when it
// is installed, otherwise the first family that covers simplified Chinese.
QString cjkFamily();
// Makes that family the application font (keeping the platform's size).
void applyCjkFont(QApplication& app);

}  // namespace fo::qt
