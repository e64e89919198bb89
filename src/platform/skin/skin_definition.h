// The content of a skin file (".skn"): the window's design size, its client
// area, background and the named elements. The format is described in
// docs/skin-format.md.
#pragma once

#include <QColor>
#include <QFont>
#include <QMargins>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

enum class SkinElementKind { Picture, Button, Text, Frame };
enum class SkinAction { None, Minimize, Maximize, Close, Move };

struct SkinElementDef {
    QString name;
    SkinElementKind kind = SkinElementKind::Picture;
    QRect rect;  // at the design size
    Qt::Edges anchors = Qt::LeftEdge | Qt::TopEdge;
    QString picture;  // state string shown until the program sets another
    QMargins slice;   // fixed borders when drawn at another size
    QString text;
    std::optional<QFont> font;
    std::optional<QColor> color;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    Qt::TextElideMode elide = Qt::ElideNone;
    std::optional<QColor> badge;  // rounded pill behind a non-empty text
    int padding = 2;              // text inset, left and right
    QString toolTip;
    bool visible = true;
    int styleFlags = 2;
    SkinAction action = SkinAction::None;
    bool mouse = true;  // the element receives mouse events
};

struct SkinDefinition {
    QString name = QStringLiteral("Skin");
    QSize size;
    QSize minSize;
    bool resizable = false;
    std::optional<QRect> client;
    QString background;  // state string of the whole window
    QMargins backgroundSlice;
    QColor bgColor = QColor(0, 0, 0);
    QFont font;
    QColor color = QColor(255, 255, 255);
    std::vector<SkinElementDef> elements;
    QString folder;  // pictures are found relative to it
    QStringList warnings;
};

// StyleFlags bit: the element acts when clicked (the pointer becomes a hand over it).
inline constexpr int kStyleInteractive = 16;

// Reads a skin file. Lines or values that cannot be understood are skipped
// and listed in warnings; nullopt with *error when the file cannot be read
// or lacks its [Skin] section or size.
std::optional<SkinDefinition> LoadSkinDefinition(const QString& path, QString* error);
std::optional<SkinDefinition> ParseSkinDefinition(const QByteArray& data, const QString& folder,
                                                  QString* error);
