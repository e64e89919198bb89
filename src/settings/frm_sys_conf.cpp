#include "settings/frm_sys_conf.h"

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/language_variant.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "platform/image_server/image_server.h"
#include "settings/frm_select_dir.h"
#include "settings/settings_units.h"
#include "settings/settings_windows.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Its section in the caption file is not its window name.
const QString kCaptionSection = QStringLiteral("frmSysConfig");
const QString kOpenTitle = QStringLiteral("Open Profile");
// Programs have no file-name extension here: any file may be chosen.
const QString kPlayerFilter = QStringLiteral("Any File (*)|*");

bool AllAsciiDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QComboBox* MakeList(QWidget* parent, const QStringList& items)
{
    auto* box = new QComboBox(parent);
    box->addItems(items);
    return box;
}

void SelectIndex(QComboBox* box, int index)
{
    box->setCurrentIndex(units::Clamp(index, box->count()));
}

}  // namespace

bool frmSysConf::HidesReserveSpace(const QString& language)
{
    return language == QLatin1String("TarselS") || language == QLatin1String("Tarsel")
           || VariantOf(language) == LangVariant::DADODEZE;
}

frmSysConf::frmSysConf(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("Configuration"));

    // Storage list.
    fraStorageList = new QGroupBox(QStringLiteral("Storage List"), this);
    ListViewStorage = new QTreeWidget(fraStorageList);
    ListViewStorage->setColumnCount(2);
    ListViewStorage->setHeaderLabels({QStringLiteral("Index"), QStringLiteral("Path")});
    ListViewStorage->setRootIsDecorated(false);
    ListViewStorage->setUniformRowHeights(true);
    ListViewStorage->header()->setStretchLastSection(true);
    ListViewStorage->setColumnWidth(0, 64);
    ListViewStorage->setMinimumHeight(140);
    cmdAddPath = new QPushButton(QStringLiteral("&Add"), fraStorageList);
    cmdModify = new QPushButton(QStringLiteral("&Modify"), fraStorageList);
    cmdDelete = new QPushButton(QStringLiteral("&Delete"), fraStorageList);
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addStretch(1);
    rowButtons->addWidget(cmdAddPath);
    rowButtons->addWidget(cmdModify);
    rowButtons->addWidget(cmdDelete);
    auto* storageLayout = new QVBoxLayout(fraStorageList);
    storageLayout->addWidget(ListViewStorage, 1);
    storageLayout->addLayout(rowButtons);

    // Reserve space and splitting.
    fraReserveSpace = new QGroupBox(QStringLiteral("Single HDD Reserve Space"), this);
    QStringList reserve;
    for (int i = 0; i < units::kReserveItems; ++i)
        reserve << QStringLiteral("%1 MB").arg(units::ReserveMB(i));
    cboReserveSpace = MakeList(fraReserveSpace, reserve);
    (new QHBoxLayout(fraReserveSpace))->addWidget(cboReserveSpace);

    fraSplitRecFile = new QGroupBox(QStringLiteral("Split Recording File"), this);
    cboSplitFileMode = MakeList(fraSplitRecFile, {QStringLiteral("Split File By Size"),
                                                  QStringLiteral("Split File By Time")});
    cboSplitFileValue =
        MakeList(fraSplitRecFile, {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"),
                                   QStringLiteral("40"), QStringLiteral("50")});
    lblSplitUnit = new QLabel(QStringLiteral("MB"), fraSplitRecFile);
    auto* splitLayout = new QHBoxLayout(fraSplitRecFile);
    splitLayout->addWidget(cboSplitFileMode, 1);
    splitLayout->addWidget(cboSplitFileValue);
    splitLayout->addWidget(lblSplitUnit);

    // Recycling.
    auto* fraRecycle = new QGroupBox(this);
    chkRecycle = new QCheckBox(fraRecycle);
    cboRecycleMode = MakeList(
        fraRecycle, {QStringLiteral("RECYCLE BY SIZE"), QStringLiteral("RECYCLE BY TIME")});
    cboRecycleSpaceValue = new QComboBox(fraRecycle);
    cboRecycleTime = new QComboBox(fraRecycle);
    lblRecycleUnit = new QLabel(QStringLiteral("Reserve HDD space per camera "), fraRecycle);
    chkKeepFile = new QCheckBox(QStringLiteral("Always Keep Current Recording Files"), fraRecycle);
    chkKeepFile->setEnabled(false);  // shown only: the setting is not kept
    auto* recycleLayout = new QGridLayout(fraRecycle);
    recycleLayout->addWidget(chkRecycle, 0, 0);
    recycleLayout->addWidget(cboRecycleMode, 0, 1);
    recycleLayout->addWidget(lblRecycleUnit, 1, 0);
    auto* values = new QHBoxLayout;
    values->addWidget(cboRecycleSpaceValue);
    values->addWidget(cboRecycleTime);
    recycleLayout->addLayout(values, 1, 1);
    recycleLayout->addWidget(chkKeepFile, 2, 0, 1, 2);

    fraLogStorage = new QGroupBox(QStringLiteral("Log Storage"), this);
    auto* logLayout = new QVBoxLayout(fraLogStorage);
    logLayout->addWidget(fraReserveSpace);
    logLayout->addWidget(fraSplitRecFile);
    logLayout->addWidget(fraStorageList, 1);
    logLayout->addWidget(fraRecycle);

    // Proxy.
    auto* frm = new QGroupBox(this);
    chkProxyServer = new QCheckBox(QStringLiteral("Proxy Server"), frm);
    lblProxyServerAddress = new QLabel(QStringLiteral("Address:"), frm);
    txtProxyServer = new QLineEdit(frm);
    lblProxyServerPort = new QLabel(QStringLiteral("Port:"), frm);
    txtProxyServerPort = new QLineEdit(frm);
    txtProxyServerPort->setMaxLength(kPortMaxLength);
    chkBypassProxyServer =
        new QCheckBox(QStringLiteral("Bypass proxy server for local address  "), frm);
    auto* proxyLayout = new QGridLayout(frm);
    proxyLayout->addWidget(chkProxyServer, 0, 0, 1, 2);
    proxyLayout->addWidget(lblProxyServerAddress, 1, 0);
    proxyLayout->addWidget(txtProxyServer, 1, 1);
    proxyLayout->addWidget(lblProxyServerPort, 2, 0);
    proxyLayout->addWidget(txtProxyServerPort, 2, 1);
    proxyLayout->addWidget(chkBypassProxyServer, 3, 0, 1, 2);

    // Scan delay.
    fraScanDelay = new QGroupBox(QStringLiteral("Camera Scan Delay"), this);
    QStringList delays;
    for (int i = 0; i < units::kScanDelayItems; ++i)
        delays << (i == 6 ? QStringLiteral("7 Sec. ") : QStringLiteral("%1 Sec.").arg(i + 1));
    cboScanDelay = MakeList(fraScanDelay, delays);
    (new QHBoxLayout(fraScanDelay))->addWidget(cboScanDelay);

    // Player.
    fraPlayerSetup = new QGroupBox(QStringLiteral("Player Setup"), this);
    optPlayerMode[0] = new QRadioButton(QStringLiteral("Windows system default"), fraPlayerSetup);
    optPlayerMode[1] = new QRadioButton(QStringLiteral("User define"), fraPlayerSetup);
    optPlayerMode[0]->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->addButton(optPlayerMode[0], 0);
    group->addButton(optPlayerMode[1], 1);
    txtPlayPath = new QLineEdit(fraPlayerSetup);
    txtPlayPath->setEnabled(false);
    cmdBrowse = new QPushButton(QStringLiteral("&Browse"), fraPlayerSetup);
    cmdBrowse->setEnabled(false);
    auto* playerLayout = new QGridLayout(fraPlayerSetup);
    playerLayout->addWidget(optPlayerMode[0], 0, 0, 1, 2);
    playerLayout->addWidget(optPlayerMode[1], 1, 0, 1, 2);
    playerLayout->addWidget(txtPlayPath, 2, 0);
    playerLayout->addWidget(cmdBrowse, 2, 1);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);

    auto* right = new QVBoxLayout;
    right->addWidget(frm);
    right->addWidget(fraScanDelay);
    right->addWidget(fraPlayerSetup);
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addWidget(fraLogStorage, 3);
    columns->addLayout(right, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);

    auto handler = [this](const char* name, void (frmSysConf::*fn)()) {
        return [this, name, fn] { Guard(name, [this, fn] { (this->*fn)(); }); };
    };
    connect(cmdOK, &QPushButton::clicked, this, handler("cmdOK_Click", &frmSysConf::cmdOK_Click));
    connect(cmdCancel, &QPushButton::clicked, this,
            handler("cmdCancel_Click", &frmSysConf::cmdCancel_Click));
    connect(cmdAddPath, &QPushButton::clicked, this,
            handler("cmdAddPath_Click", &frmSysConf::cmdAddPath_Click));
    connect(cmdModify, &QPushButton::clicked, this,
            handler("cmdModify_Click", &frmSysConf::cmdModify_Click));
    connect(cmdDelete, &QPushButton::clicked, this,
            handler("cmdDelete_Click", &frmSysConf::cmdDelete_Click));
    connect(cmdBrowse, &QPushButton::clicked, this,
            handler("cmdBrowse_Click", &frmSysConf::cmdBrowse_Click));
    connect(cboSplitFileMode, &QComboBox::currentIndexChanged, this,
            handler("cboSplitFileMode_Click", &frmSysConf::cboSplitFileMode_Click));
    connect(cboRecycleMode, &QComboBox::currentIndexChanged, this,
            handler("cboRecycleMode_Click", &frmSysConf::cboRecycleMode_Click));
    connect(chkRecycle, &QCheckBox::toggled, this,
            handler("chkRecycle_Click", &frmSysConf::chkRecycle_Click));
    connect(chkProxyServer, &QCheckBox::toggled, this,
            handler("chkProxyServer_Click", &frmSysConf::chkProxyServer_Click));
    connect(group, &QButtonGroup::idToggled, this,
            handler("optPlayerMode_Click", &frmSysConf::optPlayerMode_Click));
}

