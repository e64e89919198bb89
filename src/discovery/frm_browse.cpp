#include "discovery/frm_browse.h"

#include "discovery/discovery_windows.h"
#include "discovery/frm_add_cam.h"
#include "discovery/frm_change_ip_address.h"
#include "discovery/frm_check_password.h"
#include "discovery/frm_login.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/helpers.h"
#include "foundation/language_variant.h"
#include "foundation/settings.h"
#include "platform/image_server/admin_account.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/video_viewer/wis_viewer.h"

#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {
constexpr int kSearchPort = 8481;
constexpr int kAddressChangeWaitMs = 15000;
// SearchServer modes: a new list, or one more pass added to the list.
constexpr int kSearchNew = 1;
constexpr int kSearchMore = 2;
constexpr int kEntryRole = Qt::UserRole;
// How many more searches look for a camera that has not shown up at its new
// address yet (it takes a few seconds to move).
constexpr int kMoveSearches = 8;

// Positions of the window's layout, in pixels.
constexpr int kButtonTop = 221;
constexpr int kButtonWidth = 113;
constexpr int kButtonHeight = 25;
constexpr int kChangeIPLeft = 253;
}  // namespace

frmBrowse::frmBrowse(QWidget* parent)
    : DialogBase(parent), m_server(discoveryControls().imageServer()),
      m_viewer(discoveryControls().viewer())
{
    setWindowTitle(QStringLiteral("Browse"));
    setFixedSize(607, 258);

    ListViewSearch = new QTreeWidget(this);
    ListViewSearch->setGeometry(9, 9, 588, 206);
    ListViewSearch->setColumnCount(3);
    ListViewSearch->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("IP Address"), QStringLiteral("MAC Address")});
    ListViewSearch->setRootIsDecorated(false);
    ListViewSearch->setUniformRowHeights(true);
    ListViewSearch->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewSearch->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewSearch->setAllColumnsShowFocus(true);
    ListViewSearch->header()->setStretchLastSection(true);
    ListViewSearch->setColumnWidth(0, 250);
    ListViewSearch->setColumnWidth(1, 140);

    const auto button = [this](const char* text, int left) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
        return b;
    };
    cmdInputIP = button("&Input IP", 10);
    cmdAdd = button("&Add", 137);
    cmdChangeIPAddress = button("Change I&P", kChangeIPLeft);
    cmdSearch = button("&ReSearch", 369);
    cmdCancel = button("&Cancel", 485);
    cmdSearch->setDefault(true);
    setTabOrder(cmdInputIP, cmdAdd);
    setTabOrder(cmdAdd, cmdChangeIPAddress);
    setTabOrder(cmdChangeIPAddress, cmdSearch);
    setTabOrder(cmdSearch, cmdCancel);
    setTabOrder(cmdCancel, ListViewSearch);

    connect(cmdSearch, &QPushButton::clicked, this,
            [this] { Guard("cmdSearch_Click", [this] { cmdSearch_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
    connect(cmdAdd, &QPushButton::clicked, this,
            [this] { Guard("cmdAdd_Click", [this] { cmdAdd_Click(); }); });
    connect(cmdInputIP, &QPushButton::clicked, this,
            [this] { Guard("cmdInputIP_Click", [this] { cmdInputIP_Click(); }); });
    connect(cmdChangeIPAddress, &QPushButton::clicked, this,
            [this] { Guard("cmdChangeIPAddress_Click", [this] { cmdChangeIPAddress_Click(); }); });
    connect(m_server.get(), &ImageServer::Notify, this, [this](int code) {
        Guard("ImageServer1_Notify", [this, code] { ImageServer1_Notify(code); });
    });
    connect(m_server.get(), &ImageServer::EndSearch, this,
            [this] { Guard("ImageServer1_EndSearch", [this] { ImageServer1_EndSearch(); }); });
    connect(m_server.get(), &ImageServer::EndGetConfig, this, [this](int status) {
        Guard("ImageServer1_EndGetConfig", [this, status] { ImageServer1_EndGetConfig(status); });
    });
}

frmBrowse::~frmBrowse() = default;

void frmBrowse::Form_Load()
{
    m_bFirst = true;
    m_bSearchComplete = true;
    m_lCamCount = 0;
    m_server->setPort(kSearchPort);
    if (CurrentVariant() == LangVariant::TarselS) {
        cmdChangeIPAddress->hide();
        cmdAdd->move(kChangeIPLeft, kButtonTop);
    }
    SetCtlFont();
    LoadLanguage();
}

void frmBrowse::SetCtlFont()
{
    ApplyLanguageFont(
        {ListViewSearch, cmdAdd, cmdChangeIPAddress, cmdSearch, cmdCancel, cmdInputIP});
}

bool frmBrowse::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kBrowseWindowName);
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    cmdAdd->setText(lang->Text(QStringLiteral("cmdAdd")));
    cmdChangeIPAddress->setText(lang->Text(QStringLiteral("cmdChangeIPAddress")));
    cmdSearch->setText(lang->Text(QStringLiteral("cmdSearch")));
    cmdCancel->setText(lang->Text(QStringLiteral("cmdCancel")));
    cmdInputIP->setText(lang->Text(QStringLiteral("cmdInputIP")));
    ListViewSearch->setHeaderLabels({lang->Text(QStringLiteral("colName")),
                                     lang->Text(QStringLiteral("colIPAddress")),
                                     lang->Text(QStringLiteral("colMACAddress"))});
    const std::vector<QString> messages = lang->Messages(7);
    for (int i = 1; i <= 7; ++i)
        m_sMsg[static_cast<size_t>(i)] = messages[static_cast<size_t>(i - 1)];
    return true;
}

QStringList frmBrowse::ListedAddresses() const
{
    QStringList out;
    for (int i = 0; i < ListViewSearch->topLevelItemCount(); ++i)
        out << ListViewSearch->topLevelItem(i)->text(1);
    return out;
}

void frmBrowse::SetBtnEnabled(bool flag)
{
    cmdAdd->setEnabled(flag);
    // The address change needs its dialog; without it the button stays greyed.
    cmdChangeIPAddress->setEnabled(flag && windows().IsRegistered(kChangeIPAddressWindowName));
    cmdSearch->setEnabled(flag);
    cmdCancel->setEnabled(flag);
    cmdInputIP->setEnabled(flag);
}

void frmBrowse::Idle()
{
    SetBtnEnabled(true);
    m_bBusy = false;
    SetHourglass(false);
}

void frmBrowse::RecoverAfterError() { Idle(); }

void frmBrowse::OnFirstShow()
{
    if (!m_bFirst)
        return;
    cmdSearch_Click();
    m_bFirst = false;
}

// ---------------------------------------------------------------- search

void frmBrowse::cmdSearch_Click()
{
    SetBtnEnabled(false);
    ListViewSearch->clear();
    m_lCamCount = 0;
    SetHourglass(true);
    m_bBusy = true;
    m_server->searchServer(kSearchNew, QString());
}

void frmBrowse::ImageServer1_Notify(int code)
{
    if (code != NotifyCode::SearchHit)
        return;
    const int n = m_lCamCount;
    m_lCamCount = n + 1;
    m_server->selectServer(n);
    const QString address = m_server->serverIPAddress();
    const QString mac = m_server->serverMacAddress();
    if (m_move && !mac.isEmpty() && mac == m_move->mac) {
        // A camera still answering from the address it is leaving is not
        // listed there; once it answers elsewhere its slots follow it.
        if (address == m_move->oldAddress && address != m_move->newAddress)
            return;
        FollowMove(address);
    }
    const QString macDisplay = FormatMacAddress(mac);
    for (int i = 0; i < ListViewSearch->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* listed = ListViewSearch->topLevelItem(i);
        if (!mac.isEmpty() && listed->text(1) == address && listed->text(2) == macDisplay)
            return;  // found again by the pass after the change
    }
    // What the camera reports is shown as text only; a name or MAC address
    // that does not decode is listed as it came.
    auto* row = new QTreeWidgetItem(
        QStringList{CleanCameraText(m_server->serverName()), address, macDisplay});
    row->setData(0, kEntryRole, n);  // the row's search entry, wherever the row stands
    ListViewSearch->insertTopLevelItem(std::min(n, ListViewSearch->topLevelItemCount()), row);
}

void frmBrowse::ImageServer1_EndSearch()
{
    if (!m_bSearchComplete) {
        // One more pass after an address change: the list and its numbering go on.
        m_bSearchComplete = true;
        m_server->searchServer(kSearchMore, QString());
        return;
    }
    if (m_move) {
        // The changed camera has not answered from its new place yet: one
        // more pass, and the last one lists it wherever it answers.
        if (m_move->passesLeft-- <= 0)
            m_move.reset();
        m_server->searchServer(kSearchMore, QString());
        return;
    }
    Idle();
    if (ListViewSearch->topLevelItemCount() > 0)
        ListViewSearch->setCurrentItem(ListViewSearch->topLevelItem(0));
}

void frmBrowse::cmdCancel_Click()
{
    m_bCancel = true;
    hide();
}

// ---------------------------------------------------------------- adding a camera

bool frmBrowse::AskLogin(bool cancelSetsCancel)
{
    auto* login = windows().Get<frmLogin>(kLoginWindowName);
    if (login) {
        login->m_bCancel = true;  // anything but OK counts as a cancel
        login->ShowModal(this);
        login = windows().IfLoaded<frmLogin>(kLoginWindowName);
    }
    if (!login || login->m_bCancel) {
        Idle();
        if (cancelSetsCancel)
            m_bCancel = true;
        return false;
    }
    m_sUserame = login->m_sUserName;
    m_sPassword = login->m_sPassword;
    return true;
}

void frmBrowse::PutTypedCredentials()
{
    m_server->setUserName(m_sUserame);
    m_server->setPassword(m_sPassword);
}

bool frmBrowse::GiveOwnAddress(const QString& macDisplay)
{
    // The dialog lives only for this step, whatever way the step ends.
    struct UnloadAtEnd {
        ~UnloadAtEnd() { windows().Unload(kChangeIPAddressWindowName); }
    } unloadAtEnd;
    auto* dialog = windows().Get<IChangeIPAddressDialog>(kChangeIPAddressWindowName);
    if (!dialog)
        return false;  // no address dialog in this program: as if cancelled
    dialog->m_sIPAddress = m_sIPAddress;
    dialog->m_sMACAddress = macDisplay;
    dialog->m_sSubnetMask = QStringLiteral("255.255.255.0");
    dialog->m_sDefaultGateway = QStringLiteral("0.0.0.0");
    dialog->SetManualAddressOnly();
    dialog->ShowModal(this);
    dialog = windows().IfLoaded<IChangeIPAddressDialog>(kChangeIPAddressWindowName);
    if (!dialog || dialog->m_bCancel)
        return false;
    const QString address = dialog->m_sIPAddress;

    SetBtnEnabled(false);
    m_lCamCount = 0;
    SetHourglass(true);
    m_bBusy = true;
    m_bSearchComplete = false;
    const int result =
        m_server->setNetwork(address, dialog->m_sSubnetMask, dialog->m_sDefaultGateway);
    // Stored settings take effect when the camera applies them.
    if (result == ImageServer::kTrue)
        m_server->applyNetwork();
    // The camera restarts its network; the window keeps drawing meanwhile.
    ui().DoEvents();
    ui().SleepPumping(kAddressChangeWaitMs);
    ui().DoEvents();
    if (result != ImageServer::kTrue) {
        Message(m_sMsg[1], MsgIcon::None);
        Idle();
        return false;
    }
    m_server->setIPAddress(address);
    m_sIPAddress = address;
    SetHourglass(false);
    return true;
}

void frmBrowse::cmdAdd_Click()
{
    if (m_bBusy || ListViewSearch->topLevelItemCount() == 0)
        return;
    QTreeWidgetItem* row = ListViewSearch->currentItem();
    if (!row)
        return;  // no row chosen
    ImageServer& s = *m_server;

    // Another camera: nothing typed for an earlier one is offered, used or kept.
    m_sUserame.clear();
    m_sPassword.clear();
    windows().Unload(kLoginWindowName);
    s.setUserName(QString());
    s.setPassword(QString());

    const QVariant entry = row->data(0, kEntryRole);
    m_lCamIndex = (entry.isValid() ? entry.toInt() : ListViewSearch->indexOfTopLevelItem(row)) + 1;
    const QString chosen = row->text(1);
    const QString macDisplay = row->text(2);
    bool shared = false;
    for (int i = 0; i < ListViewSearch->topLevelItemCount(); ++i)
        if (ListViewSearch->topLevelItem(i) != row
            && ListViewSearch->topLevelItem(i)->text(1) == chosen)
            shared = true;

    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (gCam[static_cast<size_t>(slot)].IPAddress == chosen) {
            Message(m_sMsg[7], MsgIcon::None);
            Idle();
            return;
        }
    }

    s.selectServer(m_lCamIndex - 1);
    s.setProtocol(0);
    s.setPort(kSearchPort);
    s.setIPAddress(chosen);
    m_sIPAddress = chosen;
    m_lProtocol = s.serverProtocol();
    m_sMACAddress = s.serverMacAddress();
    s.setMacAddress(m_sMACAddress);
    const int capability = s.serverCapability();
    if (m_lProtocol == kProtocolServer || m_lProtocol == kProtocolServer80) {
        m_bPT = BitTestLong(capability, 4);
    } else if (m_lProtocol == kProtocolViewer) {
        s.setPort(s.serverWebPort());
        s.probeInit();
        s.probeStart(kProbePanTilt);
        m_bPT = s.probeResult() == 1;
    }
    switch (m_lProtocol) {
    case kProtocolServer:
        m_lPort = kSearchPort;
        break;
    case kProtocolServer80:
    case kProtocolServer80NoNet:
        m_lPort = 80;
        break;
    case kProtocolViewer:
    case kProtocolWebStream:
        m_lPort = s.serverWebPort();
        break;
    default:
        break;
    }

    if (shared && CurrentVariant() != LangVariant::TarselS) {
        if (Message(m_sMsg[5], MsgIcon::None, MsgButtons::YesNo) != MsgResult::Yes)
            return;
        if (!GiveOwnAddress(macDisplay))
            return;
    }

    s.setIPAddress(m_sIPAddress);
    m_bBusy = true;
    SetBtnEnabled(false);
    SetHourglass(true);

    // A camera that refuses the log-in without a user name and password is
    // asked for one, as a camera added by address is; whether it can be
    // reached at all shows in the configuration answer.
    bool openToAnyone = false;
    if (m_lProtocol != kProtocolViewer && m_lProtocol != kProtocolWebStream
        && s.loginTest(0) == ImageServer::kTrue)
        openToAnyone = ReadAdminPair(s).state == AdminAccount::None;

    m_bLocalCamera = true;
    m_sMACAddress = s.serverMacAddress();
    m_sServerModel = s.serverModel();
    m_sServerName = CleanCameraText(s.serverName());
    m_sFWVersion = s.fwVersion();
    m_sHWVersion = s.hwVersion();
    m_sROMVersion = s.romVersion();
    m_sLocation = s.serverLocation();

    s.setIPAddress(m_sIPAddress);
    s.setPort(m_lPort);
    s.setProtocol(m_lProtocol);
    SetHourglass(false);

    if (m_lProtocol == kProtocolViewer) {
        if (!AskLogin(true))
            return;
        PutViewerCredentials(s, *m_viewer, m_sUserame, m_sPassword);
    } else if (openToAnyone) {
        // Nothing protects this camera: it is taken as it is.
        SetBtnEnabled(true);
        m_bBusy = false;
        m_bCancel = false;
        hide();
        return;
    } else {
        if (!AskLogin(true))
            return;
        s.setAuthText(QString());
        PutTypedCredentials();
    }
    s.getConfig(true);
}

