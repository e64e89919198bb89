// skinart: draws the pictures of the default skins and writes the skin files
// that place them, from one set of layout constants, so that the pictures and
// the element rectangles always agree.
//
//   skinart <resources/lang folder>
//
// Pictures are SVG "sheets" of a skin's design size: each sheet shows every
// element in one look (normal, pointer over, pressed or on, greyed, ...), and
// an element shows its own rectangle cut from the sheet that its state string
// names (see docs/skin-format.md). Texts in the pictures are drawn as outlines,
// so the sheets look the same whatever fonts a machine has.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <QTextStream>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

enum class Look { Back, Main, Over, Down, Gray, Off, NoAudio };

// ------------------------------------------------------------------ palette
const QColor kFrame("#14181d");
const QColor kOutline("#2f3742");
const QColor kTitleTop("#272e37");
const QColor kTitleBottom("#1c2229");
const QColor kShadowLine("#0b0e11");
const QColor kBarTop("#1f252d");
const QColor kBarBottom("#191e24");
const QColor kStrip("#12161a");
const QColor kAccent("#2f6fd6");
const QColor kAccentLight("#5b93ee");
const QColor kAccentText("#58a6ff");
const QColor kRecord("#c83a3c");
const QColor kRecordLight("#ea6668");
const QColor kDanger("#d64541");
const QColor kIcon("#c3ccd6");
const QColor kIconDim("#4b5561");
const QColor kLabel("#d5dce4");
const QColor kMuted("#6b7682");

// ------------------------------------------------------------------ helpers

void fillRound(QPainter& p, const QRectF& r, qreal radius, const QBrush& fill,
               const QColor& border = QColor(), qreal borderWidth = 1.0)
{
    p.save();
    p.setPen(border.isValid() ? QPen(border, borderWidth) : QPen(Qt::NoPen));
    p.setBrush(fill);
    const qreal inset = border.isValid() ? borderWidth / 2 : 0;
    p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), radius, radius);
    p.restore();
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

// Text drawn as an outline, aligned in the box.
void drawLabel(QPainter& p, const QRectF& box, const QString& text, qreal px, bool bold,
               const QColor& colour, Qt::Alignment align = Qt::AlignCenter)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(int(px));
    font.setBold(bold);
    const QFontMetricsF fm(font);
    const qreal w = fm.horizontalAdvance(text);
    qreal x = box.left();
    if (align & Qt::AlignHCenter)
        x = box.left() + (box.width() - w) / 2;
    else if (align & Qt::AlignRight)
        x = box.right() - w;
    qreal y = box.top() + (box.height() + fm.ascent() - fm.descent()) / 2;
    if (align & Qt::AlignTop)
        y = box.top() + fm.ascent();
    QPainterPath path;
    path.addText(QPointF(x, y), font, text);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
    p.restore();
}

// ------------------------------------------------------------------ icons

enum class Icon {
    Min,
    Max,
    Close,
    Pin,
    Panel,
    Contrast,
    List,
    Camera,
    Rotate,
    Zoom,
    Speaker,
    SpeakerWaves,
    SpeakerOff,
    Power,
    VideoCam,
    Trash,
    Info,
    Record,
    Clock,
    Motion,
    Play,
    Scan,
    Grid,
    Gear,
    Help,
    Sliders,
    Globe,
    Bell,
    Download,
    ArrowL,
    ArrowR,
    ArrowU,
    ArrowD,
    Home,
    Stop,
    Lens
};

void arrowHead(QPainterPath& path, QPointF tip, qreal angleDeg, qreal size)
{
    const qreal a = qDegreesToRadians(angleDeg);
    const QPointF back(-std::cos(a) * size, std::sin(a) * size);
    const QPointF side(std::sin(a) * size * 0.75, std::cos(a) * size * 0.75);
    path.moveTo(tip + back + side);
    path.lineTo(tip);
    path.lineTo(tip + back - side);
}