void frmSysConf::Form_Load()
{
    if (HidesReserveSpace(gLanguage))
        fraReserveSpace->setVisible(false);
    SetFormFont();
    LoadLanguage();

    // Indexes from a hand-edited main.ini are kept inside their lists.
    SelectIndex(cboReserveSpace, gReserveSpace);
    SelectIndex(cboSplitFileMode, gSplitFileMode);
    cboSplitFileMode_Click();  // also when the index did not change

    for (int n = 1; n <= std::clamp(gStorageCount, 0, kMaxStorages); ++n) {
        const StorageInfo& s = gStorage[static_cast<size_t>(n - 1)];
        AddStorageRow(s.Path, s.Checked);
    }
    if (ListViewStorage->topLevelItemCount() > 0)
        ListViewStorage->setCurrentItem(ListViewStorage->topLevelItem(0));

    for (int i = 0; i < units::kRecycleItems; ++i) {
        cboRecycleTime->addItem(QStringLiteral("%1 Hr.").arg(units::RecycleAgeHours(i)));
        cboRecycleSpaceValue->addItem(QStringLiteral("%1 MB").arg(units::RecycleQuotaMB(i)));
    }
    SelectIndex(cboRecycleMode, gRecycleMode);
    SelectIndex(cboRecycleSpaceValue, gRecycleSpaceValue);
    SelectIndex(cboRecycleTime, gRecycleTime);
    cboRecycleMode_Click();
    chkRecycle->setChecked(gUseRecycleFlag != 0);
    chkRecycle_Click();

    txtProxyServer->setText(gProxyServerAddress);
    txtProxyServerPort->setText(QString::number(gProxyServerPort));
    chkBypassProxyServer->setChecked(gBypassProxyServer);
    chkProxyServer->setChecked(gEnableProxy);
    chkProxyServer_Click();

    SelectIndex(cboScanDelay, gScanDelay);

    if (gPlayerMode == 0)
        optPlayerMode[0]->setChecked(true);
    else if (gPlayerMode == 1)
        optPlayerMode[1]->setChecked(true);
    txtPlayPath->setText(gPlayerPath);
    optPlayerMode_Click();
}

