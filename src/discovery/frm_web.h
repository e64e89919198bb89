// frmWeb: the web pages of the current slot's camera in an embedded browser.
// Every navigation is watched; when the camera's settings are posted, the
// posted values go into the public fields (IWebDialog) for the panel; a post
// without a camera name leaves the slot's own name there. When the
// window closes after the camera's address changed, it waits for the camera to
// come back at its new address; the panel then updates the slot and restarts
// its stream once.
#pragma once

#include "discovery/dialog_base.h"
#include "panel/panel_windows.h"

#include <memory>

class EmbeddedBrowser;

class frmWeb : public DialogBase, public IWebDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 640;
    static constexpr int kClientHeight = 480;
    // How long the close waits for a camera that changed its address.
    static constexpr int kAddressChangeWaitMs = 10000;

    explicit frmWeb(QWidget* parent = nullptr);
    ~frmWeb() override;

    void ShowModal(QWidget* owner) override { DialogBase::ShowModal(owner); }

    bool m_bFirst = true;
    QString m_sServerLocation;  // posted "SRV_Location"
    QString m_sDdnsHst;         // not used by this window

    EmbeddedBrowser* WebBrowser1() const { return m_browser.get(); }

    void Form_Load() override;
    // The address the window opens for the slot's camera, whose pages are on
    // webPort (0: the camera did not say).
    static QString CameraPageUrl(int slot, int webPort);
    // The web port the slot's camera reports when asked; 0 when it does not
    // answer or names none.
    static int CameraWebPort(int slot);
    void WebBrowser1_BeforeNavigate2(const QUrl& url, const QByteArray& postData);

protected:
    // The close box: after an address change, first the wait.
    void OnCancel() override;
    // The window closes by its close box only; Esc belongs to the page.
    bool EscapeCancels() const override { return false; }
    void OnFirstShow() override;

private:
    void ResetResults();
    bool AskCredentials(const QUrl& url, QString& user, QString& password);
    void WaitForAddressChange();

    std::unique_ptr<EmbeddedBrowser> m_browser;
    bool m_bSlotCredentialsTried = false;
    bool m_bWaited = false;
};