// Draws an icon in a 16 x 16 design grid scaled into the box.
void drawIcon(QPainter& p, Icon icon, const QRectF& box, const QColor& c)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 16.0, box.height() / 16.0);
    QPen pen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    auto fillWith = [&](const QPainterPath& shape) {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(shape);
        p.restore();
    };
    switch (icon) {
    case Icon::Min:
        p.drawLine(QPointF(4, 11), QPointF(12, 11));
        break;
    case Icon::Max:
        p.drawRoundedRect(QRectF(3.5, 3.5, 9, 9), 1.2, 1.2);
        break;
    case Icon::Close:
        p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
        p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
        break;
    case Icon::Pin:
        path.moveTo(5.5, 2.5);
        path.lineTo(10.5, 2.5);
        path.moveTo(6.5, 2.5);
        path.lineTo(6.5, 7);
        path.lineTo(4.2, 9.5);
        path.lineTo(11.8, 9.5);
        path.lineTo(9.5, 7);
        path.lineTo(9.5, 2.5);
        p.drawPath(path);
        p.drawLine(QPointF(8, 9.5), QPointF(8, 14));
        break;
    case Icon::Panel:
        p.drawRoundedRect(QRectF(2, 3, 12, 10), 1.8, 1.8);
        p.drawEllipse(QPointF(5.6, 8), 1.6, 1.6);
        p.drawLine(QPointF(9, 6.5), QPointF(11.6, 6.5));
        p.drawLine(QPointF(9, 9.5), QPointF(11.6, 9.5));
        break;
    case Icon::Contrast:
        p.drawEllipse(QPointF(8, 8), 5.8, 5.8);
        path.moveTo(8, 2.2);
        path.arcTo(QRectF(2.2, 2.2, 11.6, 11.6), 90, 180);
        path.closeSubpath();
        fillWith(path);
        break;
    case Icon::List:
        for (int i = 0; i < 3; ++i) {
            const qreal y = 4 + i * 4;
            fillWith([&] {
                QPainterPath dot;
                dot.addEllipse(QPointF(3.2, y), 1.1, 1.1);
                return dot;
            }());
            p.drawLine(QPointF(6, y), QPointF(13.5, y));
        }
        break;
    case Icon::Camera:
        path.moveTo(2, 6);
        path.lineTo(5, 6);
        path.lineTo(6.3, 4);
        path.lineTo(9.7, 4);
        path.lineTo(11, 6);
        path.lineTo(14, 6);
        path.lineTo(14, 13);
        path.lineTo(2, 13);
        path.closeSubpath();
        p.drawPath(path);
        p.drawEllipse(QPointF(8, 9.3), 2.3, 2.3);
        break;
    case Icon::Rotate:
        path.arcMoveTo(QRectF(3, 3, 10, 10), 60);
        path.arcTo(QRectF(3, 3, 10, 10), 60, 280);
        p.drawPath(path);
        {
            QPainterPath head;
            const qreal a = qDegreesToRadians(340.0);
            const QPointF tip(8 + 5 * std::cos(a), 8 - 5 * std::sin(a));
            arrowHead(head, tip, 70, 3.0);
            p.drawPath(head);
        }
        break;
    case Icon::Zoom:
        p.drawEllipse(QPointF(7, 7), 4.3, 4.3);
        p.drawLine(QPointF(10.2, 10.2), QPointF(13.6, 13.6));
        p.drawLine(QPointF(5, 7), QPointF(9, 7));
        p.drawLine(QPointF(7, 5), QPointF(7, 9));
        break;
    case Icon::Speaker:
    case Icon::SpeakerWaves:
    case Icon::SpeakerOff:
        path.moveTo(2.5, 6);
        path.lineTo(5, 6);
        path.lineTo(8, 3.2);
        path.lineTo(8, 12.8);
        path.lineTo(5, 10);
        path.lineTo(2.5, 10);
        path.closeSubpath();
        p.drawPath(path);
        if (icon == Icon::SpeakerWaves) {
            QPainterPath waves;
            waves.arcMoveTo(QRectF(6.5, 5, 6, 6), -45);
            waves.arcTo(QRectF(6.5, 5, 6, 6), -45, 90);
            waves.arcMoveTo(QRectF(5, 2.5, 11, 11), -45);
            waves.arcTo(QRectF(5, 2.5, 11, 11), -45, 90);
            p.drawPath(waves);
        } else if (icon == Icon::SpeakerOff) {
            p.drawLine(QPointF(10.5, 6), QPointF(14, 10));
            p.drawLine(QPointF(14, 6), QPointF(10.5, 10));
        }
        break;
    case Icon::Power:
        path.arcMoveTo(QRectF(2.5, 3, 11, 11), 125);
        path.arcTo(QRectF(2.5, 3, 11, 11), 125, 290);
        p.drawPath(path);
        p.drawLine(QPointF(8, 1.8), QPointF(8, 7.5));
        break;
    case Icon::VideoCam:
        p.drawRoundedRect(QRectF(1.8, 4.5, 8.6, 7), 1.5, 1.5);
        path.moveTo(10.4, 7);
        path.lineTo(14.2, 4.8);
        path.lineTo(14.2, 11.2);
        path.lineTo(10.4, 9);
        p.drawPath(path);
        break;
    case Icon::Trash:
        p.drawLine(QPointF(2.8, 4.2), QPointF(13.2, 4.2));
        p.drawLine(QPointF(6.3, 2.4), QPointF(9.7, 2.4));
        path.moveTo(4.3, 4.2);
        path.lineTo(5.2, 13.8);
        path.lineTo(10.8, 13.8);
        path.lineTo(11.7, 4.2);
        p.drawPath(path);
        p.drawLine(QPointF(6.9, 6.8), QPointF(7.1, 11.4));
        p.drawLine(QPointF(9.1, 6.8), QPointF(8.9, 11.4));
        break;
    case Icon::Info:
        p.drawEllipse(QPointF(8, 8), 6, 6);
        p.drawLine(QPointF(8, 7.3), QPointF(8, 11.3));
        fillWith([] {
            QPainterPath dot;
            dot.addEllipse(QPointF(8, 4.9), 1, 1);
            return dot;
        }());
        break;
    case Icon::Record:
        fillWith([] {
            QPainterPath dot;
            dot.addEllipse(QPointF(8, 8), 4.6, 4.6);
            return dot;
        }());
        p.drawEllipse(QPointF(8, 8), 6.6, 6.6);
        break;
    case Icon::Clock:
        p.drawEllipse(QPointF(8, 8), 6, 6);
        p.drawLine(QPointF(8, 8), QPointF(8, 4.6));
        p.drawLine(QPointF(8, 8), QPointF(10.6, 9.6));
        break;
    case Icon::Motion:
        fillWith([] {
            QPainterPath dot;
            dot.addEllipse(QPointF(4, 8), 1.8, 1.8);
            return dot;
        }());
        for (qreal r : {4.0, 7.0}) {
            QPainterPath arc;
            arc.arcMoveTo(QRectF(4 - r, 8 - r, 2 * r, 2 * r), -50);
            arc.arcTo(QRectF(4 - r, 8 - r, 2 * r, 2 * r), -50, 100);
            p.drawPath(arc);
        }
        break;
    case Icon::Play:
        path.moveTo(5, 3);
        path.lineTo(13, 8);
        path.lineTo(5, 13);
        path.closeSubpath();
        fillWith(path);
        break;
    case Icon::Scan: {
        QPainterPath a;
        a.arcMoveTo(QRectF(2.5, 2.5, 11, 11), 20);
        a.arcTo(QRectF(2.5, 2.5, 11, 11), 20, 140);
        a.arcMoveTo(QRectF(2.5, 2.5, 11, 11), 200);
        a.arcTo(QRectF(2.5, 2.5, 11, 11), 200, 140);
        p.drawPath(a);
        QPainterPath heads;
        for (qreal end : {160.0, 340.0}) {
            const qreal rad = qDegreesToRadians(end);
            arrowHead(heads, QPointF(8 + 5.5 * std::cos(rad), 8 - 5.5 * std::sin(rad)), end - 90,
                      2.4);
        }
        p.drawPath(heads);
        break;
    }
    case Icon::Grid:
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                p.drawRoundedRect(QRectF(2.5 + i * 6, 2.5 + j * 6, 5, 5), 1, 1);
        break;
    case Icon::Gear: {
        QPainterPath gear;
        const int teeth = 8;
        for (int i = 0; i < teeth * 2; ++i) {
            const qreal r = (i % 2 == 0) ? 6.3 : 4.9;
            const qreal a0 = qDegreesToRadians(360.0 * i / (teeth * 2) - 8);
            const qreal a1 = qDegreesToRadians(360.0 * i / (teeth * 2) + 8);
            const QPointF p0(8 + r * std::cos(a0), 8 + r * std::sin(a0));
            const QPointF p1(8 + r * std::cos(a1), 8 + r * std::sin(a1));
            if (i == 0)
                gear.moveTo(p0);
            else
                gear.lineTo(p0);
            gear.lineTo(p1);
        }
        gear.closeSubpath();
        p.setPen(QPen(c, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(gear);
        p.drawEllipse(QPointF(8, 8), 2, 2);
        break;
    }
    case Icon::Help:
        p.drawEllipse(QPointF(8, 8), 6, 6);
        path.moveTo(6, 6.4);
        path.cubicTo(6, 4.3, 10, 4.3, 10, 6.4);
        path.cubicTo(10, 8, 8, 8, 8, 9.6);
        p.drawPath(path);
        fillWith([] {
            QPainterPath dot;
            dot.addEllipse(QPointF(8, 11.8), 0.95, 0.95);
            return dot;
        }());
        break;
    case Icon::Sliders:
        for (int i = 0; i < 3; ++i) {
            const qreal y = 4 + i * 4;
            const qreal knob = (i == 1) ? 10.5 : 5.5;
            p.drawLine(QPointF(2.5, y), QPointF(13.5, y));
            p.save();
            p.setBrush(c);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(knob, y), 1.9, 1.9);
            p.restore();
        }
        break;
    case Icon::Globe:
        p.drawEllipse(QPointF(8, 8), 6, 6);
        p.drawEllipse(QPointF(8, 8), 2.6, 6);
        p.drawLine(QPointF(2, 8), QPointF(14, 8));
        break;
    case Icon::Bell:
        path.moveTo(3, 11.5);
        path.lineTo(13, 11.5);
        path.cubicTo(11.6, 10.2, 11.8, 9, 11.8, 7);
        path.cubicTo(11.8, 4.4, 10, 2.8, 8, 2.8);
        path.cubicTo(6, 2.8, 4.2, 4.4, 4.2, 7);
        path.cubicTo(4.2, 9, 4.4, 10.2, 3, 11.5);
        p.drawPath(path);
        p.drawLine(QPointF(6.8, 13.6), QPointF(9.2, 13.6));
        break;
    case Icon::Download:
        p.drawLine(QPointF(8, 2.2), QPointF(8, 10));
        arrowHead(path, QPointF(8, 10.2), -90, 3.2);
        p.drawPath(path);
        p.drawLine(QPointF(2.8, 11), QPointF(2.8, 13.6));
        p.drawLine(QPointF(2.8, 13.6), QPointF(13.2, 13.6));
        p.drawLine(QPointF(13.2, 13.6), QPointF(13.2, 11));
        break;
    case Icon::ArrowL:
    case Icon::ArrowR:
    case Icon::ArrowU:
    case Icon::ArrowD: {
        QPainterPath tri;
        tri.moveTo(5, 4);
        tri.lineTo(11.5, 8);
        tri.lineTo(5, 12);
        tri.closeSubpath();
        const qreal angle = icon == Icon::ArrowR   ? 0
                            : icon == Icon::ArrowD ? 90
                            : icon == Icon::ArrowL ? 180
                                                   : 270;
        QTransform t;
        t.translate(8, 8);
        t.rotate(angle);
        t.translate(-8, -8);
        fillWith(t.map(tri));
        break;
    }
    case Icon::Home:
        path.moveTo(2.5, 8.2);
        path.lineTo(8, 3);
        path.lineTo(13.5, 8.2);
        path.moveTo(4.3, 6.8);
        path.lineTo(4.3, 13);
        path.lineTo(11.7, 13);
        path.lineTo(11.7, 6.8);
        p.drawPath(path);
        break;
    case Icon::Stop:
        fillWith([] {
            QPainterPath sq;
            sq.addRoundedRect(QRectF(4, 4, 8, 8), 1.5, 1.5);
            return sq;
        }());
        break;
    case Icon::Lens:
        p.drawEllipse(QPointF(8, 8), 6, 6);
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(QPointF(8, 8), 3, 3);
        p.restore();
        break;
    }
    p.restore();
}