void frmSysConf::SetFormFont()
{
    ApplyLanguageFont({fraLogStorage,
                       fraReserveSpace,
                       fraSplitRecFile,
                       fraStorageList,
                       fraScanDelay,
                       fraPlayerSetup,
                       chkRecycle,
                       chkKeepFile,
                       chkProxyServer,
                       chkBypassProxyServer,
                       cmdModify,
                       cmdDelete,
                       cmdAddPath,
                       cmdOK,
                       cmdCancel,
                       cmdBrowse,
                       cboReserveSpace,
                       cboSplitFileValue,
                       cboRecycleSpaceValue,
                       cboScanDelay,
                       lblSplitUnit,
                       lblRecycleUnit,
                       lblProxyServerAddress,
                       lblProxyServerPort,
                       txtPlayPath,
                       ListViewStorage,
                       optPlayerMode[0],
                       optPlayerMode[1]});
}

bool frmSysConf::LoadLanguage()
{
    const auto lang = LanguageSection::Open(kCaptionSection);
    if (!lang)
        return false;
    auto text = [&lang](const char* key) { return lang->Text(QString::fromLatin1(key)); };
    setWindowTitle(text("Caption"));
    fraLogStorage->setTitle(text("fraLogStorage"));
    fraReserveSpace->setTitle(text("fraReserveSpace"));
    fraSplitRecFile->setTitle(text("fraSplitRecFile"));
    fraStorageList->setTitle(text("fraStorageList"));
    fraScanDelay->setTitle(text("fraScanDelay"));
    fraPlayerSetup->setTitle(text("fraPlayerSetup"));
    chkRecycle->setText(text("chkRecycle"));
    chkKeepFile->setText(text("chkKeepFile"));
    chkProxyServer->setText(text("chkProxyServer"));
    chkBypassProxyServer->setText(text("chkBypassProxyServer"));
    cmdModify->setText(text("cmdModify"));
    cmdDelete->setText(text("cmdDelete"));
    cmdAddPath->setText(text("cmdAddPath"));
    cmdOK->setText(text("cmdOK"));
    cmdCancel->setText(text("cmdCancel"));
    cmdBrowse->setText(text("cmdBrowse"));
    lblSplitUnit->setText(text("lblSplitUnit"));
    lblRecycleUnit->setText(text("lblRecycleUnit"));
    lblProxyServerAddress->setText(text("lblProxyServerAddress"));
    lblProxyServerPort->setText(text("lblProxyServerPort"));
    ListViewStorage->setHeaderLabels({text("colIndex"), text("colPath")});
    optPlayerMode[0]->setText(text("optPlayerMode(0)"));
    optPlayerMode[1]->setText(text("optPlayerMode(1)"));
    m_messages = lang->Messages(3);
    return true;
}

