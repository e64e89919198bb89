// Recording of a protocol-3 camera's H.264 pictures into .AVI files, written
// by libavformat without decoding or re-encoding, each with a .SUB companion
// (SubViewer text) that shows the wall-clock time of the pictures.
//
// - Files are named by the UTC time they were opened, like the image
//   server's recordings: `20261210-143012-517Z.AVI` and `...Z.SUB`. No file is
//   ever overwritten.
// - A file starts with a key frame. The recorder always keeps the stream since
//   its last key frame (bounded), so a recording starts at once with the
//   picture group in progress, and the next file of a split takes over exactly
//   where the last one ended.
// - Split by size: once a file holds the split size, it is closed just before
//   the next key frame (so it may pass the size by up to one picture group;
//   at a quarter over the size it is closed at once), and the split is
//   reported. The pictures that follow are kept until Start() opens the next
//   file.
// - A change of picture size closes the file and goes on in a new one.
// - A write error (disk full, folder gone) closes the file, which stays
//   playable up to its last whole picture, and reports a failure.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class H264Recorder {
public:
    enum class Event { Split, Failed };
    static constexpr qint64 kMaxGroupBytes = 32 * 1024 * 1024;

    // `onEvent` runs on the thread that calls Push().
    explicit H264Recorder(std::function<void(Event)> onEvent);
    ~H264Recorder();
    H264Recorder(const H264Recorder&) = delete;
    H264Recorder& operator=(const H264Recorder&) = delete;

    // Begins a recording (or, after a split, the next file) in `folder`.
    void Start(const QString& folder, qint64 splitBytes);
    // Ends the recording; the files are complete when it returns.
    void Stop();
    bool Active() const;

    // One compressed picture: its bytes (Annex B), whether it is a key frame,
    // its presentation time in microseconds, the picture size, and the
    // wall-clock time it was taken (microseconds since the epoch).
    void Push(const uint8_t* data, int size, bool key, qint64 ptsUs, int width, int height,
              qint64 wallUs);

    struct Stats {
        quint64 framesWritten = 0;
        quint64 filesClosed = 0;
    };
    Stats GetStats() const;
    QString CurrentFile() const;
    QString LastError() const;

    // True when an H.264 access unit holds an IDR slice.
    static bool HasIdr(const uint8_t* data, int size);

private:
    struct Impl;
    std::unique_ptr<Impl> m_d;
};