void frmBrowse::ImageServer1_EndGetConfig(int status)
{
    if (!m_bBusy)
        return;  // no configuration request of ours is under way
    switch (status) {
    case ImageServer::kTrue:
        Idle();
        m_bCancel = false;
        hide();
        break;
    case 0:
        Message(m_sMsg[6], MsgIcon::Critical);
        Idle();
        m_bCancel = true;
        break;
    case 1:
        Message(m_sMsg[4], MsgIcon::Critical);
        if (AskLogin(false)) {
            if (m_lProtocol == kProtocolViewer)
                PutViewerCredentials(*m_server, *m_viewer, m_sUserame, m_sPassword);
            else
                PutTypedCredentials();
            m_server->getConfig(true);
            return;  // the log-in dialog stays for the next answer
        }
        break;
    default:
        // An answer the window does not know ends the request all the same.
        Idle();
        break;
    }
    windows().Unload(kLoginWindowName);
}

void frmBrowse::cmdInputIP_Click()
{
    if (m_bBusy)
        return;
    auto* add = windows().Get<frmAddCam>(kAddCamWindowName);
    if (!add)
        return;
    add->bCancel = false;
    add->SetSearchAddresses(ListedAddresses());
    add->ShowModal(this);
    add = windows().IfLoaded<frmAddCam>(kAddCamWindowName);
    if (add && !add->bCancel) {
        m_sIPAddress = add->m_sIPAddress;
        m_lProtocol = add->m_lProtocol;
        m_lPort = add->m_lPort;
        m_server->setPort(m_lPort);
        m_bLocalCamera = add->m_bLocalCamera;
        ImageServer& found = add->ImageServer1();
        m_sMACAddress = found.serverMacAddress();
        m_sServerModel = found.serverModel();
        m_sServerName = found.serverName();
        m_sFWVersion = found.fwVersion();
        m_sHWVersion = found.hwVersion();
        m_sROMVersion = found.romVersion();
        m_sLocation = found.serverLocation();
        m_sUserame = add->m_sUserame;
        m_sPassword = add->m_sPassword;
        m_bPT = add->m_bPT;
        windows().Unload(kAddCamWindowName);
        m_bCancel = false;
        hide();
    }
    windows().Unload(kAddCamWindowName);
}

