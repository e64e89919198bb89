#include "views/snapshot.h"

#include "foundation/app_paths.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/picture_file.h"
#include "platform/ui_services.h"

#include <QFileInfo>

namespace {
// An operator who keeps choosing names of existing files is asked this often.
constexpr int kMaxAsks = 10;
}  // namespace

SnapshotOffer SnapshotOfferFor(int protocol)
{
    if (protocol == kProtocolViewer)
        return {QStringLiteral("BMP Image (*.bmp)|*.bmp"), QStringLiteral("Temp.bmp"),
                QStringLiteral(".bmp")};
    return {QStringLiteral("JPEG Image (*.jpg)|*.jpg"), QStringLiteral("Temp.jpg"),
            QStringLiteral(".jpg")};
}

QString SnapshotFileName(const QString& chosen, const SnapshotOffer& offer)
{
    if (chosen.isEmpty() || PictureFormatOf(chosen) != PictureFormat::Unnamed)
        return chosen;
    return chosen + offer.extension;
}

QString AskSnapshotFile(QWidget* parent, int protocol, const std::function<bool()>& stillThere)
{
    const SnapshotOffer offer = SnapshotOfferFor(protocol);
    QString start = DataPath() + QLatin1Char('/') + offer.defaultName;
    for (int ask = 0; ask < kMaxAsks; ++ask) {
        const QString chosen =
            ui().GetSaveFileName(parent, QStringLiteral("Save Image"), start, offer.filter);
        // The dialog runs its own event loop: the window may have gone meanwhile.
        if (!stillThere() || chosen.isEmpty())
            return {};
        const QString name = SnapshotFileName(chosen, offer);
        if (name == chosen || !QFileInfo::exists(name))
            return name;
        start = name;
    }
    return {};
}
