// What the control panel uses of the windows and dialogs it opens. Those
// windows implement these interfaces and register with the window registry
// under the names below; the panel finds them by name, so a window that is
// not registered yet is simply not available, and the panel's button for it
// stays greyed and does nothing.
//
// Dialogs give their results through public fields that the panel reads
// after the modal show and before it unloads the dialog (windows().Unload).
#pragma once

#include "foundation/window_names.h"
#include "platform/image_server/camera_codes.h"

#include <QString>

class ImageServer;
class QWidget;

// A dialog the panel shows modal and unloads without reading anything back.
class IModalDialog {
public:
    virtual ~IModalDialog() = default;
    // Shows the dialog modal, owned by `owner` (nullptr: without owner);
    // returns when the operator has closed it.
    virtual void ShowModal(QWidget* owner) = 0;
};

// The camera search dialog. The panel clears m_bCancel, shows the dialog and,
// when m_bCancel is still false, takes the chosen camera from the fields.
class IBrowseDialog : public IModalDialog {
public:
    bool m_bCancel = false;
    QString m_sIPAddress;
    QString m_sMACAddress;  // dotted decimal, six parts
    int m_lPort = 0;
    bool m_bLocalCamera = false;
    int m_lProtocol = kProtocolServer;  // 0..4
    QString m_sServerName;
    QString m_sServerModel;
    QString m_sLocation;
    QString m_sFWVersion;
    QString m_sHWVersion;
    QString m_sROMVersion;
    QString m_sUserame;
    QString m_sPassword;
    bool m_bPT = false;  // the camera can pan and tilt
};

// The recording picker. The caller sets m_sPath to the start folder, shows
// the dialog and, when m_bCancel is false, plays the file m_sPath names.
class IPlayMenuDialog : public IModalDialog {
public:
    bool m_bCancel = false;
    QString m_sPath;
};

// The camera's web pages (frmWeb). The caller sets m_bRun and m_sOldIPAddress,
// shows the dialog without owner and, when m_bCancel is false (a page with the
// camera's settings was posted), reads the posted values; m_sServerName only
// when m_bSettingsPosted (the settings page itself was posted). The dialog
// resets every result field when it loads.
class IWebDialog : public IModalDialog {
public:
    bool m_bRun = false;
    QString m_sOldIPAddress;
    bool m_bCancel = true;
    bool m_bSettingsPosted = false;
    QString m_sIPAddress;
    QString m_sUserName;
    QString m_sPassword;
    QString m_sServerName;
    int m_lIPAssign = 1;
    int m_lSecond_Port = 0;
    int m_lWeb_Second = 0;
    int m_lImage_Second = 0;
};

// The administrator check. The caller prepares the dialog's own image server,
// sets the mode (0: compare the typed values with AdminID and Password;
// 1: check them against the current camera; kCheckOnCamera: the camera checks
// them by its MAC address, on the search window's image server when that
// window is loaded, else on the dialog's own), shows it and reads Cancel.
inline constexpr int kCheckOnCamera = 2;
class ICheckPasswordDialog : public IModalDialog {
public:
    virtual ImageServer& ImageServer1() = 0;
    int m_lMode = 0;
    QString AdminID;
    QString Password;
    bool Cancel = false;
};

// The combined window's services to the panel (slot numbers 1..4).
class IPanelCombineWindow {
public:
    virtual ~IPanelCombineWindow() = default;
    // Closes the colour panel when `cam` is not the active cell.
    virtual void RefrushShowClrCtl(int cam) = 0;
    // Closes the event-list overlay when `cam` is not the active cell.
    virtual void RefrushListCtl(int cam) = 0;
    // Makes `cam` the active cell (caption, frame).
    virtual void PutActiveBorder(int cam) = 0;
    // Shows or hides the colour buttons by the slot's capability.
    virtual void RefrushClrCtlBtn(int cam) = 0;
};