// ---------------------------------------------------------------- address change

namespace {
constexpr int kChangeWaitMs = 3000;
constexpr int kChangeExWaitMs = 1000;
constexpr int kModeStored = 0;
// Bits of the network flag word.
constexpr quint8 kFlagManual = 0;
constexpr quint8 kFlagDhcp = 1;
constexpr quint8 kFlagBit8 = 8;
constexpr quint8 kFlagBit9 = 9;
constexpr quint8 kFlagDhcp2 = 10;
constexpr quint8 kFlagBit11 = 11;

// The address dialog for one change; unloaded whatever way the change ends.
struct AddressDialog {
    frmChangeIPAddress* Get()
    {
        return windows().Get<frmChangeIPAddress>(kChangeIPAddressWindowName);
    }
    ~AddressDialog() { windows().Unload(kChangeIPAddressWindowName); }
};
}  // namespace

bool frmBrowse::PromptLogin(QString& user, QString& password)
{
    auto* login = windows().Get<frmLogin>(kLoginWindowName);
    if (login) {
        login->m_bCancel = true;
        login->ShowModal(this);
        login = windows().IfLoaded<frmLogin>(kLoginWindowName);
    }
    const bool ok = login && !login->m_bCancel;
    if (ok) {
        user = login->m_sUserName;
        password = login->m_sPassword;
    }
    windows().Unload(kLoginWindowName);
    return ok;
}

