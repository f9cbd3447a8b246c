#include "ui/HelpPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace chordmap {

Url helpPageURL() {
#ifdef Q_OS_MACOS
    const QString relative = QStringLiteral("/../Resources/help/index.html");
#else
    const QString relative = QStringLiteral("/../share/chordmap/help/index.html");
#endif
    const QString path = QDir::cleanPath(QCoreApplication::applicationDirPath() + relative);
    return Url::fromString(Url::file(QFile::encodeName(path).toStdString()).absoluteString() + "#help");
}

}  // namespace chordmap
