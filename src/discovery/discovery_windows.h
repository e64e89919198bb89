// The discovery dialogs as the rest of the program sees them: their names in
// the window registry, the camera objects they make for themselves, and the
// address dialog that the search window borrows.
#pragma once

#include "panel/panel_windows.h"

#include <QString>
#include <functional>
#include <memory>

class ImageServer;
class WisViewer;
class WindowRegistry;
class QWidget;

// Registers frmBrowse, frmAddCam and frmLogin.
void RegisterDiscoveryWindows(WindowRegistry& registry);

// Where the discovery dialogs get their hidden camera objects and random
// numbers. The program uses the production objects; tests install others.
struct DiscoveryControls {
    std::function<std::unique_ptr<ImageServer>()> imageServer;
    std::function<std::unique_ptr<WisViewer>()> viewer;
    std::function<double()> random;  // uniform in [0, 1)
};
const DiscoveryControls& discoveryControls();
// Installs other controls; members left empty keep the production ones.
// SetDiscoveryControls({}) restores the production controls.
void SetDiscoveryControls(DiscoveryControls controls);

// A hidden camera object for asking slot `slot`'s camera at `address`: the
// slot's port and account put on it; null when the controls make none.
std::unique_ptr<ImageServer> SlotCameraAt(int slot, const QString& address);

// The log-in text of a protocol-3 camera: a new one for every log-in, made
// from the discovery controls' random numbers.
QString MakeLoginText();
// Puts the credentials of a protocol-3 camera on `server`: the viewer computes
// the authentication string from the typed pair, the server gets it
// (URL-encoded) as its user name and a new log-in text as its password; the
// log-in text is kept in gNonce for the camera engine.
void PutViewerCredentials(ImageServer& server, WisViewer& viewer, const QString& user,
                          const QString& password);

// The network address dialog, as the search window uses it to give a camera
// whose address is shared with another listed camera an address of its own.
class IChangeIPAddressDialog {
public:
    virtual ~IChangeIPAddressDialog() = default;
    bool m_bCancel = false;
    QString m_sMACAddress;
    QString m_sIPAddress;
    QString m_sSubnetMask;
    QString m_sDefaultGateway;
    // Only a manual address can be given: the manual choice is selected and
    // both choices are hidden.
    virtual void SetManualAddressOnly() = 0;
    virtual void ShowModal(QWidget* owner) = 0;
};