QRectF centred(const QRectF& r, qreal size)
{
    return QRectF(r.center().x() - size / 2, r.center().y() - size / 2, size, size);
}

// ------------------------------------------------------------------ output

bool writeSvg(const QString& path, QSize size, const std::function<void(QPainter&)>& draw)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator gen;
        gen.setOutputDevice(&buffer);
        gen.setSize(size);
        gen.setViewBox(QRect(QPoint(0, 0), size));
        gen.setTitle(QStringLiteral("skin sheet"));
        gen.setDescription(QStringLiteral("drawn by tools/skinart"));
        QPainter p(&gen);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    QString svg = QString::fromUtf8(buffer.data());
    // The generator states the size in millimetres; skins need pixels.
    static const QRegularExpression mm(QStringLiteral("width=\"[0-9.]+mm\" height=\"[0-9.]+mm\""));
    svg.replace(mm,
                QStringLiteral("width=\"%1\" height=\"%2\"").arg(size.width()).arg(size.height()));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    f.write(svg.toUtf8());
    return true;
}

// Writes a skin file section by section.
class SkinText {
public:
    explicit SkinText(const QString& header) { out_ << header; }
    void section(const QString& head, const QStringList& lines)
    {
        out_ << QStringLiteral("\n[%1]\n").arg(head);
        for (const QString& l : lines)
            out_ << l << QLatin1Char('\n');
    }
    void element(const QString& name, const QString& kind, const QRect& r, const QString& anchor,
                 const QStringList& more = {})
    {
        QStringList lines{QStringLiteral("Kind = ") + kind, QStringLiteral("Rect = %1 %2 %3 %4")
                                                                .arg(r.x())
                                                                .arg(r.y())
                                                                .arg(r.width())
                                                                .arg(r.height())};
        if (!anchor.isEmpty())
            lines << QStringLiteral("Anchor = ") + anchor;
        lines << more;
        section(QStringLiteral("Element ") + name, lines);
    }
    bool save(const QString& path) const
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        f.write(text_.toUtf8());
        return true;
    }

