// A scriptable image server for tests that must not touch the network.
//
// - Every member call is logged as (Dispid, name, arguments) in `calls`, so a
//   test can check the order facts that matter (`IndexOf`, `Count`, `Args`).
// - Knobs decide the answers: how many isRunning() polls a stop takes, what a
//   start reports and when, the identity a probe or identify finds, results of
//   the requests, storage readiness, the native picture size, members that
//   throw (error injection), and the recording file a recordStart leaves.
// - Emitters raise the events: `EmitNotify` and friends emit at once (call them
//   from the test, never from inside a member); `QueueNotify` posts the event
//   so that it arrives at the next event-loop turn.
// Events the fake raises by itself (start outcome, EndCheckIP, EndGetConfig,
// search hits) are always posted, never emitted inside the member call.
#pragma once

#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "support/fake_call_log.h"
#include "support/stop_countdown.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMetaEnum>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

using ImageServerCall = FakeCall<ImageServer::Dispid>;

// Identity the fake reports after an identify, a probe or for a search hit.
struct FakeCameraIdentity {
    QString name = QStringLiteral("Camera");
    QString model = QStringLiteral("PT-100");
    QString mac = QStringLiteral("0.17.34.51.68.85");
    QString ip = QStringLiteral("127.0.0.2");
    QString location = QStringLiteral("Office");
    QString mask = QStringLiteral("255.255.255.0");
    QString gateway = QStringLiteral("127.0.0.1");
    QString fw = QStringLiteral("1.20");
    QString hw = QStringLiteral("1.00");
    QString rom = QStringLiteral("1.05");
    int protocol = 0;
    int capability = 16;
    int webPort = 80;
    int port = 8481;
};