bool frmBrowse::CheckAdministrator(int mode, const QString& id, const QString& password,
                                   const QString& address, const QString& mac)
{
    auto* check = windows().Get<frmCheckPassword>(kCheckPasswordWindowName);
    bool passed = false;
    if (check) {
        check->m_lMode = mode;
        check->AdminID = id;
        check->Password = password;
        check->m_sIPAddress = address;
        check->m_sMACAddress = mac;
        check->ShowModal(this);
        check = windows().IfLoaded<frmCheckPassword>(kCheckPasswordWindowName);
        passed = check && !check->Cancel;
    }
    windows().Unload(kCheckPasswordWindowName);
    return passed;
}

void frmBrowse::cmdChangeIPAddress_Click()
{
    if (m_bBusy || ListViewSearch->topLevelItemCount() == 0)
        return;
    QTreeWidgetItem* row = ListViewSearch->currentItem();
    if (!row)
        return;
    const QVariant entryData = row->data(0, kEntryRole);
    const int entry =
        entryData.isValid() ? entryData.toInt() : ListViewSearch->indexOfTopLevelItem(row);
    if (entry < 0)
        return;
    const QString oldAddress = row->text(1);
    const QString macDisplay = row->text(2);
    ImageServer& s = *m_server;
    s.selectServer(entry);
    s.setIPAddress(oldAddress);
    m_changingMac = s.serverMacAddress();
    s.setMacAddress(m_changingMac);
    switch (s.serverProtocol()) {
    case kProtocolServer:
    case kProtocolServer80:
        ChangeAddressByAdmin(entry, oldAddress, macDisplay);
        break;
    case kProtocolViewer:
        ChangeAddressByLogin(oldAddress, macDisplay);
        break;
    case kProtocolWebStream:
        ChangeAddressByAccount(oldAddress, macDisplay);
        break;
    default:
        break;
    }
}