QString frmSysConf::Msg(int n) const { return m_messages[static_cast<size_t>(n - 1)]; }

// ---------------------------------------------------------------- storage rows

QTreeWidgetItem* frmSysConf::AddStorageRow(const QString& path, bool checked)
{
    auto* row = new QTreeWidgetItem(ListViewStorage);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setText(0, QString::number(ListViewStorage->topLevelItemCount()));
    row->setText(1, path);
    row->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    return row;
}

void frmSysConf::RenumberRows()
{
    for (int i = 0; i < ListViewStorage->topLevelItemCount(); ++i)
        ListViewStorage->topLevelItem(i)->setText(0, QString::number(i + 1));
}

int frmSysConf::SelectedRow() const
{
    QTreeWidgetItem* current = ListViewStorage->currentItem();
    return current ? ListViewStorage->indexOfTopLevelItem(current) + 1 : 0;
}

void frmSysConf::cmdAddPath_Click()
{
    if (ListViewStorage->topLevelItemCount() >= kMaxStorages) {
        Message(Msg(3), MsgIcon::Warning);
        return;
    }
    auto* picker = windows().Get<frmSelectDir>(kSelectDirWindowName);
    if (!picker)
        return;
    // A fresh picker, opened at the storage chosen in the list.
    const int selected = SelectedRow();
    if (selected > 0)
        picker->SetStartFolder(ListViewStorage->topLevelItem(selected - 1)->text(1));
    picker->ShowModal(this);
    if (!picker->m_bCancel) {
        QTreeWidgetItem* row = AddStorageRow(picker->Path(), picker->chkEnable->isChecked());
        ListViewStorage->setCurrentItem(row);
    }
    windows().Unload(kSelectDirWindowName);
}

