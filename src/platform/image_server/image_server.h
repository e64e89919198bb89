// The image server: one object per camera (the engine's four slots, and one
// hidden object per discovery or log-in dialog). It holds the connection,
// display, recording, motion and mail settings of one camera, runs the live
// stream and answers camera requests.
//
// Rules every implementation keeps:
// - Members are called on the GUI thread. Setters never fail, whatever the
//   state (an offline camera included). Connection and credential members take
//   effect at the next start or request, display members at once, recording
//   members at the next recording start or split, motion and mail members at
//   once. A getter returns exactly the last value put, unless noted.
// - Events are Qt signals, always delivered queued to the GUI thread, in order,
//   and never emitted from inside a member call: a handler never runs in the
//   middle of the caller's own step.
// - Synchronous requests (checkIP mode 0, loginTest, getConfigItem,
//   getImageCaps, getImageConfig, setImageConfig, saveSnapshot, probeStart,
//   probeAddress and the network requests) are bounded by requestTimeoutMs().
// - isRunning() is a plain read: it needs no event processing to change.
//
// The Notify codes and the wire protocol are described in
// docs/camera-protocol.md.
#pragma once

#include "platform/image_server/camera_codes.h"

#include <QObject>
#include <QString>
#include <memory>

class VideoSurface;

// The seven image settings of a camera, in the order the camera reports them.
struct ImageConfig {
    int resolution = 0;      // 0 160x120, 1 320x240, 2 640x480, 3 1280x720
    int compression = 0;     // 0 (best picture) .. 4 (smallest files)
    int frameRate = 0;       // frames per second, 1..30
    int brightness = 0;      // 0..128, 64 = unchanged
    int contrast = 0;        // 0..128, 64 = unchanged
    int hue = 0;             // 0..128, 64 = unchanged
    int lightFrequency = 0;  // 0 = 50 Hz, 1 = 60 Hz

    friend bool operator==(const ImageConfig&, const ImageConfig&) = default;
};

class ImageServer : public QObject {
    Q_OBJECT
public:
    // The control's member numbers, kept for call tracing and error reports.
    enum class Dispid : int {
        IPAddress = 1,
        Port = 2,
        CheckIP = 4,
        Start = 5,
        Stop = 6,
        RecordStart = 7,
        DisplayWidth = 9,
        DisplayHeight = 10,
        MacAddress = 12,
        RotateAngle = 13,
        IsRunning = 14,
        AlarmFlags = 15,
        Sensitivity = 16,
        SplitFileMode = 22,
        ServerMacAddress = 23,
        SelectServer = 24,
        LoginTest = 25,
        GetConfigItem = 26,
        RecordStop = 36,
        ReserveSpace = 38,
        SplitFileSize = 39,
        DisplayHWnd = 40,  // together with DisplayHDC: the display surface
        DisplayHDC = 41,
        Reserved42 = 42,
        Reserved43 = 43,
        UserName = 44,
        Password = 45,
        ServerName = 48,
        Reserved53 = 53,
        SetImageConfig = 56,
        GetImageCaps = 58,
        ServerModel = 63,
        FWVersion = 64,
        RecordPath = 67,
        KeepFilePath = 68,
        SplitFileTime = 69,
        SaveSnapshot = 70,
        Reserved71 = 71,
        SetMailServer = 73,
        IsBusy = 74,
        SnapshotFile = 75,
        StorageReady = 78,
        Protocol = 80,
        HWVersion = 81,
        ROMVersion = 82,
        EnableProxy = 83,
        ProxyServerPort = 84,
        ProxyServerAddress = 85,
        MailIntervalTime = 86,
        BypassProxyServer = 92,
        IsLocalCamera = 94,
        DisplayEnabled = 97,
        ServerProtocol = 98,
        GetImageConfig = 99,
        MailUserName = 101,
        MailPassword = 102,
        FrameRate = 106,
        FrameDelay = 107,
        PTControl = 116,
        SourceWidth = 120,
        SourceHeight = 121,
        ProbeStart = 131,
        ProbeInit = 139,
        ViewerParam2 = 140,
        ViewerParam1 = 141,
        OpenAudio = 145,
        SendMail = 152,
        StreamMode = 157,
        ApplyStreamMode = 158,
        Reserved163 = 163,
        // Members without a number of their own (discovery and set-up).
        SearchServer = 1001,
        ServerIPAddress,
        ServerLocation,
        ServerSubnetMask,
        ServerGateway,
        ServerCapability,
        ServerWebPort,
        ProbeResult,
        AuthText,
        GetConfig,
        SetNetwork,
        SetNetworkEx,
        ApplyNetwork,
        GetConfigWord,
        SetConfigWord,
        SaveConfig,
        AdminState,
        CheckAdmin,
        LoginContext,
        GetLoginContextText,
        UseLoginContext,
        Login,
        GetAdminAccount,
        ProbeAddress,
    };
    Q_ENUM(Dispid)

