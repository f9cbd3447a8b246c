#include "ui/UiEngine.h"

#include "ui/ImageProviders.h"

#include <QQmlEngine>

// Generated with the QML module; called here so that a static build keeps
// the registration of the module's C++ types.
void qml_register_types_Chordmap();

namespace chordmap {

void prepareEngine(QQmlEngine& engine, const Workspace& workspace) {
    // Types are registered for the process, not per engine.
    static const bool registered = (qml_register_types_Chordmap(), true);
    (void)registered;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
    engine.addImageProvider(QStringLiteral("fileicon"), new FileIconProvider(workspace));
}

}  // namespace chordmap
