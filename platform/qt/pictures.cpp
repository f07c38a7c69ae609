#include "pictures.h"

#include <QPixmap>

#include "text.h"

// The pictures are compiled into this static library; nothing else refers to
// them, so the linker would leave them out unless asked for here.
static void InitAssets() { Q_INIT_RESOURCE(assets); }

namespace qtrt {

QIcon Picture(std::u16string_view picture) {
    // The 32 x 32 picture, and a large one for high-resolution screens, as
    // loaded pictures rather than file names: a tray on D-Bus is sent the
    // pixels of the sizes the icon says it has.
    [[maybe_unused]] static const bool assets = (InitAssets(), true);
    const QString name = ToQt(picture);
    QIcon icon;
    for (const QString& file :
         {QStringLiteral(":/assets/%1.png"), QStringLiteral(":/assets/%1-256.png")}) {
        const QPixmap pixmap(file.arg(name));
        if (!pixmap.isNull()) icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace qtrt
