#include "qt/OffscreenScreen.h"

#include <QByteArray>
#include <QDir>
#include <QSaveFile>
#include <QString>
#include <QtGlobal>

namespace fo::qt {

void useOffscreenScreen(int width, int height) {
    // The platform reads its screens from a configuration file named in
    // its options; one per size, replaced whole (never seen half written),
    // so runs side by side share it unharmed.
    const QString path = QDir::temp().filePath(QStringLiteral("feeoffice-offscreen-%1x%2.json").arg(width).arg(height));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QStringLiteral("{\"screens\": [{\"name\": \"office\", \"x\": 0, \"y\": 0, \"width\": %1, "
                                  "\"height\": %2, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n")
                       .arg(width)
                       .arg(height)
                       .toUtf8());
    }
    if (file.isOpen() && file.commit()) {
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).toUtf8());
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

}  // namespace fo::qt
