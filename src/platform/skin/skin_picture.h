// State strings and the pictures they name.
//
// A state string says what an element shows:
//   ""                     the element's own look from the skin file
//   "-"                    nothing
//   "<file>"               the element's own rectangle cut from the picture
//                          <file> (a sheet drawn at the skin's design size)
//   "<file> <x> <y>"       a piece of the element's size cut from <file> at x, y
//   "BgColor <colour> -"   a plain fill; <colour> is a number 0x00BBGGRR
//                          (decimal or 0x hex) or #rrggbb; instead of "-"
//                          a picture may follow, drawn over the fill
// File names are relative to the skin's folder, PNG or SVG.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <optional>

struct StateLook {
    std::optional<QColor> fill;
    QString file;                  // empty: no picture
    std::optional<QPoint> offset;  // source position in the picture
};

// nullopt when the text does not follow the grammar above.
std::optional<StateLook> ParseStateString(const QString& text);

// Converts a 0x00BBGGRR colour number.
QColor ColorFromColorRef(quint32 value);

// Loads pictures for skins, once per file and pixel ratio. Names that leave
// the skin folder (absolute or with "..") are refused. A picture that cannot
// be read gives a null pixmap and is reported once.
class SkinPictures {
public:
    static QPixmap load(const QString& folder, const QString& file, qreal devicePixelRatio);
    static void clear();
};
