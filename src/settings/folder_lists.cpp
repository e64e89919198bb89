#include "settings/folder_lists.h"

#include "foundation/drives.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

namespace {

// An existing, readable folder as an absolute, clean path; "" otherwise.
QString OpenableFolder(const QString& path)
{
    if (path.trimmed().isEmpty())
        return {};
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return {};
    return QDir::cleanPath(info.absoluteFilePath());
}

bool IsUnder(const QString& path, const QString& root)
{
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

}  // namespace

QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// ---------------------------------------------------------------- drives

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    Refresh();
    connect(this, &QComboBox::activated, this, [this] { emit Change(); });
}

void DriveList::Refresh()
{
    const QSignalBlocker quiet(this);
    clear();
    const CAPIDisks disks;
    const int count = disks.GetDriveCount();
    for (int n = 0; n < count; ++n) {
        const QString root = disks.LogicalDrives(n);
        if (root.isEmpty() || findData(root) >= 0)
            continue;
        const QString label = disks.DriveLabel(n);
        addItem(label.isEmpty() ? root : QStringLiteral("%1  [%2]").arg(root, label), root);
    }
    const QString home = QDir::cleanPath(QDir::homePath());
    if (findData(home) < 0)
        addItem(home, home);
}

QString DriveList::Drive() const { return currentData().toString(); }

void DriveList::SelectFor(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (IsUnder(clean, root) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0) {
        const QSignalBlocker quiet(this);
        setCurrentIndex(best);
    }
}

// ---------------------------------------------------------------- folders

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { SetPath(ItemPath(item)); });
}

QString FolderList::ItemPath(const QListWidgetItem* item)
{
    return item ? item->data(Qt::UserRole).toString() : QString();
}

bool FolderList::SetPath(const QString& path)
{
    const QString folder = OpenableFolder(path);
    if (folder.isEmpty())
        return false;
    const bool changed = folder != m_path;
    m_path = folder;
    Fill();
    if (changed)
        emit Change();
    return true;
}

void FolderList::Refresh()
{
    if (!m_path.isEmpty())
        Fill();
}

void FolderList::Fill()
{
    clear();
    const QDir dir(m_path);
    if (!dir.isRoot()) {
        auto* up = new QListWidgetItem(QStringLiteral(".."), this);
        up->setData(Qt::UserRole, QDir::cleanPath(m_path + QStringLiteral("/..")));
    }
    const QStringList names =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, this);
        item->setData(Qt::UserRole, JoinPath(m_path, name));
    }
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        SetPath(ItemPath(currentItem()));
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------- files

FileList::FileList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

bool FileList::IsRecording(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".avi"), Qt::CaseInsensitive);
}

bool FileList::SetPath(const QString& folder)
{
    const QString path = OpenableFolder(folder);
    if (path.isEmpty())
        return false;
    m_path = path;
    clear();
    const QStringList names = QDir(path).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        if (IsRecording(name))
            addItem(name);
    return true;
}
