#include "platform/skin/skin_definition.h"

#include "platform/skin/layout_text.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Element count above which a file is refused as broken.
constexpr size_t kMaxElements = 2000;

QStringList words(const QString& text)
{
    static const QRegularExpression sep(QStringLiteral("[\\s,|]+"));
    return text.toLower().split(sep, Qt::SkipEmptyParts);
}

std::optional<Qt::Edges> parseAnchors(const QString& text)
{
    Qt::Edges edges;
    for (const QString& w : words(text)) {
        if (w == QLatin1String("left"))
            edges |= Qt::LeftEdge;
        else if (w == QLatin1String("right"))
            edges |= Qt::RightEdge;
        else if (w == QLatin1String("top"))
            edges |= Qt::TopEdge;
        else if (w == QLatin1String("bottom"))
            edges |= Qt::BottomEdge;
        else if (w == QLatin1String("all"))
            edges |= Qt::LeftEdge | Qt::RightEdge | Qt::TopEdge | Qt::BottomEdge;
        else
            return std::nullopt;
    }
    if (!(edges & (Qt::LeftEdge | Qt::RightEdge)))
        edges |= Qt::LeftEdge;
    if (!(edges & (Qt::TopEdge | Qt::BottomEdge)))
        edges |= Qt::TopEdge;
    return edges;
}

std::optional<Qt::Alignment> parseAlign(const QString& text)
{
    Qt::Alignment h = Qt::AlignLeft;
    Qt::Alignment v = Qt::AlignVCenter;
    for (const QString& w : words(text)) {
        if (w == QLatin1String("left"))
            h = Qt::AlignLeft;
        else if (w == QLatin1String("right"))
            h = Qt::AlignRight;
        else if (w == QLatin1String("hcenter") || w == QLatin1String("center"))
            h = Qt::AlignHCenter;
        else if (w == QLatin1String("top"))
            v = Qt::AlignTop;
        else if (w == QLatin1String("bottom"))
            v = Qt::AlignBottom;
        else if (w == QLatin1String("vcenter") || w == QLatin1String("middle"))
            v = Qt::AlignVCenter;
        else
            return std::nullopt;
    }
    return h | v;
}

std::optional<SkinElementKind> parseKind(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("picture"))
        return SkinElementKind::Picture;
    if (t == QLatin1String("button"))
        return SkinElementKind::Button;
    if (t == QLatin1String("text"))
        return SkinElementKind::Text;
    if (t == QLatin1String("frame"))
        return SkinElementKind::Frame;
    return std::nullopt;
}

std::optional<SkinAction> parseAction(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("none"))
        return SkinAction::None;
    if (t == QLatin1String("minimize") || t == QLatin1String("minimise"))
        return SkinAction::Minimize;
    if (t == QLatin1String("maximize") || t == QLatin1String("maximise"))
        return SkinAction::Maximize;
    if (t == QLatin1String("close"))
        return SkinAction::Close;
    if (t == QLatin1String("move"))
        return SkinAction::Move;
    return std::nullopt;
}

std::optional<Qt::TextElideMode> parseElide(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("none"))
        return Qt::ElideNone;
    if (t == QLatin1String("left"))
        return Qt::ElideLeft;
    if (t == QLatin1String("right"))
        return Qt::ElideRight;
    if (t == QLatin1String("middle"))
        return Qt::ElideMiddle;
    return std::nullopt;
}

class Reader {
public:
    explicit Reader(QStringList& warnings) : warnings_(warnings) {}

    template <typename T, typename F> void take(const LayoutEntry& e, F parse, T& target)
    {
        if (auto v = parse(e.value))
            target = *v;
        else
            bad(e);
    }
    void bad(const LayoutEntry& e)
    {
        warnings_ << QStringLiteral("line %1: value of '%2' not understood: %3")
                         .arg(e.line)
                         .arg(e.key, e.value);
    }
    void unknown(const LayoutEntry& e)
    {
        warnings_ << QStringLiteral("line %1: unknown key '%2'").arg(e.line).arg(e.key);
    }

private:
    QStringList& warnings_;
};

void readSkinSection(const LayoutSection& s, SkinDefinition& def, Reader& r)
{
    for (const LayoutEntry& e : s.entries) {
        const QString& k = e.key;
        if (k == QLatin1String("name")) {
            if (!e.value.isEmpty())
                def.name = e.value;
        } else if (k == QLatin1String("size")) {
            r.take(e, ParseSizeValue, def.size);
        } else if (k == QLatin1String("minsize")) {
            r.take(e, ParseSizeValue, def.minSize);
        } else if (k == QLatin1String("resizable")) {
            r.take(e, ParseFlagValue, def.resizable);
        } else if (k == QLatin1String("client")) {
            if (auto v = ParseRectValue(e.value))
                def.client = *v;
            else
                r.bad(e);
        } else if (k == QLatin1String("background")) {
            def.background = e.value;
        } else if (k == QLatin1String("backgroundslice")) {
            r.take(e, ParseMarginsValue, def.backgroundSlice);
        } else if (k == QLatin1String("bgcolor")) {
            r.take(e, ParseColorValue, def.bgColor);
        } else if (k == QLatin1String("font")) {
            r.take(e, ParseFontValue, def.font);
        } else if (k == QLatin1String("color")) {
            r.take(e, ParseColorValue, def.color);
        } else {
            r.unknown(e);
        }
    }
}