void frmSysConf::cmdModify_Click()
{
    const int r = SelectedRow();
    if (r < 1)
        return;
    QTreeWidgetItem* row = ListViewStorage->topLevelItem(r - 1);
    auto* picker = windows().Get<frmSelectDir>(kSelectDirWindowName);
    if (!picker)
        return;
    picker->SetStartFolder(row->text(1));
    if (r == 1) {
        // The first storage cannot be switched off here.
        picker->chkEnable->setChecked(true);
        picker->chkEnable->setEnabled(false);
    } else {
        picker->chkEnable->setChecked(row->checkState(0) == Qt::Checked);
        picker->chkEnable->setEnabled(true);
    }
    picker->ShowModal(this);
    if (!picker->m_bCancel) {
        row->setText(1, picker->Path());
        row->setCheckState(0, picker->chkEnable->isChecked() ? Qt::Checked : Qt::Unchecked);
    }
    windows().Unload(kSelectDirWindowName);
}

void frmSysConf::cmdDelete_Click()
{
    const int count = ListViewStorage->topLevelItemCount();
    if (count < 2) {
        Message(Msg(1), MsgIcon::Warning);
        return;
    }
    const int r = SelectedRow();
    if (r < 1)
        return;
    delete ListViewStorage->takeTopLevelItem(r - 1);
    RenumberRows();
    if (ListViewStorage->topLevelItemCount() > 0)
        ListViewStorage->setCurrentItem(
            ListViewStorage->topLevelItem(ListViewStorage->topLevelItemCount() - 1));
}

// ---------------------------------------------------------------- other controls

void frmSysConf::cboSplitFileMode_Click()
{
    // The value list shows the stored value of the chosen mode.
    if (cboSplitFileMode->currentIndex() == 0) {
        SelectIndex(cboSplitFileValue, gFileSize);
        lblSplitUnit->setText(QStringLiteral("MB"));
    } else if (cboSplitFileMode->currentIndex() == 1) {
        SelectIndex(cboSplitFileValue, gFileTimeLimited);
        lblSplitUnit->setText(QStringLiteral("Min"));
    }
}

void frmSysConf::chkRecycle_Click()
{
    const bool on = chkRecycle->isChecked();
    cboRecycleMode->setEnabled(on);
    cboRecycleSpaceValue->setEnabled(on);
    cboRecycleTime->setEnabled(on);
}

void frmSysConf::cboRecycleMode_Click()
{
    const int mode = cboRecycleMode->currentIndex();
    if (mode != 0 && mode != 1)
        return;
    cboRecycleSpaceValue->setVisible(mode == 0);
    cboRecycleTime->setVisible(mode == 1);
}

void frmSysConf::chkProxyServer_Click()
{
    const bool on = chkProxyServer->isChecked();
    txtProxyServer->setEnabled(on);
    txtProxyServerPort->setEnabled(on);
    chkBypassProxyServer->setEnabled(on);
}

void frmSysConf::optPlayerMode_Click()
{
    if (optPlayerMode[1]->isChecked()) {
        txtPlayPath->setEnabled(true);
        cmdBrowse->setEnabled(true);
    } else if (optPlayerMode[0]->isChecked()) {
        txtPlayPath->setEnabled(false);
        cmdBrowse->setEnabled(false);
    }
}

