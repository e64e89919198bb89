// Small shared operations used by every window: keeping a window on top,
// whole-text pattern tests, opening a file with its program or the player,
// restarting a camera stream, the text conversions applied to what cameras
// report and web pages post, and 16/32-bit bit arithmetic.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <functional>

class QWidget;

// Keeps the window above all others (on) or lets it fall back to normal
// stacking. A visible window stays visible.
void SetTopMost(QWidget* window, bool on);

// True when the engine's first match of pattern in text is the whole text
// (case-sensitive). A pattern the engine rejects, or a search it gives up,
// gives False.
bool IsPatternMatch(const QString& text, const QString& pattern);

// Opens a file with the program the desktop associates with its type.
// Missing file, missing association and failed start are each reported
// with their own language text; a missing file's path follows on a second line.
void OpenWithAssociatedApp(const QString& path);
// Opens a file with the configured player program (gPlayerPath).
void RunPlayer(const QString& path);

// The three members of a camera object that RestartCam uses. The foundation
// does not know the camera class: any object with stop(), isRunning() and
// start() converts to this (a null pointer gives an empty control).
struct RestartableStream {
    std::function<void()> stop;
    std::function<bool()> isRunning;
    std::function<void()> start;

    RestartableStream() = default;
    RestartableStream(std::nullptr_t) {}
    template <class Camera> RestartableStream(Camera* camera)
    {
        if (!camera)
            return;
        stop = [camera] { camera->stop(); };
        isRunning = [camera] { return camera->isRunning(); };
        start = [camera] { camera->start(); };
    }
    explicit operator bool() const { return stop && isRunning && start; }
};

// Whoever owns the camera objects (the engine) and the LEDs (the panel)
// installs these; either may be left empty.
struct RestartCamLinks {
    std::function<RestartableStream(int cam)> camera;  // the camera object of slot 1..4
    std::function<void(int led, bool on)> ledControl;  // the panel's LED control
};
void SetRestartCamLinks(RestartCamLinks links);

// The longest RestartCam waits for a camera to report that it stopped.
inline constexpr int kRestartPollMs = 200;
inline constexpr int kRestartMaxPolls = 50;

// Stops and restarts the stream of an enabled protocol-0 camera slot (1..4);
// does nothing for other slots. Throws std::out_of_range for a slot number
// outside 1..4.
void RestartCam(int cam);

// The authentication text of a viewer connection: four draws in [0, 1)
// times 10000, rounded half to even, joined, at most 16 characters.
QString MakeNonce(const std::function<double()>& draw);

// "0.16.32.10.11.255" -> "00 10 20 0A 0B FF". Text that does not read as
// dotted decimal numbers is returned unchanged.
QString FormatMacAddress(const QString& text);
// Decodes decimal character references of four or five digits ("&#20013;").
QString DecodeHtmlEntities(const QString& text);
// A text a camera reports (its name), as it may be shown: character references
// decoded, then control characters (C0, DEL, C1, line and paragraph
// separators) removed, so that "x&#0013;&#0010;y" reads "xy".
QString CleanCameraText(const QString& text);
// Form encoding as the cameras expect it.
QString URLEncode(const QString& text);
// Form decoding, followed by DecodeHtmlEntities.
QString URLDecode(const QString& text);
// One character in the form URLEncode writes for characters it keeps or
// that lie outside ASCII: ASCII as itself, others as %XX of their UTF-8 bytes.
QString CharToPercentHex(char32_t codePoint);

// Removes \ / : * ? " < > | and control characters from a text (file and
// folder names made from what a camera reports).
QString StripFileChars(const QString& text);

// 16-bit and 32-bit bit arithmetic with wrap-around.
qint16 Shli(qint16 value, quint8 bit);
qint16 LongToInt(qint32 value);
qint32 Shll(qint32 value, quint8 bit);
qint32 dblToLong(double value);
void BitSetInteger(qint16& value, quint8 bit);
void BitClearInteger(qint16& value, quint8 bit);
bool BitTestInteger(qint16 value, quint8 bit);
bool BitTestLong(qint32 value, quint8 bit);