    // Pan/tilt command codes for ptControl.
    static constexpr int kPtUp = 1;
    static constexpr int kPtLeft = 3;
    static constexpr int kPtCentre = 4;
    static constexpr int kPtRight = 5;
    static constexpr int kPtDown = 7;
    static constexpr int kPtStop = 52;

    // -1 is "true/accepted/found" in the results below, 0 "false/failed".
    static constexpr int kTrue = -1;
    // adminState(): the camera has an administrator account (2) or none (3).
    static constexpr int kAdminSet = 2;
    static constexpr int kAdminNone = 3;
    // checkAdmin(): the pair is the administrator's (3), or it is not (2).
    static constexpr int kAdminNeeded = 2;
    static constexpr int kAdminAccepted = 3;
    // getConfigWord/setConfigWord: the network flag word (bits 1 and 10: DHCP).
    static constexpr int kNetworkFlagsWord = 2;

    using QObject::QObject;
    ~ImageServer() override = default;

    // --- Connection (used at the next start or request) ---
    virtual void setIPAddress(const QString& address) = 0;
    virtual QString ipAddress() const = 0;  // last put, or the address a checkIP identified
    virtual void setPort(int port) = 0;
    virtual int port() const = 0;  // after an identify: the camera's port
    virtual void setUserName(const QString& name) = 0;
    virtual void setPassword(const QString& password) = 0;
    virtual void setAuthText(const QString& text) = 0;
    virtual void setProtocol(int protocol) = 0;  // 0..4
    virtual void setIsLocalCamera(bool local) = 0;
    virtual bool isLocalCamera() const = 0;
    virtual void setMacAddress(const QString& dottedDecimal) = 0;
    virtual void setProxyServerAddress(const QString& address) = 0;
    virtual void setProxyServerPort(int port) = 0;
    virtual void setEnableProxy(bool enable) = 0;
    virtual void setBypassProxyServer(bool bypassForLocal) = 0;
    // Members whose values the program puts but that carry no meaning here.
    virtual void setReserved163(const QString& value) = 0;
    virtual void setReserved42(int value) = 0;
    virtual void setReserved43(int value) = 0;
    virtual void setReserved53(bool value) = 0;
    virtual void setReserved71(int value) = 0;

    // --- Display (effective at once) ---
    // Where the pictures go; nullptr = nowhere. The surface may be destroyed
    // at any time without telling the control.
    virtual void setDisplay(VideoSurface* surface) = 0;
    virtual VideoSurface* display() const = 0;
    virtual void setDisplayWidth(int px) = 0;
    virtual int displayWidth() const = 0;
    virtual void setDisplayHeight(int px) = 0;
    virtual int displayHeight() const = 0;
    virtual void setDisplayEnabled(bool enabled) = 0;  // false: stop drawing, the stream goes on
    virtual bool displayEnabled() const = 0;
    virtual void setRotateAngle(int degrees) = 0;  // 0, 90, 180, 270; anything else draws unrotated
    virtual int rotateAngle() const = 0;
    virtual void setFrameDelay(int ms) = 0;  // minimum gap between drawn pictures
    virtual int sourceWidth() const = 0;     // native size, 0 before the first picture
    virtual int sourceHeight() const = 0;
    virtual int frameRate() const = 0;  // pictures per second received lately

    // --- Stream ---
    virtual void start() = 0;  // returns at once; outcome by Notify; isRunning() true from here
    virtual void stop() = 0;   // idempotent; isRunning() false within 100 ms
    virtual bool isRunning() const = 0;
    virtual void setStreamMode(int mode) = 0;  // 0 stop, 1 video, 3 video with audio
    virtual void applyStreamMode() = 0;
    virtual int isBusy() const = 0;  // 0 = free

    // --- Recording ---
    virtual void setSplitFileMode(int mode) = 0;  // 0 by size, 1 by time
    virtual void setSplitFileSize(int mb) = 0;
    virtual void setSplitFileTime(int minutes) = 0;
    virtual void setReserveSpace(int mb) = 0;
    virtual void setRecordPath(const QString& folder) = 0;
    virtual void setKeepFilePath(const QString& folder) = 0;
    virtual void recordStart() = 0;
    virtual void recordStop() = 0;  // idempotent; the file is complete when it returns
    virtual bool storageReady() const = 0;

    // --- Motion and mail ---
    virtual void setAlarmFlags(int flags) = 0;  // 1 alarm, 4 mail, 8 motion recording
    virtual int alarmFlags() const = 0;
    virtual void setSensitivity(int value) = 0;
    virtual void setSnapshotFile(const QString& path) = 0;
    virtual void setMailServer(const QString& server, const QString& to, const QString& from,
                               const QString& subject) = 0;
    virtual void setMailIntervalTime(int seconds) = 0;
    virtual void setMailUserName(const QString& name) = 0;
    virtual void setMailPassword(const QString& password) = 0;
    virtual void sendMail() = 0;