// Returns whether the element got a valid Rect.
bool readElementSection(const LayoutSection& s, SkinElementDef& el, Reader& r)
{
    bool explicitFlags = false;
    bool haveRect = false;
    for (const LayoutEntry& e : s.entries) {
        const QString& k = e.key;
        if (k == QLatin1String("kind")) {
            r.take(e, parseKind, el.kind);
        } else if (k == QLatin1String("rect")) {
            if (auto v = ParseRectValue(e.value)) {
                el.rect = *v;
                haveRect = true;
            } else {
                r.bad(e);
            }
        } else if (k == QLatin1String("anchor")) {
            r.take(e, parseAnchors, el.anchors);
        } else if (k == QLatin1String("picture")) {
            el.picture = e.value;
        } else if (k == QLatin1String("slice")) {
            r.take(e, ParseMarginsValue, el.slice);
        } else if (k == QLatin1String("text")) {
            el.text = e.value;
        } else if (k == QLatin1String("font")) {
            if (auto f = ParseFontValue(e.value))
                el.font = *f;
            else
                r.bad(e);
        } else if (k == QLatin1String("color")) {
            if (auto c = ParseColorValue(e.value))
                el.color = *c;
            else
                r.bad(e);
        } else if (k == QLatin1String("align")) {
            r.take(e, parseAlign, el.align);
        } else if (k == QLatin1String("elide")) {
            r.take(e, parseElide, el.elide);
        } else if (k == QLatin1String("badge")) {
            if (auto c = ParseColorValue(e.value))
                el.badge = *c;
            else
                r.bad(e);
        } else if (k == QLatin1String("padding")) {
            bool ok = false;
            const int v = e.value.toInt(&ok);
            if (ok && v >= 0 && v <= 100)
                el.padding = v;
            else
                r.bad(e);
        } else if (k == QLatin1String("tooltip")) {
            el.toolTip = e.value;
        } else if (k == QLatin1String("visible")) {
            r.take(e, ParseFlagValue, el.visible);
        } else if (k == QLatin1String("styleflags")) {
            bool ok = false;
            const int v = e.value.toInt(&ok);
            if (ok && v >= 0) {
                el.styleFlags = v;
                explicitFlags = true;
            } else {
                r.bad(e);
            }
        } else if (k == QLatin1String("action")) {
            r.take(e, parseAction, el.action);
        } else if (k == QLatin1String("mouse")) {
            r.take(e, ParseFlagValue, el.mouse);
        } else {
            r.unknown(e);
        }
    }
    if (!explicitFlags && el.kind == SkinElementKind::Button)
        el.styleFlags = 2 | kStyleInteractive;
    return haveRect;
}

}  // namespace

std::optional<SkinDefinition> ParseSkinDefinition(const QByteArray& data, const QString& folder,
                                                  QString* error)
{
    const LayoutText text = ParseLayoutText(data);
    SkinDefinition def;
    def.folder = folder;
    def.font = QFont(QStringLiteral("DejaVu Sans"));
    def.font.setPointSizeF(9);
    def.warnings = text.warnings;
    Reader r(def.warnings);
    bool haveSkin = false;
    for (const LayoutSection& s : text.sections) {
        if (s.kind == QLatin1String("skin")) {
            readSkinSection(s, def, r);
            haveSkin = true;
        } else if (s.kind == QLatin1String("element")) {
            if (s.name.isEmpty()) {
                def.warnings << QStringLiteral("line %1: element without a name").arg(s.line);
                continue;
            }
            if (def.elements.size() >= kMaxElements) {
                if (error)
                    *error = QStringLiteral("more than %1 elements").arg(kMaxElements);
                return std::nullopt;
            }
            SkinElementDef el;
            el.name = s.name;
            if (!readElementSection(s, el, r)) {
                def.warnings << QStringLiteral("line %1: element '%2' has no Rect and is left out")
                                    .arg(s.line)
                                    .arg(s.name);
                continue;
            }
            for (const SkinElementDef& other : def.elements)
                if (other.name == el.name)
                    def.warnings << QStringLiteral("line %1: element '%2' named twice; the first "
                                                   "one is found by name")
                                        .arg(s.line)
                                        .arg(s.name);
            def.elements.push_back(std::move(el));
        } else {
            def.warnings << QStringLiteral("line %1: unknown section '%2'").arg(s.line).arg(s.kind);
        }
    }
    if (!haveSkin) {
        if (error)
            *error = QStringLiteral("no [Skin] section");
        return std::nullopt;
    }
    if (!def.size.isValid()) {
        if (error)
            *error = QStringLiteral("[Skin] has no valid Size");
        return std::nullopt;
    }
    if (!def.minSize.isValid())
        def.minSize = def.size;
    return def;
}

std::optional<SkinDefinition> LoadSkinDefinition(const QString& path, QString* error)
{
    const QFileInfo info(path);
    const QString found = FindFileNoCase(info.absolutePath(), info.fileName());
    QString readError;
    const auto data = ReadLayoutBytes(found.isEmpty() ? path : found, &readError);
    if (!data) {
        if (error)
            *error = readError;
        return std::nullopt;
    }
    QString parseError;
    auto def = ParseSkinDefinition(*data, info.absolutePath(), &parseError);
    if (!def && error)
        *error = QStringLiteral("%1: %2").arg(path, parseError);
    return def;
}