void frmBrowse::ExpectMove(const QString& oldAddress, const QString& newAddress)
{
    m_move = AddressMove{m_changingMac, oldAddress.trimmed(), newAddress.trimmed(), kMoveSearches};
}

void frmBrowse::FollowMove(const QString& address)
{
    const AddressMove move = *m_move;
    m_move.reset();
    if (address.isEmpty() || address == move.oldAddress)
        return;
    auto* engine = windows().IfLoaded<frmMain>(kEngineWindowName);
    bool changed = false;
    for (int n = 1; n <= kSlotCount; ++n) {
        CamInfo& cam = gCam[static_cast<size_t>(n)];
        if (!cam.Assign || cam.IPAddress != move.oldAddress)
            continue;
        // The slot's camera by its MAC address; a slot that never learnt it
        // goes by the address alone.
        if (!cam.MacAddress.isEmpty() && cam.MacAddress != move.mac)
            continue;
        cam.IPAddress = address;
        changed = true;
        if (!engine)
            continue;
        const bool running = cam.Enable;
        if (running)
            engine->CamStop(n);
        engine->PutSettingToCam(n);
        if (running)
            engine->CamStart(n);
    }
    if (!changed)
        return;
    SaveSettingsOrWarn(SaveRequest::Program);
    if (engine)
        engine->RefreshStatus();
}

