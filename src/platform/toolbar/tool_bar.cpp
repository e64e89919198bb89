#include "platform/toolbar/tool_bar.h"

#include "platform/skin/layout_text.h"
#include "platform/skin/skin_report.h"

#include <QActionGroup>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QWidget>

namespace {
// Layouts larger than these are refused as broken.
constexpr int kMaxTools = 500;
constexpr int kMaxMenuDepth = 8;
}  // namespace

Tool::Tool(const QString& id, QObject* parent) : QAction(parent) { setObjectName(id); }

ActiveToolBar::ActiveToolBar(QWidget* owner) : QObject(owner), owner_(owner) {}

ActiveToolBar::~ActiveToolBar()
{
    // Menus have no parent (they are top-level popups); delete them here.
    for (QMenu* m : std::as_const(menus_))
        delete m;
}

void ActiveToolBar::clear()
{
    for (QMenu* m : std::as_const(menus_))
        delete m;
    menus_.clear();
    popups_.clear();
    for (Tool* t : tools_)
        delete t;
    tools_.clear();
    for (QActionGroup* g : std::as_const(groups_))
        delete g;
    groups_.clear();
}

Tool* ActiveToolBar::addTool(const QString& id, const QString& caption, const QString& group,
                             bool checkable, bool checked)
{
    if (Tool* old = Tools(id)) {
        old->setText(caption);
        return old;
    }
    auto* tool = new Tool(id, this);
    tool->setText(caption);
    if (!group.isEmpty()) {
        QActionGroup*& g = groups_[group];
        if (!g) {
            g = new QActionGroup(this);
            g->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
        }
        checkable = true;
        g->addAction(tool);
    }
    tool->setCheckable(checkable);
    tool->setChecked(checkable && checked);
    connect(tool, &QAction::triggered, this, [this, tool] { emit ToolClick(tool); });
    tools_.push_back(tool);
    return tool;
}

void ActiveToolBar::addPopup(const QString& id, const QString& caption, const QStringList& entries)
{
    if (QMenu* old = menus_.take(id))
        delete old;
    popups_.insert(id, Popup{caption, entries});
}

Tool* ActiveToolBar::Tools(const QString& id) const
{
    for (Tool* t : tools_)
        if (t->ID() == id)
            return t;
    return nullptr;
}

QStringList ActiveToolBar::toolIds() const
{
    QStringList ids;
    for (const Tool* t : tools_)
        ids << t->ID();
    return ids;
}

bool ActiveToolBar::LoadLayout(const QString& path)
{
    clear();
    const QFileInfo info(path);
    const QString found = FindFileNoCase(info.absolutePath(), info.fileName());
    QString error;
    const auto text = ReadLayoutFile(found.isEmpty() ? path : found, &error);
    if (!text) {
        error_ = error;
        SkinReport(QStringLiteral("toolbar layout not loaded: %1").arg(error));
        return false;
    }
    error_.clear();
    QStringList warnings = text->warnings;
    static const QRegularExpression sep(QStringLiteral("[\\s,]+"));
    for (const LayoutSection& s : text->sections) {
        if (s.name.isEmpty()) {
            warnings << QStringLiteral("line %1: section without an ID").arg(s.line);
            continue;
        }
        const LayoutEntry* caption = s.find(QStringLiteral("caption"));
        const QString captionText = caption ? caption->value : s.name;
        if (s.kind == QLatin1String("tool")) {
            if (int(tools_.size()) >= kMaxTools) {
                clear();
                error_ = QStringLiteral("%1: more than %2 tools").arg(path).arg(kMaxTools);
                SkinReport(error_);
                return false;
            }
            const LayoutEntry* group = s.find(QStringLiteral("group"));
            const LayoutEntry* checkable = s.find(QStringLiteral("checkable"));
            const LayoutEntry* checked = s.find(QStringLiteral("checked"));
            auto flag = [&](const LayoutEntry* e) {
                if (!e)
                    return false;
                const auto v = ParseFlagValue(e->value);
                if (!v)
                    warnings << QStringLiteral("line %1: '%2' is not yes or no")
                                    .arg(e->line)
                                    .arg(e->value);
                return v.value_or(false);
            };
            addTool(s.name, captionText, group ? group->value : QString(), flag(checkable),
                    flag(checked));
            for (const LayoutEntry& e : s.entries)
                if (e.key != QLatin1String("caption") && e.key != QLatin1String("group")
                    && e.key != QLatin1String("checkable") && e.key != QLatin1String("checked"))
                    warnings << QStringLiteral("line %1: unknown key '%2'").arg(e.line).arg(e.key);
        } else if (s.kind == QLatin1String("popup")) {
            const LayoutEntry* entries = s.find(QStringLiteral("tools"));
            addPopup(s.name, captionText,
                     entries ? entries->value.split(sep, Qt::SkipEmptyParts) : QStringList());
        } else {
            warnings << QStringLiteral("line %1: unknown section '%2'").arg(s.line).arg(s.kind);
        }
    }
    for (auto it = popups_.cbegin(); it != popups_.cend(); ++it)
        for (const QString& e : it->entries)
            if (e != QLatin1String("-") && !Tools(e) && !popups_.contains(e))
                warnings << QStringLiteral("popup %1: no tool or popup named %2").arg(it.key(), e);
    for (const QString& w : warnings)
        SkinReport(QStringLiteral("%1: %2").arg(path, w));
    return true;
}

QMenu* ActiveToolBar::buildMenu(const QString& id, QStringList& path, QWidget* parent)
{
    auto it = popups_.constFind(id);
    if (it == popups_.constEnd() || path.contains(id) || path.size() >= kMaxMenuDepth)
        return nullptr;
    path << id;
    auto* menu = new QMenu(parent);
    menu->setTitle(it->caption);
    menu->setFont(font_);
    for (const QString& e : it->entries) {
        if (e == QLatin1String("-"))
            menu->addSeparator();
        else if (Tool* t = Tools(e))
            menu->addAction(t);
        else if (QMenu* sub = buildMenu(e, path, menu))
            menu->addMenu(sub);
    }
    path.removeLast();
    return menu;
}

QMenu* ActiveToolBar::menu(const QString& id)
{
    if (QMenu* m = menus_.value(id))
        return m;
    // Top-level menus have no parent widget; this object deletes them.
    QStringList path;
    QMenu* m = buildMenu(id, path, nullptr);
    if (m)
        menus_.insert(id, m);
    return m;
}

void ActiveToolBar::PopupMenu(const QString& id)
{
    QMenu* m = menu(id);
    if (!m) {
        SkinReport(QStringLiteral("toolbar: no popup menu named \"%1\"").arg(id));
        return;
    }
    m->popup(QCursor::pos());
}

void ActiveToolBar::setFont(const QFont& font)
{
    font_ = font;
    for (QMenu* m : std::as_const(menus_))
        m->setFont(font);
}
