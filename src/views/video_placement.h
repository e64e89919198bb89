// The arithmetic of the video windows' picture layout: fit and zoom sizes,
// centring, drag-to-pan, the pointer over the picture and the combined
// window's grid. All sizes and positions are client-area pixels; every
// rounding is half to even. Pure functions, so each rule can be checked on
// its own.
#pragma once

#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <array>
#include <optional>

// Rounds half to even (0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -1.5 -> -2).
long RoundHalfEven(double v);

// The zoom factor of a zoom-menu tool: 0 for "ID_FitWindow", 1 .. 4 for
// "ID_x1" .. "ID_x4"; nothing for any other ID (exact, case-sensitive).
std::optional<double> ZoomFactorOf(const QString& toolId);

// A native picture size scaled by a zoom factor: exact for whole factors,
// rounded half to even for the half factors (241 x 1.5 -> 362, 241 x 2.5 -> 602).
int ScaleBy(int native, double factor);

// Where a picture of `display` pixels lies when centred in a client area of
// `client` pixels; halves are kept, a larger picture overhangs both sides equally.
QRectF CentredPicture(QSize client, QSize display);

// The place a widget gets for a picture placement (positions rounded half to even).
QRect PictureGeometry(const QRectF& placement);

// The largest size the viewer's attach call takes (16 bits).
int ClampTo16(long v);

// A drag starts on a left-button press (button 1) in zoom mode over a
// picture larger than the client area in either direction.
bool DragStarts(bool fitMode, QSizeF picture, QSize client, int button);

enum class PicturePointer { Default, Hand, SizeAll };
// The pointer over the picture: the hand where the picture can be dragged,
// the size-all arrow while it is dragged, else the default.
PicturePointer PointerOver(bool fitMode, QSizeF picture, QSize client, bool dragging);

// One pan step along one axis: the picture's edge `pos` moved by `delta`
// pixels, kept within [client - size, 0] so the client area stays covered.
// An axis along which the picture is not larger than the client area does
// not move.
double PanStep(double pos, double delta, double size, int client);

// The combined window's cells: the client area halved (half to even) into
// a 2 x 2 grid, cell 1 top left, 2 top right, 3 bottom left, 4 bottom right.
std::array<QRect, 4> CombinedCells(QSize client);

// The colour panel's value text: the number with one leading blank when it
// is not negative (" 64", "-3").
QString ColourValueText(int v);