void frmBrowse::ChangeAddressByAdmin(int entry, const QString& oldAddress,
                                     const QString& macDisplay)
{
    ImageServer& s = *m_server;
    SetHourglass(true);
    s.selectServer(entry);
    s.setIPAddress(oldAddress);
    const QString mac = s.serverMacAddress();
    s.setMacAddress(mac);
    s.setProtocol(kProtocolServer);
    s.setPort(kSearchPort);
    const int login = s.loginTest(0);
    SetHourglass(false);

    AddressDialog holder;
    frmChangeIPAddress* dialog = holder.Get();
    if (!dialog)
        return;
    dialog->m_sIPAddress = oldAddress;
    dialog->m_sMACAddress = macDisplay;
    bool dhcpAllowed = false;
    qint16 flags = 0;
    if (login == ImageServer::kTrue) {
        SetHourglass(true);
        const AdminPair pair = ReadAdminPair(s);
        SetHourglass(false);
        if (pair.state == AdminAccount::Readable) {
            if (!CheckAdministrator(kModeStored, pair.id, pair.password, oldAddress, mac))
                return;
            // The pair proves the change to the camera.
            s.setUserName(pair.id);
            s.setPassword(pair.password);
        } else if (pair.state == AdminAccount::Unreadable) {
            if (!CheckAdministrator(kCheckOnCamera, {}, {}, oldAddress, mac))
                return;
        }
        dialog = windows().IfLoaded<frmChangeIPAddress>(kChangeIPAddressWindowName);
        if (!dialog)
            return;
        SetHourglass(true);
        dialog->m_sSubnetMask = s.getConfigItem(kConfigSubnetMask);
        dialog->m_sDefaultGateway = s.getConfigItem(kConfigGateway);
        flags = static_cast<qint16>(
            static_cast<quint16>(s.getConfigWord(ImageServer::kNetworkFlagsWord)));
        SetHourglass(false);
        dialog->optDHCP->setVisible(true);
        dialog->optInputIP->setVisible(true);
        const bool dhcpNow = BitTestInteger(flags, kFlagDhcp) && BitTestInteger(flags, kFlagDhcp2);
        (dhcpNow ? dialog->optDHCP : dialog->optInputIP)->setChecked(true);
        dialog->OptionClicked();
        dhcpAllowed = true;
    } else {
        s.setIPAddress(oldAddress);
        s.setPort(kSearchPort);
        s.setProtocol(kProtocolServer);
        s.setMacAddress(mac);
        SetHourglass(true);
        const int state = s.adminState();
        SetHourglass(false);
        if (state == ImageServer::kAdminSet) {
            s.setUserName(QString());
            s.setPassword(QString());
            SetHourglass(true);
            const int answer = s.checkAdmin(QString(), QString());
            SetHourglass(false);
            if (answer == ImageServer::kAdminNeeded
                && !CheckAdministrator(kCheckOnCamera, {}, {}, oldAddress, mac))
                return;
        } else if (state != ImageServer::kAdminNone) {
            Message(m_sMsg[3], MsgIcon::Critical);
            return;
        }
        s.selectServer(entry);
        dialog = windows().IfLoaded<frmChangeIPAddress>(kChangeIPAddressWindowName);
        if (!dialog)
            return;
        dialog->m_sSubnetMask = s.serverSubnetMask();
        dialog->m_sDefaultGateway = s.serverGateway();
        dialog->SetManualAddressOnly();
    }

    dialog->ShowModal(this);
    dialog = windows().IfLoaded<frmChangeIPAddress>(kChangeIPAddressWindowName);
    if (!dialog || dialog->m_bCancel)
        return;
    SetBtnEnabled(false);
    m_lCamCount = 0;
    ListViewSearch->clear();
    SetHourglass(true);
    m_bBusy = true;
    m_bSearchComplete = false;
    int result = 0;
    if (dhcpAllowed && dialog->optDHCP->isChecked()) {
        BitClearInteger(flags, kFlagManual);
        BitSetInteger(flags, kFlagDhcp);
        BitClearInteger(flags, kFlagBit8);
        BitClearInteger(flags, kFlagBit9);
        BitSetInteger(flags, kFlagDhcp2);
        BitClearInteger(flags, kFlagBit11);
        s.setConfigWord(ImageServer::kNetworkFlagsWord, static_cast<quint16>(flags));
        result = s.saveConfig(1, 0);
    } else {
        result =
            s.setNetwork(dialog->m_sIPAddress, dialog->m_sSubnetMask, dialog->m_sDefaultGateway);
    }
    // The camera takes the new settings; the window waits without drawing.
    ui().Sleep(kChangeWaitMs);
    s.applyNetwork();
    if (result == ImageServer::kTrue) {
        // A camera that takes its address from DHCP is looked for everywhere.
        const bool dhcp = dhcpAllowed && dialog->optDHCP->isChecked();
        const QString target = dhcp ? QString() : dialog->m_sIPAddress;
        ExpectMove(oldAddress, target);
        s.setIPAddress(dialog->m_sIPAddress);
        s.searchServer(kSearchNew, target);
    } else {
        Message(m_sMsg[1], MsgIcon::Critical);
        Idle();
    }
}