void frmSysConf::cmdBrowse_Click()
{
    const QString file = ui().GetOpenFileName(this, kOpenTitle, AppPath(), kPlayerFilter);
    if (!file.isEmpty())
        txtPlayPath->setText(file);
}

void frmSysConf::cmdCancel_Click() { hide(); }

// ---------------------------------------------------------------- OK

void frmSysConf::cmdOK_Click()
{
    // Every check first: a refused OK changes nothing.
    const int rows = ListViewStorage->topLevelItemCount();
    bool anyChecked = false;
    for (int i = 0; i < rows; ++i)
        anyChecked |= ListViewStorage->topLevelItem(i)->checkState(0) == Qt::Checked;
    if (rows == 0 || !anyChecked) {
        Message(Msg(1), MsgIcon::Warning);
        return;
    }
    const bool proxy = chkProxyServer->isChecked();
    int port = gProxyServerPort;
    if (proxy) {
        const QString text = txtProxyServerPort->text();
        const int value = AllAsciiDigits(text) && text.size() <= kPortMaxLength ? text.toInt() : 0;
        if (value < 1 || value > 65535) {
            Message(Msg(2), MsgIcon::None);
            FocusAndSelect(txtProxyServerPort);
            return;
        }
        port = value;
    }

    // Recording files, pushed to all four camera objects.
    gReserveSpace = static_cast<qint16>(cboReserveSpace->currentIndex());
    gSplitFileMode = static_cast<qint16>(cboSplitFileMode->currentIndex());
    if (gSplitFileMode == 0)
        gFileSize = static_cast<qint16>(cboSplitFileValue->currentIndex());
    else
        gFileTimeLimited = static_cast<qint16>(cboSplitFileValue->currentIndex());
    auto* engine = windows().Get<frmMain>(kEngineWindowName);
    if (engine) {
        for (int k = 1; k <= kSlotCount; ++k) {
            ImageServer& cam = engine->Cam(k);
            cam.setReserveSpace(units::DialogReserveMB(cboReserveSpace->currentIndex(), gFileSize));
            cam.setSplitFileMode(gSplitFileMode);
            cam.setSplitFileSize(units::SplitSizeMB(gFileSize));
            cam.setSplitFileTime(units::SplitMinutes(gFileTimeLimited));
        }
    }

    // Storages; entries past the list keep their old values and are not saved.
    gStorageCount = rows;
    for (int n = 1; n <= rows; ++n) {
        const QTreeWidgetItem* row = ListViewStorage->topLevelItem(n - 1);
        gStorage[static_cast<size_t>(n - 1)] =
            StorageInfo{row->text(1), row->checkState(0) == Qt::Checked};
    }
    gActiveStorage = GetFirstCheckedStorage();

    gUseRecycleFlag = chkRecycle->isChecked() ? 1 : 0;
    gRecycleMode = cboRecycleMode->currentIndex();
    gRecycleSpaceValue = cboRecycleSpaceValue->currentIndex();
    gRecycleTime = cboRecycleTime->currentIndex();

    if (proxy) {
        gProxyServerAddress = txtProxyServer->text();
        gProxyServerPort = port;
        gBypassProxyServer = chkBypassProxyServer->isChecked();
        gEnableProxy = true;
    } else {
        gEnableProxy = false;
    }
    if (engine)
        for (int k = 1; k <= kSlotCount; ++k)
            PutProxySettings(engine->Cam(k));

    gScanDelay = cboScanDelay->currentIndex();
    if (engine)
        engine->tmrScan.setInterval(units::ScanStepMs(gScanDelay));

    if (optPlayerMode[0]->isChecked())
        gPlayerMode = 0;
    else if (optPlayerMode[1]->isChecked())
        gPlayerMode = 1;
    gPlayerPath = txtPlayPath->text();

    SaveSettingsOrWarn(SaveRequest::Operator);
    hide();
}
