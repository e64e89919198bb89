// Recording of a camera's JPEG pictures into .AVI files.
//
// The pictures are stored as they came from the camera (motion JPEG, no
// re-encoding). The file's frame rate is the camera's own, measured from the
// pictures' timestamps; every picture is placed at its real time, and a gap in
// the stream is kept as a gap (empty frames) so the file plays for as long as
// the recording lasted.
//
// An AviRecorder writes on a thread of its own:
// - Start() begins a recording in a folder, or, after a split, goes on in a
//   new file (in the folder named now). It returns at once.
// - Push() hands over every picture the camera sends, from any thread. It is
//   cheap and never blocks on the disk; pictures are dropped (and counted)
//   only if the disk falls several seconds behind.
// - Stop() ends the recording; the file is complete when it returns.
// - A file is closed at the split size or time; the recorder then reports
//   the split and keeps the pictures that arrive until the next Start() (which
//   writes them first, so no picture is lost at a split) or Stop().
// - It never writes into the reserve of free space: when the next picture
//   would go below it, the file is closed and the recording ends with
//   RecordFailed. Write errors, a removed file or folder and a folder that
//   cannot be written end it the same way; nothing is thrown.
// - Every picture is handed to the operating system as soon as it is written,
//   so a file whose program was killed keeps every complete picture. Such a
//   file lacks its index; RepairUnfinishedAvis() rebuilds it (the recorder
//   does so for its folder before it opens its first file there).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Reads a JPEG's picture size from its frame header, without decoding.
bool JpegFrameSize(const QByteArray& jpeg, int& width, int& height);

// Space available to the user on the file system that holds `path`, in bytes;
// -1 when it cannot be told (the path does not exist, for instance).
qint64 SystemFreeSpace(const QString& path);
using FreeSpaceFn = std::function<qint64(const QString& path)>;

// True when `folder` exists and its file system has more than `reserveBytes` free.
bool StorageHasRoom(const QString& folder, qint64 reserveBytes, const FreeSpaceFn& freeSpace);

struct RecordSettings {
    QString folder;
    int splitMode = 0;                       // 0 by size, 1 by time
    qint64 splitBytes = 10LL * 1024 * 1024;  // size split; 0 = none
    qint64 splitMs = 10LL * 60 * 1000;       // time split, in camera time; 0 = none
    qint64 reserveBytes = 0;                 // free space never written into
};

class AviRecorder {
public:
    // Codes reported through the event callback (the image server's Notify numbers).
    static constexpr int kFailed = 11;
    static constexpr int kSplitSize = 12;
    static constexpr int kSplitTime = 14;

    // `onEvent` runs on the recorder's thread. `freeSpace` defaults to SystemFreeSpace.
    explicit AviRecorder(std::function<void(int code)> onEvent, FreeSpaceFn freeSpace = {});
    ~AviRecorder();
    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    void Start(const RecordSettings& settings);
    // Ends the recording and finalises the file. Waits at most `timeoutMs`
    // (the disk might hang); returns false when the file was not final by then.
    bool Stop(int timeoutMs = 10000);
    // A picture and its time (microseconds on any steady clock: the camera's
    // capture time, or the time it was received).
    void Push(const QByteArray& jpeg, qint64 timeUs);

    // True from Start() until Stop() or a failure (also while waiting after a split).
    bool Active() const;

    struct Stats {
        quint64 framesWritten = 0;  // pictures in closed and open files
        // pictures left out: the disk fell behind, or they came faster than the file's rate
        quint64 framesDropped = 0;
        quint64 filesClosed = 0;
        qint64 bytesWritten = 0;
    };
    Stats GetStats() const;
    // Why the last recording failed ("" when it did not).
    QString LastError() const;
    // The file being written, "" when none.
    QString CurrentFile() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// True for an .AVI file whose writer never finished it (its program was killed).
bool IsUnfinishedAvi(const QString& path);
// Rewrites an unfinished file with every complete picture it holds, in place
// (through a temporary file and a rename). False, with a reason, when it cannot.
bool RepairAvi(const QString& path, QString* error = nullptr);
// Repairs every unfinished .AVI in `folder` that no recorder of this program
// is writing. Returns how many were repaired.
int RepairUnfinishedAvis(const QString& folder);
