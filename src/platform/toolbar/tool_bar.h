// The toolbar control: a set of tools (menu entries) and popup menus read
// from a layout file ("lang/<tag>.atb", format in docs/toolbar-format.md).
// It shows a popup menu by its ID at the pointer and reports the chosen tool
// with ToolClick. Tools can be checked; the tools of one group are exclusive.
#pragma once

#include <QAction>
#include <QFont>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <vector>

class QActionGroup;
class QMenu;
class QWidget;

// One tool. ID is its key; State is 1 while it is checked, else 0.
class Tool : public QAction {
    Q_OBJECT
public:
    Tool(const QString& id, QObject* parent);
    QString ID() const { return objectName(); }
    int State() const { return isChecked() ? 1 : 0; }
    void setState(int state) { setChecked(state != 0); }
    void setCaption(const QString& caption) { setText(caption); }
};

class ActiveToolBar : public QObject {
    Q_OBJECT
public:
    explicit ActiveToolBar(QWidget* owner);
    ~ActiveToolBar() override;

    // Replaces all tools and menus with those of the file. On failure the
    // toolbar is left empty, the problem is reported and false returned.
    bool LoadLayout(const QString& path);
    QString errorString() const { return error_; }

    // Building in code (also what LoadLayout uses).
    Tool* addTool(const QString& id, const QString& caption, const QString& group = {},
                  bool checkable = false, bool checked = false);
    // Entries are tool IDs, other popup IDs (sub-menus) or "-" (a separator).
    void addPopup(const QString& id, const QString& caption, const QStringList& entries);
    void clear();

    // The tool of that ID, or nullptr.
    Tool* Tools(const QString& id) const;
    QStringList toolIds() const;
    bool hasPopup(const QString& id) const { return popups_.contains(id); }
    // The popup's menu (built on first use), or nullptr for an unknown ID.
    QMenu* menu(const QString& id);

    // Shows the popup menu at the pointer; returns at once. Unknown IDs are
    // reported and ignored.
    void PopupMenu(const QString& id);

    void setFont(const QFont& font);
    QFont font() const { return font_; }

signals:
    void ToolClick(Tool* tool);

private:
    struct Popup {
        QString caption;
        QStringList entries;
    };
    QMenu* buildMenu(const QString& id, QStringList& path, QWidget* parent);

    QPointer<QWidget> owner_;
    std::vector<Tool*> tools_;  // owned by this object (QObject children)
    QHash<QString, QActionGroup*> groups_;
    QHash<QString, Popup> popups_;
    QHash<QString, QMenu*> menus_;
    QFont font_;
    QString error_;
};
