#include "foundation/globals.h"

#include "foundation/app_paths.h"
#include "platform/ui_services.h"

std::array<CamInfo, kSlotCount + 1> gCam;

bool gBypassProxyServer = true;
bool gEnableProxy = false;
QString gProxyServerAddress;
int gProxyServerPort = 8080;
qint16 gReserveSpace = 0;
qint16 gSplitFileMode = 0;
qint16 gFileSize = 0;
qint16 gFileTimeLimited = 0;
std::array<StorageInfo, kMaxStorages> gStorage;
int gStorageCount = 1;
int gActiveStorage = 1;
int gUseRecycleFlag = 0;
int gRecycleMode = 0;
int gRecycleSpaceValue = 0;
int gRecycleTime = 0;
int gScanDelay = 0;
int gPlayerMode = 0;
QString gPlayerPath;

std::array<BtnInfo, kPanelBtnCount> gPanelBtn;
std::array<BtnInfo, kViewBtnCount> gViewBtn;
QString gMaxTipNormal;
QString gMaxTipMaximized;
std::vector<DeviceInfo> gDevice(1);
int gDeviceCount = 0;
QString gDefaultPage;

QString gLanguage;
int gCurCam = 1;
int gCombineMode = 0;
bool gScanMode = false;
int gScanCam = 1;
std::array<bool, 7> gWinOpen{};
bool gCamCfgOpen = false;
bool gIntervalEnabled = false;
std::array<bool, 6> gOnTop{};
std::array<bool, kSlotCount> gAudioOn{};
std::array<bool, kSlotCount> gStreamRestarted{};
std::array<bool, kSlotCount> gExtInfo{};
QString gNonce;
std::array<QString, kSlotCount> gCamNonce;

QString gFontName;
float gFontSize = 0;
int gFontWeight = 0;
int gFontCharSet = 0;
int gUIWidth = 0;
int gUIHeight = 0;
QString gHelpFileName;
QString gAboutVersion;
QString gVersion;
std::array<int, 6> gExtraItem{};

QString gAppTitle = kBuiltInTitle;
QString gLblEmpty = QStringLiteral("EMPTY");
std::array<QString, 100> gLangEvent;
std::array<QString, 3> gLangMainMsg;
const QString kBuiltInLogNotWritten =
    QStringLiteral("The event log of camera %1 cannot be written to \"%2\". "
                   "Its events are kept in memory until the log can be written.");
QString gLangLogNotWritten = kBuiltInLogNotWritten;
const QString kBuiltInSettingsNotSaved =
    QStringLiteral("The settings cannot be saved to \"%1\" (%2). They stay in effect while the "
                   "program runs and are saved when the file can be written; the file keeps the "
                   "settings it had.");
QString gLangSettingsNotSaved = kBuiltInSettingsNotSaved;
std::array<QString, 5> gLangCtrlMsg;
std::array<QString, 2> gLangClientMsg;
std::array<QString, 4> gLangRec;
QString gLangOnLine;
QString gLangOffLine;
const QString kBuiltInReconnecting = QStringLiteral("Reconnecting...");
QString gLangReconnecting = kBuiltInReconnecting;
std::array<QString, 3> gLangPopup;
std::array<QString, 3> gLangClientSkl;
std::array<QString, 7> gDayName;
std::array<QString, 2> gModeName;
QString gLangModel;
QString gLangHWVER;
QString gLangFWVER;
QString gLangROMVER;
QString gLangMACADDR;
QString gLangIPADDR;
QString gLangName;
QString gLangCombineCaption;
QString gLangScanCaption;
QString gLangWebCaption;

void InitGlobalVariable()
{
    gCurCam = 1;
    gWinOpen.fill(false);

    const QDateTime now = ui().Now();
    for (int n = 1; n <= kSlotCount; ++n) {
        CamInfo cam;  // the record's member initialisers are the start values
        cam.LastMotionTime = now;
        gCam[n] = cam;
    }

    gLblEmpty = QStringLiteral("EMPTY");

    gBypassProxyServer = true;
    gEnableProxy = false;
    gProxyServerAddress.clear();
    gProxyServerPort = 8080;

    gReserveSpace = 0;
    gSplitFileMode = 0;
    gFileSize = 0;
    gFileTimeLimited = 0;

    gStorage.fill(StorageInfo{});
    gStorageCount = 1;
    gStorage[0] =
        StorageInfo{DataPath(), true};  // the default storage lies where the program may write
    gActiveStorage = 1;

    gUseRecycleFlag = 0;
    gRecycleMode = 0;
    gRecycleSpaceValue = 0;
    gRecycleTime = 0;

    gCamCfgOpen = false;
    gScanMode = false;
    gScanDelay = 0;
    gScanCam = 1;
    gCombineMode = 0;
    gDeviceCount = 0;
    gDevice.assign(1, DeviceInfo{});

    // Everything else starts as it does when the program starts: 0, False or empty.
    gPlayerMode = 0;
    gPlayerPath.clear();
    gPanelBtn.fill(BtnInfo{});
    gViewBtn.fill(BtnInfo{});
    gMaxTipNormal.clear();
    gMaxTipMaximized.clear();
    gDefaultPage.clear();
    gLanguage.clear();
    gOnTop.fill(false);
    gAudioOn.fill(false);
    gStreamRestarted.fill(false);
    gExtInfo.fill(false);
    gIntervalEnabled = false;
    gNonce.clear();
    gCamNonce.fill(QString());
    gFontName.clear();
    gFontSize = 0;
    gFontWeight = 0;
    gFontCharSet = 0;
    gUIWidth = 0;
    gUIHeight = 0;
    gHelpFileName.clear();
    gAboutVersion.clear();
    gVersion.clear();
    gExtraItem.fill(0);
    gAppTitle = kBuiltInTitle;
    gLangEvent.fill(QString());
    gLangMainMsg.fill(QString());
    gLangLogNotWritten = kBuiltInLogNotWritten;
    gLangSettingsNotSaved = kBuiltInSettingsNotSaved;
    gLangCtrlMsg.fill(QString());
    gLangClientMsg.fill(QString());
    gLangRec.fill(QString());
    gLangOnLine.clear();
    gLangOffLine.clear();
    gLangReconnecting = kBuiltInReconnecting;
    gLangPopup.fill(QString());
    gLangClientSkl.fill(QString());
    gDayName.fill(QString());
    gModeName.fill(QString());
    for (QString* label :
         {&gLangModel, &gLangHWVER, &gLangFWVER, &gLangROMVER, &gLangMACADDR, &gLangIPADDR,
          &gLangName, &gLangCombineCaption, &gLangScanCaption, &gLangWebCaption})
        label->clear();
}

const QString& ConnectionText(const CamInfo& cam)
{
    if (!cam.Enable)
        return gLangOffLine;
    return cam.Reconnecting ? gLangReconnecting : gLangOnLine;
}

QString PictureDownText(const CamInfo& cam)
{
    return cam.Enable && cam.Reconnecting ? gLangReconnecting : QString();
}
