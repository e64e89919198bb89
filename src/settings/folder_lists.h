// The drive, folder and file lists of the folder picker and the recording
// picker.
//
// - DriveList: the mounted file systems (CAPIDisks, in mount order) and the
//   user's home folder; a "drive" is the folder the list opens when it is
//   chosen.
// - FolderList: the open folder's sub-folders (and ".." above them, except at
//   the root). A click only highlights a folder; a double click or Enter opens
//   it. The open folder is the list's Path().
// - FileList: the recordings (".avi" in any letter case) of a folder.
//
// Nothing here throws or shows a message: a folder that cannot be opened
// leaves the list where it was and SetPath returns false.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QString>

class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);
    // The chosen drive's folder.
    QString Drive() const;
    // Chooses the drive that holds `path` (the longest matching root) without
    // raising Change.
    void SelectFor(const QString& path);
    // Reads the mounted file systems again.
    void Refresh();

signals:
    // The operator chose a drive.
    void Change();
};

class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);
    QString Path() const { return m_path; }
    // Opens an existing, readable folder; false (and no change) otherwise.
    bool SetPath(const QString& path);
    // Lists the open folder again (after a folder was made in it).
    void Refresh();
    // The folder an item stands for ("" for none).
    static QString ItemPath(const QListWidgetItem* item);

signals:
    // The open folder changed.
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Fill();
    QString m_path;
};

class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    QString Path() const { return m_path; }
    // Lists the recordings of an existing folder; false (and no change) otherwise.
    bool SetPath(const QString& folder);
    // True for a recording's file name (".avi" in any letter case).
    static bool IsRecording(const QString& fileName);

private:
    QString m_path;
};

// `folder` joined with `name` by one separator ("/" + "a" is "/a").
QString JoinPath(const QString& folder, const QString& name);
