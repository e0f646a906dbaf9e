#pragma once
#include <QString>

class QApplication;

namespace fo::qt {

// The family used for the windows' Chinese texts: "Noto Sans CJK SC" when it
// is installed, otherwise the first family that covers simplified Chinese.
QString cjkFamily();
// The family receipts are printed in: "WenQuanYi Micro Hei" when it is
// installed. Its characters map back to themselves in a PDF, so a printed
// receipt's text can be searched and copied; Noto CJK shares glyphs between
// characters and their radicals (大 and ⼤), and a PDF reader then gives the
// radical. Without it, the windows' family.
QString receiptFamily();
// Makes the windows' family the application font (keeping the platform's size).
void applyCjkFont(QApplication& app);

}  // namespace fo::qt
