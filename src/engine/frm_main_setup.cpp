// Camera set-up: defaults on the camera objects, the push of a slot's
// settings, and the binding of a slot's video to the window that shows it.
#include "engine/frm_main.h"

#include "foundation/app_paths.h"
#include "foundation/guard.h"
#include "foundation/helpers.h"
#include "foundation/settings.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/wis_viewer.h"

#include <QRandomGenerator>

int frmMain::AlarmFlagsFor(const CamInfo& cam)
{
    int flags = 0;
    if (cam.Alarm == 1)
        flags |= kAlarmOut;
    if (cam.SendEmail == 1)
        flags |= kAlarmMail;
    // A slot in motion-recording mode keeps recording on motion when its
    // settings are pushed again.
    if (cam.RecordMode == kRecordMotion)
        flags |= kAlarmMotionRecording;
    return flags;
}

QString frmMain::MailPictureFile(int n)
{
    // Named after the slot as well as the camera, so that two slots never
    // share (and delete) one picture.
    return DataPath() + QStringLiteral("/CAM%1_").arg(n)
           + StripFileChars(gCam[ValidSlot(n) ? n : 1].ServerName).trimmed()
           + QStringLiteral(".jpg");
}

QString frmMain::VersionText(const QString& reported)
{
    if (reported.isEmpty() || reported == QStringLiteral("0.00"))
        return QStringLiteral("N/A");
    return reported;
}

void frmMain::InitialCamSetting()
{
    if (m_closing)
        return;
    for (int n = 1; n <= kSlotCount; ++n) {
        // One slot's object refusing its defaults must not stop the others.
        Guard(ErrorReport::Box, QStringLiteral("InitialCamSetting"),
              [&] { InitialCamSettingFor(n); });
    }
}

void PutProxySettings(ImageServer& server)
{
    server.setProxyServerAddress(gProxyServerAddress);
    server.setProxyServerPort(gProxyServerPort);
    server.setEnableProxy(gEnableProxy);
    server.setBypassProxyServer(gBypassProxyServer);
}

namespace {

// Where and how a camera object reaches its camera: the slot's address and
// log-in, and the program's proxy.
void PutConnectionSettings(ImageServer& cam, const CamInfo& rec)
{
    cam.setReserved163(QString());
    cam.setUserName(rec.UserName);
    cam.setPassword(rec.Password);
    cam.setIPAddress(rec.IPAddress);
    cam.setPort(CameraPort(rec));
    cam.setProtocol(rec.Protocol);
    cam.setIsLocalCamera(rec.IsLocalCamera);
    PutProxySettings(cam);
}

}  // namespace

void frmMain::InitialCamSettingFor(int n)
{
    ImageServer& cam = Cam(n);
    const CamInfo& rec = gCam[n];
    PutConnectionSettings(cam, rec);
    cam.setDisplayEnabled(false);
    cam.setReserved53(true);
    cam.setReserved43(0);
    cam.setReserved42(0);
    cam.setAlarmFlags(0);
    cam.setReserved71(0);
    cam.setSnapshotFile(DataPath() + QStringLiteral("/Temp%1.jpg").arg(n));
    cam.setSensitivity(5);
    cam.setFrameDelay(0);
    cam.setDisplay(nullptr);
    cam.setDisplayWidth(0);
    cam.setDisplayHeight(0);
}

void frmMain::PutSettingToCam(int n)
{
    if (Refused(n))
        return;
    Guard(ErrorReport::Box, QStringLiteral("PutSettingToCam"), [&] {
        ImageServer& cam = Cam(n);
        WisViewer& viewer = WisViewer1(n);
        CamInfo& rec = gCam[n];
        const bool p3 = rec.Protocol == kProtocolViewer;

        PutConnectionSettings(cam, rec);
        cam.setRotateAngle(QuarterTurn(rec.RotateAngle));

        if (p3) {
            cam.probeInit();
            viewer.setViewerParam1(QString::number(cam.viewerParam1()));
            viewer.setViewerParam2(QString::number(cam.viewerParam2()));
            cam.probeStart(kProbePanTilt);
            // A camera that did not answer reports no MAC address: the slot
            // keeps what it knew of the camera rather than storing blanks.
            const QString mac = cam.serverMacAddress();
            if (!mac.isEmpty()) {
                rec.ServerModel = cam.serverModel();
                rec.MacAddress = mac;
                rec.FWVersion = VersionText(cam.fwVersion());
                rec.HWVersion = VersionText(cam.hwVersion());
                rec.ROMVersion = VersionText(cam.romVersion());
            }
        }

        if (p3) {
            viewer.setSplitFileSize(static_cast<qint16>(SplitFileSizeMB()));
        } else {
            cam.setSplitFileMode(gSplitFileMode);
            cam.setSplitFileSize(SplitFileSizeMB());
            cam.setSplitFileTime(SplitFileMinutes());
        }

        cam.setReserveSpace(ReserveSpaceMB());
        cam.setMacAddress(rec.MacAddress);
        cam.setReserved53(true);
        cam.setReserved43(0);
        cam.setReserved42(0);

        if (rec.Enable)
            BindVideo(n);

        const int flags = AlarmFlagsFor(rec);
        const QString picture = MailPictureFile(n);
        if (p3) {
            viewer.setAlarmFlags(flags);
            viewer.setSensitivity(rec.Sensitivity);
            viewer.setMailPictureFile(picture);
            cam.setSnapshotFile(picture);
            rec.LastMailTime = ui().Now();
        } else {
            cam.setSensitivity(rec.Sensitivity);
            cam.setAlarmFlags(flags);
            cam.setSnapshotFile(picture);
        }

        cam.setMailServer(rec.MailServer, rec.MailTo, rec.MailFrom, rec.MailSubject);
        cam.setMailUserName(rec.MailUserName);
        cam.setMailPassword(rec.MailPassword);
        cam.setMailIntervalTime(rec.MailIntervalTime);

        SaveAllSettings();
    });
}

void frmMain::BindVideo(int n)
{
    const bool p3 = gCam[n].Protocol == kProtocolViewer;
    if (gCombineMode == 0) {
        IClientWindow* window = m_windows.Client(n);  // loads it hidden when needed
        if (!window)
            return;
        window->SetFirst(true);
        // The picture's size and place are the window's own layout (Form_Resize).
        if (p3) {
            WisViewer1(n).setWindow(window->Picture1());
            ConnectViewer(n);
            WisViewer1(n).start();
        } else {
            Cam(n).setDisplay(window->Picture1());
        }
        window->Form_Resize();
    } else if (gCombineMode == 1) {
        if (ICombineWindow* combine = m_windows.CombineWindow()) {
            if (p3) {
                WisViewer1(n).setWindow(combine->picCam(n));
                ConnectViewer(n);
                WisViewer1(n).start();
            } else {
                Cam(n).setDisplay(combine->picCam(n));
            }
            combine->Form_Resize();
        }
    }
    if (gWinOpen[n]) {
        if (IClientWindow* window = m_windows.Client(n))
            window->RefrushStatusBar();
    }
}

void frmMain::ConnectViewer(int n)
{
    WisViewer& viewer = WisViewer1(n);
    const QString address = gCam[n].IPAddress;
    viewer.connectTo(address);
    m_viewerAddress[n] = address;
    if (!gNonce.isEmpty()) {
        gCamNonce[n - 1] = gNonce;
    } else {
        const std::function<double()> draw =
            m_random ? m_random : [] { return QRandomGenerator::global()->generateDouble(); };
        gCamNonce[n - 1] = MakeNonce(draw);
    }
    viewer.setAuthText(gCamNonce[n - 1]);
}