    // --- Identity of the selected camera ("" or "0.00" when unknown) ---
    virtual void selectServer(int index) = 0;  // -1 the camera just identified, n = search hit n
    virtual QString serverName() const = 0;
    virtual QString serverModel() const = 0;
    virtual QString serverMacAddress() const = 0;
    virtual QString serverIPAddress() const = 0;
    virtual QString serverLocation() const = 0;
    virtual QString serverSubnetMask() const = 0;
    virtual QString serverGateway() const = 0;
    virtual QString fwVersion() const = 0;
    virtual QString hwVersion() const = 0;
    virtual QString romVersion() const = 0;
    virtual int serverProtocol() const = 0;
    virtual int serverCapability() const = 0;  // bit value 16 = pan/tilt
    virtual int serverWebPort() const = 0;

    // --- Camera requests ---
    // mode 0: synchronous, -1 = the camera answered; mode 1: -1 = accepted,
    // the answer comes as EndCheckIP.
    virtual int checkIP(int mode, bool flag) = 0;
    virtual int loginTest(int mode) = 0;  // -1 pass, 0 fail
    // 40 admin ID, 41 admin password, 44 mask, 45 gateway. Empty also when
    // the camera does not let these credentials read its configuration:
    // adminState() tells an unset administrator account from an unreadable one.
    virtual QString getConfigItem(int item) = 0;
    virtual void getConfig(bool full) = 0;              // answer: EndGetConfig, exactly once
    virtual int getImageCaps(ImageConfig& config) = 0;  // -1 = readable with empty credentials
    virtual int getImageConfig(ImageConfig& config, int mode = 0) = 0;  // -1 read
    virtual int setImageConfig(const ImageConfig& config) = 0;          // -1 accepted
    // The latest picture, as JPEG, or as BMP for a ".bmp" name.
    virtual bool saveSnapshot(const QString& file, int mode = 0) = 0;
    virtual void ptControl(int code) = 0;  // returns at once
    virtual void probeInit() = 0;
    virtual void probeStart(int mode) = 0;
    virtual int probeResult() const = 0;  // 1 = pan/tilt
    virtual int viewerParam1() const = 0;
    virtual int viewerParam2() const = 0;
    virtual void openAudio(QString& nonce) = 0;

    // --- Discovery and network set-up ---
    // Searches the local network: Notify 27 per camera found (its entry is
    // readable through selectServer(n) from then on), then EndSearch, always,
    // after a bounded listening time. Mode 1 starts a new list numbered from 0;
    // mode 2 adds another pass to the list, its numbers following on. A filter
    // address asks only that camera.
    virtual void searchServer(int mode, const QString& filter) = 0;
    virtual int probeAddress(const QString& address, int port) = 0;  // -1 = something answers
    // Network set-up of the camera whose MAC address was put (by MAC, so a
    // camera is reached whatever its address), proven with the user name and
    // password put: setNetwork stores new settings (-1 accepted), applyNetwork
    // makes the camera move to them. setNetworkEx (over HTTP, after login())
    // stores and applies at once; mode 1 manual, 2 DHCP.
    virtual int setNetwork(const QString& address, const QString& mask, const QString& gateway) = 0;
    virtual int setNetworkEx(const QString& address, const QString& mask, const QString& gateway,
                             int mode) = 0;
    virtual void applyNetwork() = 0;
    // The network flag word (index 2) read from the camera, changed here and
    // saved with saveConfig (-1 accepted); applied by applyNetwork.
    virtual int getConfigWord(int index) = 0;
    virtual void setConfigWord(int index, int value) = 0;
    virtual int saveConfig(int what, int flags) = 0;
    // kAdminSet / kAdminNone; 0 when the camera did not answer.
    virtual int adminState() = 0;
    // kAdminAccepted / kAdminNeeded; 0 when the camera did not answer.
    virtual int checkAdmin(const QString& id, const QString& password) = 0;
    // Protocol-3 log-in: a context and its log-in text, the text to use, then
    // login() with the typed pair (-1 accepted); later requests use that log-in.
    virtual int loginContext() = 0;
    virtual QString getLoginContextText(int context) = 0;
    virtual void useLoginContext(int mode, const QString& text) = 0;
    virtual int login(const QString& user, const QString& password) = 0;
    virtual QString getAdminAccount(int which) = 0;  // 0 ID, 1 password

    // Bound of every synchronous request, in milliseconds.
    static constexpr int requestTimeoutMs() { return 3000; }

signals:
    void Notify(int code);
    void EndCheckIP(int status);                  // -1 found
    void EndGetImageConfig(int a, int b, int c);  // resolution, compression, frame rate
    void EndSearch();
    void EndGetConfig(int status);  // -1 ok, 0 failed, 1 log-in required
};

// The production image server, speaking the camera protocol over the network.
std::unique_ptr<ImageServer> CreateImageServer(QObject* parent = nullptr);
