// The video windows' snapshot: what the save dialog offers for a camera's
// kind, and the name the picture is saved under, so that the file holds the
// format its name says.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// The dialog's one filter, its proposed name and the kind's own extension:
// BMP for a protocol-3 camera (the viewer's), JPEG for the others.
struct SnapshotOffer {
    QString filter;
    QString defaultName;
    QString extension;
};
SnapshotOffer SnapshotOfferFor(int protocol);

// The name a chosen file is saved under: as chosen when it ends in ".jpg",
// ".jpeg" or ".bmp" (any case), else with the kind's extension added.
QString SnapshotFileName(const QString& chosen, const SnapshotOffer& offer);

// Asks for the snapshot's file ("Save Image", starting in the data folder
// with the kind's name) and returns the name to save under; empty when the
// operator cancels or `stillThere` says the window went while the dialog
// was open. When the extension was added and a file of the full name
// exists, the dialog opens again on that name, so its own question guards
// the old file.
QString AskSnapshotFile(QWidget* parent, int protocol, const std::function<bool()>& stillThere);