class FakeImageServer : public ImageServer,
                        public StopCountdown,
                        public FakeCallLog<ImageServer::Dispid> {
    Q_OBJECT
public:
    explicit FakeImageServer(QObject* parent = nullptr)
        : ImageServer(parent), FakeCallLog("member", Dispid::IsRunning)
    {
    }

    // ---------------- knobs ----------------
    // stopLatencyPolls (StopCountdown): isRunning() polls that still answer
    // true after stop(); -1 = never stops.
    // Code raised (posted) after start(), and after how many milliseconds; none = silent.
    std::optional<int> startOutcome;
    int startOutcomeDelayMs = 0;
    // throwOn (FakeCallLog): members that throw std::runtime_error when called.
    // Answers.
    bool storageReadyValue = true;
    bool offline = false;  // probe/identify find nothing: "" and "0.00"
    FakeCameraIdentity identity;
    std::vector<FakeCameraIdentity> searchHits;     // what every search finds
    std::vector<FakeCameraIdentity> searchResults;  // entries readable through selectServer
    int checkIPResult = kTrue;
    int endCheckIPStatus = kTrue;
    int loginTestResult = kTrue;
    int getConfigStatus = kTrue;
    std::map<int, QString> configItems;
    int imageCapsResult = kTrue;
    int imageConfigResult = kTrue;
    ImageConfig imageConfigValue{2, 2, 25, 64, 64, 64, 0};
    bool saveSnapshotResult = true;
    int probeResultValue = 1;
    int viewerParam1Value = 0;
    int viewerParam2Value = 0;
    int nativeWidth = 0;
    int nativeHeight = 0;
    int busyValue = 0;
    int networkResult = kTrue;
    int configWordValue = 0;
    int adminStateValue = 3;
    int checkAdminResult = 3;
    int loginResult = kTrue;
    int probeAddressResult = 0;
    // Answers of the next address probes, in turn; probeAddressResult after them.
    std::deque<int> probeAddressAnswers;
    QString adminId;
    QString adminPassword;
    // Recording side effect: recordStart creates <RecordPath>/<UTC stamp>Z.AVI of
    // this size with this modification time (invalid time: now).
    bool createRecordFiles = false;
    qint64 recordFileSize = 0;
    QDateTime recordFileTime;
    QStringList recordFiles;  // files made so far

    // ---------------- what was put ----------------
    QString ipAddressValue, userNameValue, passwordValue, authTextValue, macAddressValue;
    int portValue = 0, protocolValue = 0;
    bool isLocalCameraValue = false;
    QString proxyAddress;
    int proxyPort = 0;
    bool enableProxy = false, bypassProxy = false;
    QPointer<VideoSurface> surface;
    int displayWidthValue = 0, displayHeightValue = 0, rotateAngleValue = 0, frameDelayValue = 0;
    bool displayEnabledValue = false;
    int streamModeValue = 0;
    int splitFileMode = 0, splitFileSize = 0, splitFileTime = 0, reserveSpace = 0;
    QString recordPath, keepFilePath;
    bool recording = false;
    int alarmFlagsValue = 0, sensitivity = 0;
    QString snapshotFile, mailServer, mailTo, mailFrom, mailSubject, mailUserName, mailPassword;
    int mailIntervalTime = 0;
    int selectedServer = -2;

    // calls and the log queries: FakeCallLog.

    // ---------------- emitters ----------------
    void EmitNotify(int code) { emit Notify(code); }
    void EmitEndCheckIP(int status) { emit EndCheckIP(status); }
    void EmitEndGetImageConfig(int a, int b, int c) { emit EndGetImageConfig(a, b, c); }
    void EmitEndSearch() { emit EndSearch(); }
    void EmitEndGetConfig(int status) { emit EndGetConfig(status); }
    void QueueNotify(int code, int delayMs = 0)
    {
        QTimer::singleShot(delayMs, this, [this, code] { emit Notify(code); });
    }

    // ---------------- members ----------------
    void setIPAddress(const QString& v) override { Put(Dispid::IPAddress, ipAddressValue, v); }
    QString ipAddress() const override { return Get(Dispid::IPAddress, ipAddressValue); }
    void setPort(int v) override { Put(Dispid::Port, portValue, v); }
    int port() const override { return Get(Dispid::Port, portValue); }
    void setUserName(const QString& v) override { Put(Dispid::UserName, userNameValue, v); }
    void setPassword(const QString& v) override { Put(Dispid::Password, passwordValue, v); }
    void setAuthText(const QString& v) override { Put(Dispid::AuthText, authTextValue, v); }
    void setProtocol(int v) override { Put(Dispid::Protocol, protocolValue, v); }
    void setIsLocalCamera(bool v) override { Put(Dispid::IsLocalCamera, isLocalCameraValue, v); }
    bool isLocalCamera() const override { return Get(Dispid::IsLocalCamera, isLocalCameraValue); }
    void setMacAddress(const QString& v) override { Put(Dispid::MacAddress, macAddressValue, v); }
    void setProxyServerAddress(const QString& v) override
    {
        Put(Dispid::ProxyServerAddress, proxyAddress, v);
    }
    void setProxyServerPort(int v) override { Put(Dispid::ProxyServerPort, proxyPort, v); }
    void setEnableProxy(bool v) override { Put(Dispid::EnableProxy, enableProxy, v); }
    void setBypassProxyServer(bool v) override { Put(Dispid::BypassProxyServer, bypassProxy, v); }
    void setReserved163(const QString& v) override { Log(Dispid::Reserved163, {v}); }
    void setReserved42(int v) override { Log(Dispid::Reserved42, {v}); }
    void setReserved43(int v) override { Log(Dispid::Reserved43, {v}); }
    void setReserved53(bool v) override { Log(Dispid::Reserved53, {v}); }
    void setReserved71(int v) override { Log(Dispid::Reserved71, {v}); }

    void setDisplay(VideoSurface* s) override
    {
        Log(Dispid::DisplayHWnd, {QVariant::fromValue<QObject*>(s)});
        surface = s;
    }
    VideoSurface* display() const override { return surface.data(); }
    void setDisplayWidth(int v) override { Put(Dispid::DisplayWidth, displayWidthValue, v); }
    int displayWidth() const override { return Get(Dispid::DisplayWidth, displayWidthValue); }
    void setDisplayHeight(int v) override { Put(Dispid::DisplayHeight, displayHeightValue, v); }
    int displayHeight() const override { return Get(Dispid::DisplayHeight, displayHeightValue); }
    void setDisplayEnabled(bool v) override { Put(Dispid::DisplayEnabled, displayEnabledValue, v); }
    bool displayEnabled() const override { return displayEnabledValue; }
    void setRotateAngle(int v) override { Put(Dispid::RotateAngle, rotateAngleValue, v); }
    int rotateAngle() const override { return rotateAngleValue; }
    void setFrameDelay(int v) override { Put(Dispid::FrameDelay, frameDelayValue, v); }
    int sourceWidth() const override { return Get(Dispid::SourceWidth, nativeWidth); }
    int sourceHeight() const override { return Get(Dispid::SourceHeight, nativeHeight); }
    int frameRate() const override
    {
        Read(Dispid::FrameRate);
        return running ? 25 : 0;
    }

    void start() override
    {
        Log(Dispid::Start, {});
        StartRunning();
        if (startOutcome) {
            const int code = *startOutcome;
            QTimer::singleShot(startOutcomeDelayMs, this, [this, code] { emit Notify(code); });
        }
    }
    void stop() override
    {
        Log(Dispid::Stop, {});
        BeginStop();
    }
    bool isRunning() const override
    {
        Read(Dispid::IsRunning);
        return PollRunning();
    }
    void setStreamMode(int v) override { Put(Dispid::StreamMode, streamModeValue, v); }
    void applyStreamMode() override { Log(Dispid::ApplyStreamMode, {}); }
    int isBusy() const override { return Get(Dispid::IsBusy, busyValue); }

    void setSplitFileMode(int v) override { Put(Dispid::SplitFileMode, splitFileMode, v); }
    void setSplitFileSize(int v) override { Put(Dispid::SplitFileSize, splitFileSize, v); }
    void setSplitFileTime(int v) override { Put(Dispid::SplitFileTime, splitFileTime, v); }
    void setReserveSpace(int v) override { Put(Dispid::ReserveSpace, reserveSpace, v); }
    void setRecordPath(const QString& v) override { Put(Dispid::RecordPath, recordPath, v); }
    void setKeepFilePath(const QString& v) override { Put(Dispid::KeepFilePath, keepFilePath, v); }
    void recordStart() override
    {
        Log(Dispid::RecordStart, {});
        recording = true;
        if (createRecordFiles && !recordPath.isEmpty()) {
            QDir().mkpath(recordPath);
            const QDateTime stamp =
                recordFileTime.isValid() ? recordFileTime : QDateTime::currentDateTime();
            QString name;
            for (int i = 0;; ++i) {
                // Named as the real recorder names its files: the UTC time
                // to the millisecond, moved on by a millisecond when taken.
                name = QDir(recordPath)
                           .filePath(stamp.toUTC().addMSecs(i).toString(
                                         QStringLiteral("yyyyMMdd-HHmmss-zzz"))
                                     + QStringLiteral("Z.AVI"));
                if (!QFile::exists(name))
                    break;
            }
            QFile f(name);
            if (f.open(QIODevice::WriteOnly)) {
                f.resize(recordFileSize);
                f.close();
                f.open(QIODevice::ReadWrite);
                f.setFileTime(stamp, QFileDevice::FileModificationTime);
                f.close();
                recordFiles << name;
            }
        }
    }
    void recordStop() override
    {
        Log(Dispid::RecordStop, {});
        recording = false;
    }
    bool storageReady() const override { return Get(Dispid::StorageReady, storageReadyValue); }

    void setAlarmFlags(int v) override { Put(Dispid::AlarmFlags, alarmFlagsValue, v); }
    int alarmFlags() const override { return Get(Dispid::AlarmFlags, alarmFlagsValue); }
    void setSensitivity(int v) override { Put(Dispid::Sensitivity, sensitivity, v); }
    void setSnapshotFile(const QString& v) override { Put(Dispid::SnapshotFile, snapshotFile, v); }
    void setMailServer(const QString& server, const QString& to, const QString& from,
                       const QString& subject) override
    {
        Log(Dispid::SetMailServer, {server, to, from, subject});
        mailServer = server, mailTo = to, mailFrom = from, mailSubject = subject;
    }
    void setMailIntervalTime(int v) override { Put(Dispid::MailIntervalTime, mailIntervalTime, v); }
    void setMailUserName(const QString& v) override { Put(Dispid::MailUserName, mailUserName, v); }
    void setMailPassword(const QString& v) override { Put(Dispid::MailPassword, mailPassword, v); }
    void sendMail() override { Log(Dispid::SendMail, {}); }

    void selectServer(int index) override { Put(Dispid::SelectServer, selectedServer, index); }
    QString serverName() const override
    {
        Read(Dispid::ServerName);
        return Offline() ? QString() : Selected().name;
    }
    QString serverModel() const override
    {
        Read(Dispid::ServerModel);
        return Offline() ? QString() : Selected().model;
    }
    QString serverMacAddress() const override
    {
        Read(Dispid::ServerMacAddress);
        return Offline() ? QString() : Selected().mac;
    }
    QString serverIPAddress() const override
    {
        Read(Dispid::ServerIPAddress);
        return Offline() ? QString() : Selected().ip;
    }
    QString serverLocation() const override
    {
        Read(Dispid::ServerLocation);
        return Offline() ? QString() : Selected().location;
    }
    QString serverSubnetMask() const override
    {
        Read(Dispid::ServerSubnetMask);
        return Offline() ? QString() : Selected().mask;
    }
    QString serverGateway() const override
    {
        Read(Dispid::ServerGateway);
        return Offline() ? QString() : Selected().gateway;
    }
    QString fwVersion() const override
    {
        Read(Dispid::FWVersion);
        return Offline() ? QStringLiteral("0.00") : Selected().fw;
    }
    QString hwVersion() const override
    {
        Read(Dispid::HWVersion);
        return Offline() ? QStringLiteral("0.00") : Selected().hw;
    }
    QString romVersion() const override
    {
        Read(Dispid::ROMVersion);
        return Offline() ? QStringLiteral("0.00") : Selected().rom;
    }
    int serverProtocol() const override
    {
        Read(Dispid::ServerProtocol);
        return Offline() ? 0 : Selected().protocol;
    }
    int serverCapability() const override
    {
        Read(Dispid::ServerCapability);
        return Offline() ? 0 : Selected().capability;
    }
    int serverWebPort() const override
    {
        Read(Dispid::ServerWebPort);
        return Offline() ? 0 : Selected().webPort;
    }

    int checkIP(int mode, bool flag) override
    {
        Log(Dispid::CheckIP, {mode, flag});
        if (mode == 1 && checkIPResult == kTrue) {
            const int status = endCheckIPStatus;
            QTimer::singleShot(0, this, [this, status] { emit EndCheckIP(status); });
        }
        return checkIPResult;
    }
    int loginTest(int mode) override
    {
        Log(Dispid::LoginTest, {mode});
        return loginTestResult;
    }
    QString getConfigItem(int item) override
    {
        Log(Dispid::GetConfigItem, {item});
        const auto it = configItems.find(item);
        return it == configItems.end() ? QString() : it->second;
    }
    void getConfig(bool full) override
    {
        Log(Dispid::GetConfig, {full});
        const int status = getConfigStatus;
        QTimer::singleShot(0, this, [this, status] { emit EndGetConfig(status); });
    }
    int getImageCaps(ImageConfig& config) override
    {
        Log(Dispid::GetImageCaps, {});
        if (imageCapsResult == kTrue)
            config = imageConfigValue;
        return imageCapsResult;
    }
    int getImageConfig(ImageConfig& config, int mode) override
    {
        Log(Dispid::GetImageConfig, {mode});
        if (imageConfigResult == kTrue)
            config = imageConfigValue;
        return imageConfigResult;
    }
    int setImageConfig(const ImageConfig& c) override
    {
        Log(Dispid::SetImageConfig, {c.resolution, c.compression, c.frameRate, c.brightness,
                                     c.contrast, c.hue, c.lightFrequency});
        imageConfigValue = c;
        return kTrue;
    }
    bool saveSnapshot(const QString& file, int mode) override
    {
        Log(Dispid::SaveSnapshot, {file, mode});
        return saveSnapshotResult;
    }
    void ptControl(int code) override { Log(Dispid::PTControl, {code}); }
    void probeInit() override { Log(Dispid::ProbeInit, {}); }
    void probeStart(int mode) override { Log(Dispid::ProbeStart, {mode}); }
    int probeResult() const override
    {
        Read(Dispid::ProbeResult);
        return Offline() ? 0 : probeResultValue;
    }
    int viewerParam1() const override { return Get(Dispid::ViewerParam1, viewerParam1Value); }
    int viewerParam2() const override { return Get(Dispid::ViewerParam2, viewerParam2Value); }
    void openAudio(QString& nonce) override { Log(Dispid::OpenAudio, {nonce}); }

    // Mode 2 adds to the entries of the searches before; any other mode starts
    // a new list. Each hit becomes readable just before its Notify arrives.
    void searchServer(int mode, const QString& filter) override
    {
        Log(Dispid::SearchServer, {mode, filter});
        if (mode != 2)
            searchResults.clear();
        QTimer::singleShot(0, this, [this, hits = searchHits] {
            for (const FakeCameraIdentity& hit : hits) {
                searchResults.push_back(hit);
                emit Notify(NotifyCode::SearchHit);
            }
            emit EndSearch();
        });
    }
    int probeAddress(const QString& address, int port) override
    {
        Log(Dispid::ProbeAddress, {address, port});
        if (!probeAddressAnswers.empty()) {
            const int answer = probeAddressAnswers.front();
            probeAddressAnswers.pop_front();
            return answer;
        }
        return probeAddressResult;
    }
    int setNetwork(const QString& a, const QString& m, const QString& g) override
    {
        Log(Dispid::SetNetwork, {a, m, g});
        return networkResult;
    }
    int setNetworkEx(const QString& a, const QString& m, const QString& g, int mode) override
    {
        Log(Dispid::SetNetworkEx, {a, m, g, mode});
        return networkResult;
    }
    void applyNetwork() override { Log(Dispid::ApplyNetwork, {}); }
    int getConfigWord(int index) override
    {
        Log(Dispid::GetConfigWord, {index});
        return configWordValue;
    }
    void setConfigWord(int index, int value) override
    {
        Log(Dispid::SetConfigWord, {index, value});
        configWordValue = value;
    }
    int saveConfig(int what, int flags) override
    {
        Log(Dispid::SaveConfig, {what, flags});
        return kTrue;
    }
    int adminState() override
    {
        Log(Dispid::AdminState, {});
        return adminStateValue;
    }
    int checkAdmin(const QString& id, const QString& pwd) override
    {
        Log(Dispid::CheckAdmin, {id, pwd});
        return checkAdminResult;
    }
    int loginContext() override
    {
        Log(Dispid::LoginContext, {});
        return 0;
    }
    QString getLoginContextText(int context) override
    {
        Log(Dispid::GetLoginContextText, {context});
        return QStringLiteral("ctx%1").arg(context);
    }
    void useLoginContext(int mode, const QString& text) override
    {
        Log(Dispid::UseLoginContext, {mode, text});
    }
    int login(const QString& user, const QString& pwd) override
    {
        Log(Dispid::Login, {user, pwd});
        return loginResult;
    }
    QString getAdminAccount(int which) override
    {
        Log(Dispid::GetAdminAccount, {which});
        return which == 0 ? adminId : adminPassword;
    }

private:
    bool Offline() const { return offline; }
    const FakeCameraIdentity& Selected() const
    {
        if (selectedServer >= 0 && selectedServer < static_cast<int>(searchResults.size()))
            return searchResults[static_cast<size_t>(selectedServer)];
        return identity;
    }
};