void frmBrowse::ChangeAddressByLogin(const QString& oldAddress, const QString& macDisplay)
{
    ImageServer& s = *m_server;
    const int context = s.loginContext();
    const QString text = s.getLoginContextText(context);
    for (;;) {
        QString user, password;
        if (!PromptLogin(user, password))
            return;
        SetHourglass(true);
        s.useLoginContext(0, text);
        const int result = s.login(user, password);
        SetHourglass(false);
        if (result == ImageServer::kTrue)
            break;
        Message(m_sMsg[4], MsgIcon::Warning);
    }
    AddressDialog holder;
    frmChangeIPAddress* dialog = holder.Get();
    if (!dialog)
        return;
    dialog->m_sIPAddress = oldAddress;
    dialog->m_sMACAddress = macDisplay;
    dialog->m_sSubnetMask = s.serverSubnetMask();
    dialog->m_sDefaultGateway = s.serverGateway();
    dialog->optDHCP->setVisible(true);
    dialog->optInputIP->setVisible(true);
    dialog->ShowModal(this);
    dialog = windows().IfLoaded<frmChangeIPAddress>(kChangeIPAddressWindowName);
    if (!dialog || dialog->m_bCancel)
        return;
    SetHourglass(true);
    repaint();
    s.useLoginContext(0, text);
    const bool dhcp = dialog->optDHCP->isChecked();
    const QString typed = dialog->m_sIPAddress;
    const int result = s.setNetworkEx(dialog->m_sIPAddress, dialog->m_sSubnetMask,
                                      dialog->m_sDefaultGateway, dhcp ? 2 : 1);
    windows().Unload(kChangeIPAddressWindowName);
    ui().Sleep(kChangeExWaitMs);
    SetHourglass(false);
    if (result != ImageServer::kTrue)
        Message(m_sMsg[1], MsgIcon::Critical);
    else
        ExpectMove(oldAddress, dhcp ? QString() : typed);
    cmdSearch_Click();
}

