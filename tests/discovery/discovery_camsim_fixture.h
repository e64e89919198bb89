// The discovery dialogs with the production image server against simulated
// cameras on loopback (tools/camsim), searched on a free UDP port.
#pragma once

#include "discovery/frm_browse.h"
#include "discovery/frm_login.h"
#include "discovery_fixture.h"
#include "platform/image_server/camera_search.h"
#include "platform/image_server/http_image_server.h"
#include "support/camsim_process.h"

#include <QTreeWidget>

class DiscoveryCamsim : public DiscoveryFixture {
protected:
    void StartSim(const QByteArray& ini)
    {
        const QString file = program.write(QStringLiteral("cams.ini"), ini);
        QString error;
        ASSERT_TRUE(sim.Start({QStringLiteral("--config"), file, QStringLiteral("--discovery-port"),
                               QStringLiteral("0")},
                              &error))
            << error.toStdString();
        DiscoverySettings s;
        s.targets = {QHostAddress(QStringLiteral("127.255.255.255"))};
        s.port = static_cast<quint16>(sim.discoveryPort);
        s.listenMs = 700;
        s.resendMs = 150;
        s.identifyMs = 1500;
        SetDiscoverySettings(s);
        // The dialogs get the program's own camera objects.
        DiscoveryControls production;
        production.imageServer = [] {
            return std::unique_ptr<ImageServer>(std::make_unique<HttpImageServer>());
        };
        SetDiscoveryControls(production);
    }
    ~DiscoveryCamsim() override { ResetDiscoverySettings(); }

    static QByteArray Camera(int k, const QByteArray& name, const QByteArray& extra = {})
    {
        return "[camera" + QByteArray::number(k) + "]\naddress=127.0.0." + QByteArray::number(k + 1)
               + "\nport=0\nname=\"" + name + "\"\nmac=0.30.140.0.0." + QByteArray::number(k) + "\n"
               + extra;
    }
    static constexpr const char* kOpen = "user=\npassword=\nadmin_id=\nadmin_password=\n";
    static constexpr const char* kLocked =
        "protocol=4\nuser=ann\npassword=pw\nadmin_id=ann\nadmin_password=pw\n";

    frmBrowse& Browse() { return *windows().Get<frmBrowse>(kBrowseWindowName); }
    static bool Idle(const frmBrowse& b) { return !b.m_bFirst && !b.m_bBusy; }
    // True once a finished search lists every one of `names`. A search that
    // ended without one of them (a loaded machine can hold a camera's answer
    // past the listening time) is run again, as an operator presses Search
    // again; the script's step time bounds the retries.
    static bool Listed(frmBrowse& b, const QStringList& names)
    {
        if (!Idle(b))
            return false;
        for (const QString& name : names) {
            if (b.ListViewSearch->findItems(name, Qt::MatchExactly, 0).isEmpty()) {
                ModalScript::Click(b.cmdSearch);
                return false;
            }
        }
        return true;
    }
    static QList<QStringList> Rows(const frmBrowse& b)
    {
        QList<QStringList> rows;
        for (int i = 0; i < b.ListViewSearch->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = b.ListViewSearch->topLevelItem(i);
            rows << QStringList{item->text(0), item->text(1), item->text(2)};
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // Chooses the listed camera of this name and presses Add.
    static void AddNamed(frmBrowse& b, const QString& name)
    {
        const auto found = b.ListViewSearch->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1);
        b.ListViewSearch->setCurrentItem(found.front());
        ModalScript::Click(b.cmdAdd);
    }
    static void LogIn(ModalScript& script, const QString& user, const QString& password)
    {
        script.OnVisible<frmLogin>("a log-in prompt", [user, password](frmLogin& login) {
            ModalScript::Type(login.txtUserName, user);
            ModalScript::Type(login.txtPassword, password);
            ModalScript::Click(login.cmdOK);
        });
    }
    void Show(frmBrowse& b, ModalScript& script)
    {
        b.m_bCancel = false;
        b.ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    }

    CamsimProcess sim;
};