private:
    QString text_;
    QTextStream out_{&text_};
};

const QString kGenerated = QStringLiteral(
    "# Drawn and laid out by tools/skinart (scripts/make_skin_art.sh); change it there.\n"
    "# The format is described in docs/skin-format.md.\n");

// ================================================================== video window

namespace view {

constexpr int W = 328;
constexpr int H = 318;
constexpr int kTitle = 28;
constexpr int kBottom = 50;
const QRect kClient(4, 28, 320, 240);
const QRect kTitleIcon(8, 7, 14, 14);
const QRect kLeftSet(6, 271, 84, 24);
const QRect kRightSet(194, 271, 128, 24);

struct Button {
    QString name;
    QRect rect;
    Icon icon;
    QString anchor;
};

const std::vector<Button>& buttons()
{
    static const std::vector<Button> b = {
        {QStringLiteral("Min"), {248, 4, 24, 20}, Icon::Min, QStringLiteral("right top")},
        {QStringLiteral("Max"), {274, 4, 24, 20}, Icon::Max, QStringLiteral("right top")},
        {QStringLiteral("Close"), {300, 4, 24, 20}, Icon::Close, QStringLiteral("right top")},
        // The left group: its width is the layout value (84 with ColorCtl, 62 without).
        {QStringLiteral("OnTop"), {15, 272, 22, 22}, Icon::Pin, QStringLiteral("left bottom")},
        {QStringLiteral("WakeUp"), {37, 272, 22, 22}, Icon::Panel, QStringLiteral("left bottom")},
        {QStringLiteral("ColorCtl"),
         {59, 272, 22, 22},
         Icon::Contrast,
         QStringLiteral("left bottom")},
        {QStringLiteral("Event"), {203, 272, 22, 22}, Icon::List, QStringLiteral("right bottom")},
        {QStringLiteral("Snapshot"),
         {225, 272, 22, 22},
         Icon::Camera,
         QStringLiteral("right bottom")},
        {QStringLiteral("Rotate"),
         {247, 272, 22, 22},
         Icon::Rotate,
         QStringLiteral("right bottom")},
        {QStringLiteral("Zoom"), {269, 272, 22, 22}, Icon::Zoom, QStringLiteral("right bottom")},
        {QStringLiteral("Audio"),
         {291, 272, 22, 22},
         Icon::Speaker,
         QStringLiteral("right bottom")},
    };
    return b;
}

void drawBack(QPainter& p)
{
    p.fillRect(QRect(0, 0, W, H), kFrame);
    const QRectF title(0, 0, W, kTitle);
    p.fillRect(title, vertical(title, kTitleTop, kTitleBottom));
    p.fillRect(QRectF(0, kTitle - 1, W, 1), kShadowLine);
    const QRectF bar(0, kClient.bottom() + 1, W, 30);
    p.fillRect(bar, vertical(bar, kBarTop, kBarBottom));
    p.fillRect(QRectF(0, bar.top(), W, 1), QColor("#2a323c"));
    const QRectF strip(0, bar.bottom(), W, H - bar.bottom());
    p.fillRect(strip, kStrip);
    p.fillRect(QRectF(0, strip.top(), W, 1), QColor("#0e1114"));
    // A hairline around the video and around the window.
    p.setPen(QPen(kShadowLine, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(kClient).adjusted(-0.5, -0.5, 0.5, 0.5));
    p.setPen(QPen(kOutline, 1));
    p.drawRect(QRectF(0.5, 0.5, W - 1, H - 1));
}

void drawSet(QPainter& p, const QRect& r)
{
    fillRound(p, QRectF(r), 7, QColor("#0f1317"), QColor("#29313a"));
}

void drawButton(QPainter& p, const Button& b, Look look)
{
    const bool caption = b.rect.top() < kTitle;
    const bool close = b.name == QLatin1String("Close");
    const bool audio = b.icon == Icon::Speaker;
    const QRectF box = QRectF(b.rect).adjusted(1, 1, -1, -1);
    QColor ic = kIcon;
    Icon icon = b.icon;
    switch (look) {
    case Look::Over:
        fillRound(p, box, 5, close ? kDanger : QColor("#323c48"));
        ic = Qt::white;
        if (audio)
            icon = Icon::SpeakerWaves;
        break;
    case Look::Down:
        fillRound(p, box, 5, close ? QColor("#b3342f") : kAccent, close ? QColor() : kAccentLight);
        ic = Qt::white;
        if (audio)
            icon = Icon::SpeakerWaves;
        break;
    case Look::Gray:
        ic = kIconDim;
        break;
    case Look::NoAudio:
        if (audio) {
            icon = Icon::SpeakerOff;
            ic = QColor("#7c8794");
        }
        break;
    default:
        break;
    }
    drawIcon(p, icon, centred(box, caption ? 14 : 16), ic);
}

void drawSheet(QPainter& p, Look look)
{
    drawBack(p);
    if (look == Look::Back)
        return;
    drawIcon(p, Icon::Lens, QRectF(kTitleIcon), kAccentText);
    drawSet(p, kLeftSet);
    drawSet(p, kRightSet);
    for (const Button& b : buttons())
        drawButton(p, b, look);
}

void drawColourPanel(QPainter& p)
{
    const QRectF r(0, 0, 161, 106);
    fillRound(p, r, 6, vertical(r, QColor(28, 34, 42, 236), QColor(20, 24, 30, 236)),
              QColor("#34404d"));
    for (int k = 1; k < 3; ++k)
        p.fillRect(QRectF(8, 2 + 34 * k, 145, 1), QColor("#2a333e"));
}

bool write(const QString& lang)
{
    const QString folder = lang + QStringLiteral("/view");
    QDir().mkpath(folder);
    const QSize size(W, H);
    const std::pair<const char*, Look> sheets[] = {
        {"Back", Look::Back}, {"Main", Look::Main}, {"Over", Look::Over},
        {"Down", Look::Down}, {"Gray", Look::Gray}, {"NoAudio", Look::NoAudio}};
    for (const auto& [name, look] : sheets)
        if (!writeSvg(folder + QStringLiteral("/%1.svg").arg(QLatin1String(name)), size,
                      [look = look](QPainter& p) { drawSheet(p, look); }))
            return false;
    if (!writeSvg(folder + QStringLiteral("/ColorPanel.svg"), QSize(161, 106), drawColourPanel))
        return false;

    SkinText skn(
        kGenerated
        + QStringLiteral("# The video windows' skin: title bar with the camera name and the\n"
                         "# window buttons, the video in the middle, a button bar and a status\n"
                         "# strip below.\n"));
    skn.section(QStringLiteral("Skin"),
                {QStringLiteral("Name = VideoWindow"), QStringLiteral("Size = %1 %2").arg(W).arg(H),
                 QStringLiteral("MinSize = 296 230"), QStringLiteral("Resizable = yes"),
                 QStringLiteral("Client = %1 %2 %3 %4")
                     .arg(kClient.x())
                     .arg(kClient.y())
                     .arg(kClient.width())
                     .arg(kClient.height()),
                 QStringLiteral("Background = view/Back.svg"),
                 QStringLiteral("BackgroundSlice = 4 %1 4 %2").arg(kTitle).arg(kBottom),
                 QStringLiteral("BgColor = #14181d"), QStringLiteral("Font = DejaVu Sans, 8"),
                 QStringLiteral("Color = #aab4bf")});
    skn.element(QStringLiteral("TitleIcon"), QStringLiteral("picture"), kTitleIcon, QString(),
                {QStringLiteral("Picture = view/Main.svg"), QStringLiteral("Mouse = no")});
    skn.element(QStringLiteral("ServerName"), QStringLiteral("text"), QRect(26, 4, 218, 20),
                QStringLiteral("left right top"),
                {QStringLiteral("Font = DejaVu Sans, 9, bold"), QStringLiteral("Color = #e8edf2"),
                 QStringLiteral("Elide = right"), QStringLiteral("Action = move")});
    skn.element(QStringLiteral("LBtnSet"), QStringLiteral("frame"), kLeftSet,
                QStringLiteral("left bottom"),
                {QStringLiteral("Picture = view/Main.svg"), QStringLiteral("Slice = 12 0 12 0")});
    skn.element(QStringLiteral("RBtnSet"), QStringLiteral("frame"), kRightSet,
                QStringLiteral("right bottom"),
                {QStringLiteral("Picture = view/Main.svg"), QStringLiteral("Slice = 12 0 12 0")});
    for (const Button& b : buttons()) {
        QStringList more{QStringLiteral("Picture = view/Main.svg")};
        if (b.name == QLatin1String("Min"))
            more << QStringLiteral("Action = minimize");
        else if (b.name == QLatin1String("Max"))
            more << QStringLiteral("Action = maximize");
        else if (b.name == QLatin1String("Close"))
            more << QStringLiteral("Action = close");
        skn.element(b.name, QStringLiteral("button"), b.rect, b.anchor, more);
    }
    // Wide enough for "Reconnecting...".
    skn.element(QStringLiteral("Line"), QStringLiteral("text"), QRect(8, 300, 88, 16),
                QStringLiteral("left bottom"), {QStringLiteral("Color = #b8c2cc")});
    skn.element(QStringLiteral("IPAddress"), QStringLiteral("text"), QRect(100, 300, 96, 16),
                QStringLiteral("left right bottom"),
                {QStringLiteral("Color = #8b97a4"), QStringLiteral("Elide = right")});
    skn.element(QStringLiteral("Recording"), QStringLiteral("text"), QRect(198, 300, 54, 16),
                QStringLiteral("right bottom"),
                {QStringLiteral("Align = right"), QStringLiteral("Font = DejaVu Sans, 7.5, bold"),
                 QStringLiteral("Color = #ffffff"), QStringLiteral("Badge = #d13b3b")});
    skn.element(QStringLiteral("MotionDetect"), QStringLiteral("text"), QRect(254, 300, 68, 16),
                QStringLiteral("right bottom"),
                {QStringLiteral("Align = right"), QStringLiteral("Font = DejaVu Sans, 7.5, bold"),
                 QStringLiteral("Color = #1d1403"), QStringLiteral("Badge = #f0a51f")});
    if (!skn.save(lang + QStringLiteral("/english_2.skn")))
        return false;

    SkinText bar(
        kGenerated
        + QStringLiteral("# The colour panel of the video windows (161 x 106): the looks of\n"
                         "# its six labels and the places of its three bars.\n"));
    bar.section(QStringLiteral("Skin"),
                {QStringLiteral("Name = ColorPanel"), QStringLiteral("Size = 161 106"),
                 QStringLiteral("Background = view/ColorPanel.svg"),
                 QStringLiteral("BgColor = #161b22"), QStringLiteral("Font = DejaVu Sans, 8"),
                 QStringLiteral("Color = #c9d1d9")});
    const char* captions[] = {"sklBrightness", "sklContrast", "sklHue"};
    const char* values[] = {"sklBriVal", "sklCntVal", "sklHueVal"};
    const char* bars[] = {"hscrBrightness", "hscrContrast", "hscrHue"};
    for (int k = 0; k < 3; ++k) {
        const int y = 4 + 34 * k;
        bar.element(QLatin1String(captions[k]), QStringLiteral("text"), QRect(8, y, 96, 15),
                    QString(), {QStringLiteral("Color = #aeb9c5")});
        bar.element(QLatin1String(values[k]), QStringLiteral("text"), QRect(104, y, 49, 15),
                    QString(),
                    {QStringLiteral("Align = right"), QStringLiteral("Font = DejaVu Sans, 8, bold"),
                     QStringLiteral("Color = #ffffff")});
        bar.element(QLatin1String(bars[k]), QStringLiteral("frame"), QRect(12, y + 16, 137, 14),
                    QString(), {QStringLiteral("Picture = -"), QStringLiteral("Mouse = no")});
    }
    if (!bar.save(lang + QStringLiteral("/Bar.skn")))
        return false;

    SkinText cam(kGenerated
                 + QStringLiteral(
                     "# One cell of the combined window: a 3-pixel frame around the video;\n"
                     "# the window colours it (\"BgColor 255 -\" active, \"BgColor 0 -\" not).\n"));
    cam.section(QStringLiteral("Skin"),
                {QStringLiteral("Name = Cell"), QStringLiteral("Size = 160 120"),
                 QStringLiteral("Client = 3 3 154 114"), QStringLiteral("BgColor = #000000")});
    cam.element(QStringLiteral("Top"), QStringLiteral("frame"), QRect(0, 0, 160, 3),
                QStringLiteral("left right top"), {QStringLiteral("Picture = BgColor 0 -")});
    cam.element(QStringLiteral("Bottom"), QStringLiteral("frame"), QRect(0, 117, 160, 3),
                QStringLiteral("left right bottom"), {QStringLiteral("Picture = BgColor 0 -")});
    cam.element(QStringLiteral("Left"), QStringLiteral("frame"), QRect(0, 0, 3, 120),
                QStringLiteral("left top bottom"), {QStringLiteral("Picture = BgColor 0 -")});
    cam.element(QStringLiteral("Right"), QStringLiteral("frame"), QRect(157, 0, 3, 120),
                QStringLiteral("right top bottom"), {QStringLiteral("Picture = BgColor 0 -")});
    return cam.save(lang + QStringLiteral("/cam.skn"));
}

}  // namespace view

// ================================================================== control panel

namespace panel {

constexpr int W = 520;
constexpr int H = 380;
const QRect kDisplay(12, 36, 300, 136);
const QRect kPad(324, 36, 184, 240);

enum class Style { Caption, Command, Record, Slot, Pad, Group, Wide };

struct Button {
    QString name;
    QRect rect;
    Icon icon;
    QString label;
    Style style;
};

const std::vector<Button>& buttons()
{
    static std::vector<Button> b;
    if (!b.empty())
        return b;
    b.push_back({QStringLiteral("Min"), {450, 4, 30, 20}, Icon::Min, {}, Style::Caption});
    b.push_back({QStringLiteral("Close"), {484, 4, 30, 20}, Icon::Close, {}, Style::Caption});
    for (int k = 0; k < 4; ++k)
        b.push_back({QStringLiteral("Cam%1").arg(k + 1),
                     {12 + 77 * k, 182, 69, 32},
                     Icon::Lens,
                     QStringLiteral("CAM %1").arg(k + 1),
                     Style::Slot});
    struct Cmd {
        const char* name;
        Icon icon;
        const char* label;
        Style style;
    };
    const Cmd rows[3][4] = {
        {{"Connect", Icon::Power, "Connect", Style::Command},
         {"Assign", Icon::VideoCam, "Assign", Style::Command},
         {"Erase", Icon::Trash, "Erase", Style::Command},
         {"ExtInfo", Icon::Info, "Details", Style::Command}},
        {{"ManualRec", Icon::Record, "Record", Style::Record},
         {"ScheduleRec", Icon::Clock, "Schedule", Style::Record},
         {"MotionRec", Icon::Motion, "On motion", Style::Record},
         {"Play", Icon::Play, "Play", Style::Command}},
        {{"Scan", Icon::Scan, "Tour", Style::Command},
         {"Combine", Icon::Grid, "All four", Style::Command},
         {"SysConf", Icon::Gear, "Settings", Style::Command},
         {"About", Icon::Help, "Help", Style::Command}},
    };
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 4; ++k)
            b.push_back({QLatin1String(rows[r][k].name),
                         {12 + 77 * k, 240 + 46 * r, 69, 36},
                         rows[r][k].icon,
                         QLatin1String(rows[r][k].label),
                         rows[r][k].style});
    b.push_back({QStringLiteral("CamConf"),
                 {324, 286, 184, 36},
                 Icon::Sliders,
                 QStringLiteral("Camera setup"),
                 Style::Wide});
    b.push_back({QStringLiteral("Web"), {324, 332, 56, 36}, Icon::Globe, {}, Style::Group});
    b.push_back({QStringLiteral("Motion"), {388, 332, 56, 36}, Icon::Bell, {}, Style::Group});
    b.push_back({QStringLiteral("Update"), {452, 332, 56, 36}, Icon::Download, {}, Style::Group});
    // The pan/tilt pad: a 3 x 3 grid of 52-pixel cells in the pad's lower part.
    const int x0 = kPad.x() + (kPad.width() - 164) / 2;
    const int y0 = kPad.y() + 62;
    auto cell = [&](int col, int row) { return QRect(x0 + col * 56, y0 + row * 56, 52, 52); };
    b.push_back({QStringLiteral("PT-L"), cell(0, 1), Icon::ArrowL, {}, Style::Pad});
    b.push_back({QStringLiteral("PT-R"), cell(2, 1), Icon::ArrowR, {}, Style::Pad});
    b.push_back({QStringLiteral("PT-U"), cell(1, 0), Icon::ArrowU, {}, Style::Pad});
    b.push_back({QStringLiteral("PT-D"), cell(1, 2), Icon::ArrowD, {}, Style::Pad});
    b.push_back({QStringLiteral("PT-H"), cell(1, 1), Icon::Home, {}, Style::Pad});
    b.push_back({QStringLiteral("PT-S"), cell(2, 2), Icon::Stop, {}, Style::Pad});
    return b;
}

QRect ledRect(int slot, int k)
{
    const QRect cam(12 + 77 * (slot - 1), 182, 69, 32);
    return QRect(cam.center().x() - 6 + (k - 2) * 20, 219, 12, 12);
}

void drawBack(QPainter& p, Look look)
{
    const QRectF all(0, 0, W, H);
    p.fillRect(all, vertical(all, QColor("#181c22"), QColor("#12151a")));
    const QRectF title(0, 0, W, 28);
    p.fillRect(title, vertical(title, kTitleTop, kTitleBottom));
    p.fillRect(QRectF(0, 27, W, 1), kShadowLine);
    drawIcon(p, Icon::Lens, QRectF(10, 7, 14, 14), kAccentText);
    // The display: a dark inset screen.
    fillRound(p, QRectF(kDisplay), 8,
              vertical(QRectF(kDisplay), QColor("#0a0e13"), QColor("#0d1218")), QColor("#27303b"));
    p.fillRect(QRectF(kDisplay.x() + 80, kDisplay.y() + 10, 1, 96), QColor("#1d252f"));
    p.fillRect(QRectF(kDisplay.x() + 10, kDisplay.y() + 108, kDisplay.width() - 20, 1),
               QColor("#1d252f"));
    // The pan/tilt pad.
    const bool off = look == Look::Off;
    fillRound(p, QRectF(kPad), 10, vertical(QRectF(kPad), QColor("#1d232b"), QColor("#171c22")),
              QColor("#2a323c"));
    drawLabel(p, QRectF(kPad.x(), kPad.y() + 10, kPad.width(), 16), QStringLiteral("PAN / TILT"),
              10, true, off ? QColor("#3a424c") : kMuted);
    // A thin ring joins the four arrows.
    p.save();
    p.setPen(QPen(off ? QColor("#20262d") : QColor("#262e38"), 10));
    p.setBrush(Qt::NoBrush);
    const QPointF centre(kPad.x() + kPad.width() / 2.0, kPad.y() + 62 + 82);
    p.drawEllipse(centre, 56, 56);
    p.restore();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, W - 1, H - 1));
}

