#pragma once
#include <string>
#include <vector>

#include "reports/Notices.h"

namespace fo::qt {

// Writes `notices` to the PDF file `path`, three to an A4 page, each in a
// frame with a cutting line between them, in a family whose characters map
// back to themselves, so the text can be searched. Needs a QGuiApplication.
// Returns false when the file cannot be written.
bool writeNoticesPdf(const std::vector<notices::Notice>& notices, const std::string& path);

}  // namespace fo::qt