void frmBrowse::ChangeAddressByAccount(const QString& oldAddress, const QString& macDisplay)
{
    ImageServer& s = *m_server;
    s.setProtocol(kProtocolWebStream);
    s.setPort(s.serverWebPort());
    SetHourglass(true);
    const QString adminId = s.getAdminAccount(0);
    const QString adminPassword = s.getAdminAccount(1);
    // A pair the camera does not let us read is checked by the camera.
    const bool askCamera =
        adminId.isEmpty() && adminPassword.isEmpty() && s.adminState() != ImageServer::kAdminNone;
    SetHourglass(false);
    QString user, password;
    for (;;) {
        if (!PromptLogin(user, password))
            return;
        bool ok = false;
        if (askCamera) {
            SetHourglass(true);
            ok = s.checkAdmin(user, password) == ImageServer::kAdminAccepted;
            SetHourglass(false);
        } else {
            ok = user == adminId && password == adminPassword;
        }
        if (ok)
            break;
        Message(m_sMsg[4], MsgIcon::Warning);
    }
    s.setUserName(user);
    s.setPassword(password);
    AddressDialog holder;
    frmChangeIPAddress* dialog = holder.Get();
    if (!dialog)
        return;
    dialog->m_sIPAddress = oldAddress;
    dialog->m_sMACAddress = macDisplay;
    dialog->m_sSubnetMask = s.serverSubnetMask();
    dialog->m_sDefaultGateway = s.serverGateway();
    dialog->SetManualAddressOnly();
    dialog->ShowModal(this);
    dialog = windows().IfLoaded<frmChangeIPAddress>(kChangeIPAddressWindowName);
    if (!dialog || dialog->m_bCancel)
        return;
    SetHourglass(true);
    repaint();
    const QString typed = dialog->m_sIPAddress;
    const int result =
        s.setNetwork(dialog->m_sIPAddress, dialog->m_sSubnetMask, dialog->m_sDefaultGateway);
    ui().Sleep(kChangeWaitMs);
    s.applyNetwork();
    windows().Unload(kChangeIPAddressWindowName);
    SetHourglass(false);
    if (result != ImageServer::kTrue)
        Message(m_sMsg[1], MsgIcon::Critical);
    else
        ExpectMove(oldAddress, typed);
    cmdSearch_Click();
}