void drawLed(QPainter& p, const QRect& r, int kind, bool on)
{
    static const QColor lit[] = {QColor("#ff4d4f"), QColor("#ffb020"), QColor("#3ddc6a")};
    static const QColor dark[] = {QColor("#3a1c1e"), QColor("#3a2c12"), QColor("#143220")};
    const QPointF c = QRectF(r).center();
    if (on) {
        QRadialGradient glow(c, 6);
        QColor g = lit[kind];
        g.setAlpha(110);
        glow.setColorAt(0.55, g);
        g.setAlpha(0);
        glow.setColorAt(1, g);
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, 6, 6);
        QRadialGradient body(c - QPointF(1.2, 1.2), 5);
        body.setColorAt(0, lit[kind].lighter(150));
        body.setColorAt(1, lit[kind]);
        p.setBrush(body);
        p.drawEllipse(c, 4.2, 4.2);
        p.restore();
    } else {
        p.save();
        p.setPen(QPen(QColor("#0b0e11"), 1));
        p.setBrush(dark[kind]);
        p.drawEllipse(c, 4.2, 4.2);
        p.restore();
    }
}

void drawButton(QPainter& p, const Button& b, Look look)
{
    const QRectF r(b.rect);
    const bool close = b.name == QLatin1String("Close");
    QColor fg = kLabel;
    if (b.style == Style::Caption) {
        QColor ic = kIcon;
        if (look == Look::Over || look == Look::Down) {
            fillRound(p, r.adjusted(1, 1, -1, -1), 5,
                      close ? (look == Look::Down ? QColor("#b3342f") : kDanger)
                            : (look == Look::Down ? kAccent : QColor("#323c48")));
            ic = Qt::white;
        } else if (look == Look::Gray || look == Look::Off) {
            ic = kIconDim;
        }
        drawIcon(p, b.icon, centred(r, 14), ic);
        return;
    }
    const qreal radius = b.style == Style::Pad ? 12 : 7;
    switch (look) {
    case Look::Main:
    case Look::NoAudio:
    case Look::Back:
        fillRound(p, r, radius, vertical(r, QColor("#2a313b"), QColor("#222830")),
                  QColor("#353e4a"));
        break;
    case Look::Over:
        if (b.style == Style::Slot)  // the current slot: an accent ring
            fillRound(p, r, radius, vertical(r, QColor("#263447"), QColor("#1f2a3a")), kAccentLight,
                      1.6);
        else
            fillRound(p, r, radius, vertical(r, QColor("#354050"), QColor("#2b3441")),
                      QColor("#4d5d70"));
        fg = Qt::white;
        break;
    case Look::Down:
        if (b.style == Style::Record)
            fillRound(p, r, radius, vertical(r, kRecordLight, kRecord), QColor("#f08a8c"));
        else
            fillRound(p, r, radius, vertical(r, kAccentLight, kAccent), QColor("#7fabf3"));
        fg = Qt::white;
        break;
    case Look::Gray:
        fillRound(p, r, radius, QColor("#1c2127"), QColor("#262d36"));
        fg = QColor("#4f5965");
        break;
    case Look::Off:
        fillRound(p, r, radius, QColor("#181c21"), QColor("#20262d"));
        fg = QColor("#343b44");
        break;
    }
    QColor iconColour = fg;
    if (b.style == Style::Record && (look == Look::Main || look == Look::Over)
        && b.icon == Icon::Record)
        iconColour = kRecordLight;
    switch (b.style) {
    case Style::Slot:
        drawLabel(p, r, b.label, 12, true, look == Look::Main ? QColor("#cdd5de") : fg);
        break;
    case Style::Command:
    case Style::Record:
        drawIcon(p, b.icon, QRectF(r.center().x() - 8, r.top() + 4, 16, 16), iconColour);
        drawLabel(p, QRectF(r.left(), r.top() + 21, r.width(), 12), b.label, 10, false, fg);
        break;
    case Style::Wide:
        drawIcon(p, b.icon, QRectF(r.left() + 14, r.center().y() - 8, 16, 16), fg);
        drawLabel(p, r.adjusted(38, 0, 0, 0), b.label, 11, true, fg,
                  Qt::AlignLeft | Qt::AlignVCenter);
        break;
    case Style::Group:  // the caption is a text element drawn over the lower part
        drawIcon(p, b.icon, QRectF(r.center().x() - 8, r.top() + 3, 16, 16), fg);
        break;
    case Style::Pad:
        drawIcon(p, b.icon, centred(r, 24), fg);
        break;
    case Style::Caption:
        break;
    }
}

