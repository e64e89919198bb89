// frmAddCam: adds a camera by address. The operator types the camera's
// address, optionally followed by ":" and a port; the dialog identifies the
// camera through its own hidden image server, works out its protocol, port and
// pan/tilt capability, asks for a log-in when the camera wants one, reads the
// camera's configuration and hides with the result in its public fields. The
// search window opens it from its Input IP button and reads the camera's
// identity from ImageServer1(), which stays selected on the identified camera.
#pragma once

#include "discovery/dialog_base.h"
#include "platform/image_server/camera_codes.h"

#include <QStringList>
#include <array>
#include <memory>

class ImageServer;
class WisViewer;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class frmAddCam : public DialogBase {
    Q_OBJECT
public:
    explicit frmAddCam(QWidget* parent = nullptr);
    ~frmAddCam() override;

    // Public fields.
    bool bCancel = false;
    bool bBusy = false;
    QString m_sIPAddress;
    int m_lPort = 0;
    bool m_bLocalCamera = false;
    int m_lProtocol = kProtocolServer;
    QString m_sUserame;
    QString m_sPassword;
    bool m_bPT = false;
    QString m_sMACAddress;

    QLabel* lblIPAddress;
    QLineEdit* txtIPAddress;
    QPushButton* cmdAdd;
    QPushButton* cmdCancel;

    ImageServer& ImageServer1() { return *m_server; }
    WisViewer& WisViewer1() { return *m_viewer; }

    // The addresses the search window lists (its address column, in order);
    // a typed host among them counts as a camera on the local network.
    void SetSearchAddresses(QStringList addresses) { m_searchAddresses = std::move(addresses); }

    // Splits "host:port". A port is accepted when the text after the first
    // colon is 1 to 5 ASCII digits with a value from 1 to 65535; then `host`
    // is the text before the colon, `port` the number and the result true.
    // Otherwise `host` is the whole text, `port` is left alone and the result
    // is false.
    static bool ParseIPPort(const QString& text, QString& host, int& port);

    void Form_Load() override;
    bool LoadLanguage();
    void cmdAdd_Click();
    void cmdCancel_Click();
    void ImageServer1_EndCheckIP(int status);
    void ImageServer1_EndGetConfig(int status);

protected:
    bool CloseRefused() const override { return bBusy; }
    void OnCancel() override { cmdCancel_Click(); }
    void RecoverAfterError() override;

private:
    void SetCtlEnabled(bool enabled);
    void SetFormFont();
    // Asks for a log-in and puts it on the image server; false when cancelled
    // (the dialog is then idle again).
    bool AskLogin(bool cancelSetsCancel);
    void Idle();

    std::unique_ptr<ImageServer> m_server;
    std::unique_ptr<WisViewer> m_viewer;
    QStringList m_searchAddresses;
    bool m_bPortGiven = false;
    std::array<QString, 5> m_sMsg;  // 1..4
    QFrame* Line1;
    QFrame* Line2;
};