void drawSheet(QPainter& p, Look look)
{
    drawBack(p, look);
    for (const Button& b : buttons()) {
        // Only the pan/tilt group has a disabled look; other elements keep their normal one.
        Look l = look;
        if (look == Look::Off && b.style != Style::Pad)
            l = Look::Main;
        drawButton(p, b, l);
    }
    for (int s = 1; s <= 4; ++s)
        for (int k = 1; k <= 3; ++k)
            drawLed(p, ledRect(s, k), k - 1, look == Look::Down);
}

bool write(const QString& lang)
{
    const QString folder = lang + QStringLiteral("/panel");
    QDir().mkpath(folder);
    const std::pair<const char*, Look> sheets[] = {{"Main", Look::Main},
                                                   {"Over", Look::Over},
                                                   {"Down", Look::Down},
                                                   {"Gray", Look::Gray},
                                                   {"Off", Look::Off}};
    for (const auto& [name, look] : sheets)
        if (!writeSvg(folder + QStringLiteral("/%1.svg").arg(QLatin1String(name)), QSize(W, H),
                      [look = look](QPainter& p) { drawSheet(p, look); }))
            return false;

    SkinText skn(
        kGenerated
        + QStringLiteral("# The control panel's skin: the display with the slot number, five\n"
                         "# information lines and the clock; the four slot buttons with their\n"
                         "# LEDs (recording, motion, connected); the command buttons; the\n"
                         "# pan/tilt pad; the camera set-up group.\n"));
    skn.section(QStringLiteral("Skin"),
                {QStringLiteral("Name = Panel"), QStringLiteral("Size = %1 %2").arg(W).arg(H),
                 QStringLiteral("Background = panel/Main.svg"), QStringLiteral("BgColor = #14181d"),
                 QStringLiteral("Font = DejaVu Sans, 9"), QStringLiteral("Color = #c9d1d9")});
    // Row 40 first, so that the pad's buttons lie above it.
    skn.element(QStringLiteral("PT-Pad"), QStringLiteral("picture"), kPad, QString(),
                {QStringLiteral("Picture = panel/Main.svg")});
    for (const Button& b : buttons()) {
        QStringList more{QStringLiteral("Picture = panel/Main.svg")};
        if (b.name == QLatin1String("Min"))
            more << QStringLiteral("Action = minimize");
        else if (b.name == QLatin1String("Close"))
            more << QStringLiteral("Action = close");
        skn.element(b.name, QStringLiteral("button"), b.rect, QString(), more);
    }
    for (int s = 1; s <= 4; ++s)
        for (int k = 1; k <= 3; ++k)
            skn.element(QStringLiteral("Led%1-%2").arg(s).arg(k), QStringLiteral("picture"),
                        ledRect(s, k), QString(), {QStringLiteral("Picture = panel/Main.svg")});
    const QRect d = kDisplay;
    skn.element(QStringLiteral("LineID"), QStringLiteral("text"),
                QRect(d.x() + 4, d.y() + 8, 74, 98), QString(),
                {QStringLiteral("Font = DejaVu Sans, 36, italic"),
                 QStringLiteral("Color = #58a6ff"), QStringLiteral("Align = center")});
    for (int k = 0; k < 5; ++k)
        skn.element(QStringLiteral("Line%1").arg(k + 1), QStringLiteral("text"),
                    QRect(d.x() + 90, d.y() + 10 + 19 * k, 202, 19), QString(),
                    {QStringLiteral("Color = %1")
                         .arg(k == 0 ? QStringLiteral("#f0f4f8") : QStringLiteral("#aab6c2")),
                     QStringLiteral("Elide = right")});
    skn.element(QStringLiteral("Time"), QStringLiteral("text"),
                QRect(d.x() + 10, d.y() + 112, d.width() - 20, 18), QString(),
                {QStringLiteral("Font = DejaVu Sans, 8"), QStringLiteral("Color = #7d8a97"),
                 QStringLiteral("Align = right")});
    const char* captions[][2] = {
        {"WebText", "Web"}, {"MotionText", "Alarm"}, {"UpdateText", "Update"}};
    for (int k = 0; k < 3; ++k)
        skn.element(QLatin1String(captions[k][0]), QStringLiteral("text"),
                    QRect(324 + 64 * k, 351, 56, 14), QString(),
                    {QStringLiteral("Text = ") + QLatin1String(captions[k][1]),
                     QStringLiteral("Font = DejaVu Sans, 7.5"), QStringLiteral("Align = center"),
                     QStringLiteral("Color = #c9d1d9"), QStringLiteral("Mouse = no")});
    return skn.save(lang + QStringLiteral("/english_1.skn"));
}

}  // namespace panel

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skinart <resources/lang folder>\n");
        return 2;
    }
    const QString lang = QString::fromLocal8Bit(argv[1]);
    if (!view::write(lang) || !panel::write(lang))
        return 1;
    std::printf("skins written to %s\n", qPrintable(lang));
    return 0;
}
