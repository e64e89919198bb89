// The configuration dialog driven as an operator would: what it shows, every
// check with its message, what OK stores, pushes and saves, and that Cancel
// and a refused OK change nothing.
#include "settings/folder_lists.h"
#include "settings/frm_select_dir.h"
#include "settings/frm_sys_conf.h"
#include "settings_fixture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

class SysConfDialog : public SettingsFixture {
protected:
    SysConfDialog()
    {
        gStorage[0] = StorageInfo{folderA.path(), true};
        gStorage[1] = StorageInfo{folderB.path(), false};
        gStorageCount = 2;
        gActiveStorage = 1;
    }
    frmSysConf& Run(std::function<void(frmSysConf&)> act)
    {
        return SettingsFixture::Run<frmSysConf>(kSysConfWindowName, act);
    }
    static QTreeWidgetItem* Row(frmSysConf& d, int n)
    {
        return d.ListViewStorage->topLevelItem(n - 1);
    }
    static QStringList RowTexts(frmSysConf& d)
    {
        QStringList out;
        for (int i = 0; i < d.ListViewStorage->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* r = d.ListViewStorage->topLevelItem(i);
            out << QStringLiteral("%1 %2 %3")
                       .arg(r->text(0), r->text(1),
                            r->checkState(0) == Qt::Checked ? QStringLiteral("on")
                                                            : QStringLiteral("off"));
        }
        return out;
    }
    // Writes main.ini from the current globals, and remembers what it holds.
    QByteArray SavedBefore()
    {
        EXPECT_TRUE(SaveSettings());
        QFile f(MainIniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QByteArray SavedNow()
    {
        QFile f(MainIniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir folderA, folderB;
};

TEST_F(SysConfDialog, ShowsTheStoredSettings)
{
    gReserveSpace = 3;
    gSplitFileMode = 1;
    gFileSize = 2;
    gFileTimeLimited = 4;
    gUseRecycleFlag = 1;
    gRecycleMode = 1;
    gRecycleSpaceValue = 7;
    gRecycleTime = 9;
    gEnableProxy = true;
    gProxyServerAddress = QStringLiteral("proxy.lan");
    gProxyServerPort = 3128;
    gBypassProxyServer = false;
    gScanDelay = 6;
    gPlayerMode = 1;
    gPlayerPath = QStringLiteral("/usr/bin/player");
    Run([&](frmSysConf& d) {
        EXPECT_EQ(d.windowTitle(),
                  Caption(QStringLiteral("frmSysConfig"), QStringLiteral("Caption")));
        EXPECT_EQ(d.cboReserveSpace->currentText(), QStringLiteral("650 MB"));
        EXPECT_EQ(d.cboSplitFileMode->currentIndex(), 1);
        EXPECT_EQ(d.cboSplitFileValue->currentText(), QStringLiteral("50"));
        EXPECT_EQ(d.lblSplitUnit->text(), QStringLiteral("Min"));  // not the pack's "MB"
        EXPECT_EQ(RowTexts(d), (QStringList{QStringLiteral("1 %1 on").arg(folderA.path()),
                                            QStringLiteral("2 %1 off").arg(folderB.path())}));
        EXPECT_EQ(d.ListViewStorage->currentItem(), Row(d, 1));
        ASSERT_EQ(d.cboRecycleTime->count(), 50);
        EXPECT_EQ(d.cboRecycleTime->itemText(0), QStringLiteral("2 Hr."));
        EXPECT_EQ(d.cboRecycleTime->itemText(49), QStringLiteral("100 Hr."));
        EXPECT_EQ(d.cboRecycleSpaceValue->itemText(49), QStringLiteral("10000 MB"));
        EXPECT_EQ(d.cboRecycleTime->currentText(), QStringLiteral("20 Hr."));
        EXPECT_EQ(d.cboRecycleSpaceValue->currentText(), QStringLiteral("1600 MB"));
        EXPECT_TRUE(d.cboRecycleTime->isVisible());
        EXPECT_FALSE(d.cboRecycleSpaceValue->isVisible());
        EXPECT_TRUE(d.chkRecycle->isChecked());
        EXPECT_TRUE(d.cboRecycleMode->isEnabled());
        EXPECT_EQ(d.txtProxyServer->text(), QStringLiteral("proxy.lan"));
        EXPECT_EQ(d.txtProxyServerPort->text(), QStringLiteral("3128"));
        EXPECT_FALSE(d.chkBypassProxyServer->isChecked());
        EXPECT_TRUE(d.txtProxyServerPort->isEnabled());
        EXPECT_EQ(d.cboScanDelay->currentText(), QStringLiteral("7 Sec. "));
        EXPECT_TRUE(d.optPlayerMode[1]->isChecked());
        EXPECT_EQ(d.txtPlayPath->text(), QStringLiteral("/usr/bin/player"));
        EXPECT_TRUE(d.txtPlayPath->isEnabled());
        EXPECT_TRUE(d.cmdBrowse->isEnabled());
        EXPECT_FALSE(d.chkKeepFile->isEnabled());

        // The switches follow the operator.
        d.chkRecycle->click();
        EXPECT_FALSE(d.cboRecycleMode->isEnabled());
        EXPECT_FALSE(d.cboRecycleTime->isEnabled());
        d.chkProxyServer->click();
        EXPECT_FALSE(d.txtProxyServer->isEnabled());
        EXPECT_FALSE(d.chkBypassProxyServer->isEnabled());
        d.optPlayerMode[0]->click();
        EXPECT_FALSE(d.txtPlayPath->isEnabled());
        d.cboRecycleMode->setCurrentIndex(0);
        EXPECT_TRUE(d.cboRecycleSpaceValue->isVisible());
        EXPECT_FALSE(d.cboRecycleTime->isVisible());
        ModalScript::Click(d.cmdCancel);
    });
}

TEST_F(SysConfDialog, IndexesFromAHandEditedFileStayInsideTheirLists)
{
    gReserveSpace = 40;
    gFileSize = 9;
    gRecycleSpaceValue = 700;
    gRecycleTime = -3;
    gScanDelay = 300;
    Run([](frmSysConf& d) {
        EXPECT_EQ(d.cboReserveSpace->currentText(), QStringLiteral("1000 MB"));
        EXPECT_EQ(d.cboSplitFileValue->currentText(), QStringLiteral("50"));
        EXPECT_EQ(d.cboRecycleSpaceValue->currentText(), QStringLiteral("10000 MB"));
        EXPECT_EQ(d.cboRecycleTime->currentText(), QStringLiteral("2 Hr."));
        EXPECT_EQ(d.cboScanDelay->currentText(), QStringLiteral("20 Sec."));
        ModalScript::Click(d.cmdCancel);
    });
}

TEST_F(SysConfDialog, SwitchingTheSplitModeShowsTheStoredValueOfThatMode)
{
    gSplitFileMode = 0;
    gFileSize = 1;
    gFileTimeLimited = 3;
    Run([](frmSysConf& d) {
        EXPECT_EQ(d.cboSplitFileValue->currentText(), QStringLiteral("20"));
        d.cboSplitFileValue->setCurrentIndex(4);  // chosen, then the mode switches
        d.cboSplitFileMode->setCurrentIndex(1);
        EXPECT_EQ(d.cboSplitFileValue->currentText(), QStringLiteral("40"));
        EXPECT_EQ(d.lblSplitUnit->text(), QStringLiteral("Min"));
        d.cboSplitFileMode->setCurrentIndex(0);
        EXPECT_EQ(d.cboSplitFileValue->currentText(), QStringLiteral("20"));
        EXPECT_EQ(d.lblSplitUnit->text(), QStringLiteral("MB"));
        ModalScript::Click(d.cmdCancel);
    });
}

TEST_F(SysConfDialog, SomeLanguagesHideTheReserveSpaceButOKStillStoresIt)
{
    const struct {
        const char* tag;
        bool hidden;
    } cases[] = {{"TarselS", true},  {"tarsels", false}, {"Tarsel", true},
                 {"dadodeze", true}, {"DADODEZE", true}, {"english", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        EXPECT_EQ(frmSysConf::HidesReserveSpace(QString::fromLatin1(c.tag)), c.hidden);
    }
    gLanguage = QStringLiteral("Tarsel");
    gReserveSpace = 4;
    gFileSize = 0;
    Run([](frmSysConf& d) {
        EXPECT_FALSE(d.fraReserveSpace->isVisible());
        EXPECT_TRUE(d.fraSplitRecFile->isVisible());
        ModalScript::Click(d.cmdOK);
    });
    EXPECT_EQ(gReserveSpace, 4);
    EXPECT_EQ(cam(1).reserveSpace, 500 + 4 * 50 - 10);
}

TEST_F(SysConfDialog, OKStoresPushesToEveryCameraInOrderAndSaves)
{
    struct Case {
        int reserve, fileSize, timeLimited, mode, scan;
        int wantReserveOnCamera, wantSize, wantTime, wantInterval;
    };
    const Case cases[] = {
        {0, 4, 0, 0, 0, 450, 50, 10, 1000},
        {10, 0, 2, 0, 19, 990, 10, 30, 20000},
        // In time mode the stored size is still what is subtracted.
        {2, 3, 1, 1, 4, 560, 40, 20, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wantReserveOnCamera);
        windows().Unload(kSysConfWindowName);
        QFile::remove(MainIniPath());
        gFileSize = static_cast<qint16>(c.fileSize);
        gFileTimeLimited = static_cast<qint16>(c.timeLimited);
        gProxyServerAddress = QStringLiteral("old.proxy");
        ClearCalls();
        Run([&](frmSysConf& d) {
            d.cboReserveSpace->setCurrentIndex(c.reserve);
            d.cboSplitFileMode->setCurrentIndex(c.mode);
            d.cboScanDelay->setCurrentIndex(c.scan);
            d.chkRecycle->setChecked(true);
            d.cboRecycleMode->setCurrentIndex(1);
            d.cboRecycleTime->setCurrentIndex(11);
            d.cboRecycleSpaceValue->setCurrentIndex(5);
            d.chkProxyServer->setChecked(true);
            ModalScript::Type(d.txtProxyServer, QStringLiteral("proxy.lan"));
            ModalScript::Type(d.txtProxyServerPort, QStringLiteral("08080"));
            d.chkBypassProxyServer->setChecked(false);
            d.optPlayerMode[1]->click();
            ModalScript::Type(d.txtPlayPath, QStringLiteral("/opt/player/play"));
            Row(d, 1)->setCheckState(0, Qt::Unchecked);
            Row(d, 2)->setCheckState(0, Qt::Checked);
            ModalScript::Click(d.cmdOK);
        });
        EXPECT_TRUE(fakeUi.messages.empty());
        EXPECT_EQ(gReserveSpace, c.reserve);
        EXPECT_EQ(gSplitFileMode, c.mode);
        EXPECT_EQ(gFileSize, c.fileSize);  // the value list wrote the stored value back
        EXPECT_EQ(gFileTimeLimited, c.timeLimited);
        EXPECT_EQ(gStorageCount, 2);
        EXPECT_FALSE(gStorage[0].Checked);
        EXPECT_TRUE(gStorage[1].Checked);
        EXPECT_EQ(gActiveStorage, 2);
        EXPECT_EQ(gUseRecycleFlag, 1);
        EXPECT_EQ(gRecycleMode, 1);
        EXPECT_EQ(gRecycleTime, 11);
        EXPECT_EQ(gRecycleSpaceValue, 5);
        EXPECT_TRUE(gEnableProxy);
        EXPECT_EQ(gProxyServerAddress, QStringLiteral("proxy.lan"));
        EXPECT_EQ(gProxyServerPort, 8080);
        EXPECT_FALSE(gBypassProxyServer);
        EXPECT_EQ(gScanDelay, c.scan);
        EXPECT_EQ(Engine().tmrScan.interval(), c.wantInterval);
        EXPECT_EQ(gPlayerMode, 1);
        EXPECT_EQ(gPlayerPath, QStringLiteral("/opt/player/play"));
        for (int k = 1; k <= kSlotCount; ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(cam(k).Sequence(),
                      (std::vector<CamId>{CamId::ReserveSpace, CamId::SplitFileMode,
                                          CamId::SplitFileSize, CamId::SplitFileTime,
                                          CamId::ProxyServerAddress, CamId::ProxyServerPort,
                                          CamId::EnableProxy, CamId::BypassProxyServer}));
            EXPECT_EQ(cam(k).reserveSpace, c.wantReserveOnCamera);
            EXPECT_EQ(cam(k).splitFileMode, c.mode);
            EXPECT_EQ(cam(k).splitFileSize, c.wantSize);
            EXPECT_EQ(cam(k).splitFileTime, c.wantTime);
            EXPECT_EQ(cam(k).proxyAddress, QStringLiteral("proxy.lan"));
            EXPECT_EQ(cam(k).proxyPort, 8080);
            EXPECT_TRUE(cam(k).enableProxy);
            EXPECT_FALSE(cam(k).bypassProxy);
        }
        EXPECT_EQ(Saved(QStringLiteral("General"), QStringLiteral("ProxyServerPort")),
                  QStringLiteral("8080"));
        EXPECT_EQ(Saved(QStringLiteral("General"), QStringLiteral("ReserveSpace")),
                  QString::number(c.reserve));
        EXPECT_EQ(Saved(QStringLiteral("General"), QStringLiteral("ActiveStorage")),
                  QStringLiteral("2"));
        EXPECT_EQ(Saved(QStringLiteral("General"), QStringLiteral("PlayerPath")),
                  QStringLiteral("/opt/player/play"));
        EXPECT_EQ(Saved(QStringLiteral("General"), QStringLiteral("ScanDelay")),
                  QString::number(c.scan));
    }
}

TEST_F(SysConfDialog, TheProxyPortIsDigitsOnlyFromOneTo65535)
{
    struct Case {
        QString typed;
        bool accepted;
        int stored;
    };
    const Case cases[] = {
        {QStringLiteral("08080"), true, 8080},
        {QStringLiteral("1"), true, 1},
        {QStringLiteral("65535"), true, 65535},
        {QStringLiteral("80a"), false, 0},
        {QStringLiteral(" 80"), false, 0},
        {QString(), false, 0},
        {QStringLiteral("0"), false, 0},
        {QStringLiteral("65536"), false, 0},
        {QStringLiteral("-80"), false, 0},
        {QStringLiteral("８０"), false, 0},
        // A long paste is cut to five characters by the box, then judged.
        {QString(500, QLatin1Char('9')), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.left(8).toStdString());
        windows().Unload(kSysConfWindowName);
        InitGlobalVariable();
        gLanguage = QStringLiteral("english");
        gAppTitle = QStringLiteral("Cameras");
        gStorage[0] = StorageInfo{folderA.path(), true};
        gStorageCount = 1;
        gProxyServerPort = 3128;
        const QByteArray before = SavedBefore();
        fakeUi.messages.clear();
        ClearCalls();
        QString shownPort;
        bool portFocused = false;
        Run([&](frmSysConf& d) {
            d.chkProxyServer->setChecked(true);
            d.cboReserveSpace->setCurrentIndex(5);
            d.txtProxyServerPort->setText(c.typed);  // typed or pasted
            ModalScript::Click(d.cmdOK);
            if (d.isVisible()) {
                portFocused =
                    d.txtProxyServerPort->hasFocus()
                    && d.txtProxyServerPort->selectedText() == d.txtProxyServerPort->text();
                shownPort = d.txtProxyServerPort->text();
                ModalScript::Click(d.cmdCancel);
            }
        });
        if (c.accepted) {
            EXPECT_TRUE(fakeUi.messages.empty());
            EXPECT_EQ(gProxyServerPort, c.stored);
            EXPECT_TRUE(gEnableProxy);
        } else {
            ASSERT_EQ(fakeUi.messages.size(), 1u);
            EXPECT_EQ(fakeUi.messages[0].text,
                      Caption(QStringLiteral("frmSysConfig"), QStringLiteral("Message2")));
            EXPECT_EQ(fakeUi.messages[0].icon, MsgIcon::None);
            EXPECT_EQ(fakeUi.messages[0].title, QStringLiteral("Cameras"));
            EXPECT_TRUE(portFocused);
            EXPECT_LE(shownPort.size(), frmSysConf::kPortMaxLength);
            // Nothing was stored, pushed or saved.
            EXPECT_EQ(gProxyServerPort, 3128);
            EXPECT_FALSE(gEnableProxy);
            EXPECT_EQ(gReserveSpace, 0);
            EXPECT_EQ(CameraCalls(), 0);
            EXPECT_EQ(SavedNow(), before);
        }
    }
}

TEST_F(SysConfDialog, WithTheProxyOffThePortIsNotCheckedAndTheStoredOneIsPushed)
{
    gEnableProxy = true;
    gProxyServerPort = 3128;
    gProxyServerAddress = QStringLiteral("kept.proxy");
    Run([](frmSysConf& d) {
        ModalScript::Type(d.txtProxyServerPort, QStringLiteral("junk"));
        ModalScript::Type(d.txtProxyServer, QStringLiteral("typed.proxy"));
        d.chkProxyServer->setChecked(false);
        ModalScript::Click(d.cmdOK);
    });
    EXPECT_TRUE(fakeUi.messages.empty());
    EXPECT_FALSE(gEnableProxy);
    EXPECT_EQ(gProxyServerPort, 3128);
    EXPECT_EQ(gProxyServerAddress, QStringLiteral("kept.proxy"));
    EXPECT_EQ(cam(3).proxyPort, 3128);
    EXPECT_EQ(cam(3).proxyAddress, QStringLiteral("kept.proxy"));
    EXPECT_FALSE(cam(3).enableProxy);
}

TEST_F(SysConfDialog, OKNeedsAListedAndEnabledStorageAndChangesNothingWithout)
{
    const QString message = Caption(QStringLiteral("frmSysConfig"), QStringLiteral("Message1"));
    for (const bool noRows : {true, false}) {
        SCOPED_TRACE(noRows ? "no storage row" : "no row checked");
        windows().Unload(kSysConfWindowName);
        gStorageCount = noRows ? 0 : 2;
        const QByteArray before = SavedBefore();
        fakeUi.messages.clear();
        ClearCalls();
        bool stayedOpen = false;
        Run([&](frmSysConf& d) {
            for (int i = 0; i < d.ListViewStorage->topLevelItemCount(); ++i)
                d.ListViewStorage->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
            d.cboReserveSpace->setCurrentIndex(7);
            d.cboScanDelay->setCurrentIndex(9);
            ModalScript::Click(d.cmdOK);
            stayedOpen = d.isVisible();
            ModalScript::Click(d.cmdCancel);
        });
        EXPECT_TRUE(stayedOpen);
        ASSERT_EQ(MessageTexts(), QStringList{message});
        EXPECT_EQ(fakeUi.messages[0].icon, MsgIcon::Warning);
        EXPECT_EQ(gReserveSpace, 0);
        EXPECT_EQ(gScanDelay, 0);
        EXPECT_EQ(gStorageCount, noRows ? 0 : 2);
        EXPECT_TRUE(gStorage[0].Checked);
        EXPECT_EQ(CameraCalls(), 0);
        EXPECT_EQ(SavedNow(), before);
    }
}

TEST_F(SysConfDialog, CancelEscAndTheCloseBoxChangeNothing)
{
    for (int how = 0; how < 3; ++how) {
        SCOPED_TRACE(how);
        windows().Unload(kSysConfWindowName);
        QFile::remove(MainIniPath());
        ClearCalls();
        Run([how](frmSysConf& d) {
            d.cboReserveSpace->setCurrentIndex(9);
            d.chkProxyServer->setChecked(true);
            ModalScript::Type(d.txtProxyServerPort, QStringLiteral("81"));
            d.ListViewStorage->topLevelItem(1)->setCheckState(0, Qt::Checked);
            if (how == 0)
                ModalScript::Click(d.cmdCancel);
            else if (how == 1)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                d.close();
        });
        EXPECT_EQ(gReserveSpace, 0);
        EXPECT_FALSE(gEnableProxy);
        EXPECT_FALSE(gStorage[1].Checked);
        EXPECT_EQ(CameraCalls(), 0);
        EXPECT_FALSE(QFileInfo::exists(MainIniPath()));
    }
}

TEST_F(SysConfDialog, StorageRowsAreAddedChangedAndDeletedThroughThePicker)
{
    QTemporaryDir picked;
    ASSERT_TRUE(QDir(picked.path()).mkdir(QStringLiteral("inner")));
    bool pickerEnableEditable = false;
    bool pickerEnableChecked = false;
    QString pickerStart;
    QStringList afterAdd, afterCancelledAdd, afterModifyFirst, afterModifySecond, afterDelete;
    Run([&](frmSysConf& d) {
        ModalScript inner;
        // Add: a fresh picker, opened at the chosen storage; the operator opens
        // a folder and leaves the storage switched off.
        inner.OnVisible<frmSelectDir>("the picker for Add", [&](frmSelectDir& p) {
            pickerEnableEditable = p.chkEnable->isEnabled();
            pickerEnableChecked = p.chkEnable->isChecked();
            pickerStart = p.Path();
            p.Dir1->SetPath(picked.path());
            p.chkEnable->setChecked(false);
            ModalScript::Click(p.cmdOK);
        });
        ModalScript::Click(d.cmdAddPath);
        EXPECT_TRUE(inner.Complete()) << inner.Failure().toStdString();
        afterAdd = RowTexts(d);
        EXPECT_EQ(d.ListViewStorage->currentItem(), Row(d, 3));

        ModalScript cancelled;
        cancelled.OnVisible<frmSelectDir>("the cancelled picker", [&](frmSelectDir& p) {
            p.Dir1->SetPath(picked.path() + QStringLiteral("/inner"));
            ModalScript::Click(p.cmdCancel);
        });
        ModalScript::Click(d.cmdAddPath);
        EXPECT_TRUE(cancelled.Complete());
        afterCancelledAdd = RowTexts(d);

        // Modify row 1: the storage stays enabled, whatever its state before.
        Row(d, 1)->setCheckState(0, Qt::Unchecked);
        d.ListViewStorage->setCurrentItem(Row(d, 1));
        ModalScript first;
        first.OnVisible<frmSelectDir>("the picker for row 1", [&](frmSelectDir& p) {
            EXPECT_TRUE(p.chkEnable->isChecked());
            EXPECT_FALSE(p.chkEnable->isEnabled());
            EXPECT_EQ(p.Path(), QDir::cleanPath(folderA.path()));
            p.Dir1->SetPath(picked.path() + QStringLiteral("/inner"));
            ModalScript::Click(p.cmdOK);
        });
        ModalScript::Click(d.cmdModify);
        EXPECT_TRUE(first.Complete());
        afterModifyFirst = RowTexts(d);

        // Modify row 3: the box shows the row's state and can be changed.
        d.ListViewStorage->setCurrentItem(Row(d, 3));
        ModalScript third;
        third.OnVisible<frmSelectDir>("the picker for row 3", [&](frmSelectDir& p) {
            EXPECT_FALSE(p.chkEnable->isChecked());
            EXPECT_TRUE(p.chkEnable->isEnabled());
            p.chkEnable->setChecked(true);
            ModalScript::Click(p.cmdOK);
        });
        ModalScript::Click(d.cmdModify);
        EXPECT_TRUE(third.Complete());
        afterModifySecond = RowTexts(d);

        // Deleting row 1 renumbers the rest and chooses the last row.
        d.ListViewStorage->setCurrentItem(Row(d, 1));
        ModalScript::Click(d.cmdDelete);
        afterDelete = RowTexts(d);
        EXPECT_EQ(d.ListViewStorage->currentItem(), Row(d, 2));
        ModalScript::Click(d.cmdOK);
    });
    const QString a = folderA.path(), b = folderB.path(), p = QDir::cleanPath(picked.path());
    EXPECT_TRUE(pickerEnableEditable);
    EXPECT_TRUE(pickerEnableChecked);
    EXPECT_EQ(pickerStart, QDir::cleanPath(a));
    EXPECT_EQ(afterAdd,
              (QStringList{QStringLiteral("1 %1 on").arg(a), QStringLiteral("2 %1 off").arg(b),
                           QStringLiteral("3 %1 off").arg(p)}));
    EXPECT_EQ(afterCancelledAdd, afterAdd);
    EXPECT_EQ(afterModifyFirst[0], QStringLiteral("1 %1/inner on").arg(p));
    EXPECT_EQ(afterModifySecond[2], QStringLiteral("3 %1 on").arg(p));
    EXPECT_EQ(afterDelete,
              (QStringList{QStringLiteral("1 %1 off").arg(b), QStringLiteral("2 %1 on").arg(p)}));
    EXPECT_EQ(gStorageCount, 2);
    EXPECT_EQ(gStorage[0].Path, b);
    EXPECT_EQ(gStorage[1].Path, p);
    EXPECT_EQ(gActiveStorage, 2);
    EXPECT_FALSE(windows().IsLoaded(kSelectDirWindowName));
}

TEST_F(SysConfDialog, TheListKeepsOneToSixteenRows)
{
    for (int n = 0; n < kMaxStorages; ++n)
        gStorage[static_cast<size_t>(n)] = StorageInfo{folderA.path(), n == 0};
    gStorageCount = kMaxStorages;
    Run([&](frmSysConf& d) {
        ModalScript::Click(d.cmdAddPath);  // a 17th row: refused, no picker
        EXPECT_FALSE(windows().IsLoaded(kSelectDirWindowName));
        EXPECT_EQ(d.ListViewStorage->topLevelItemCount(), kMaxStorages);
        while (d.ListViewStorage->topLevelItemCount() > 1)
            ModalScript::Click(d.cmdDelete);
        ModalScript::Click(d.cmdDelete);  // the last row stays
        EXPECT_EQ(d.ListViewStorage->topLevelItemCount(), 1);
        EXPECT_EQ(Row(d, 1)->text(0), QStringLiteral("1"));
        ModalScript::Click(d.cmdCancel);
    });
    EXPECT_EQ(MessageTexts(),
              (QStringList{Caption(QStringLiteral("frmSysConfig"), QStringLiteral("Message3")),
                           Caption(QStringLiteral("frmSysConfig"), QStringLiteral("Message1"))}));
    for (const ShownMessage& m : fakeUi.messages)
        EXPECT_EQ(m.icon, MsgIcon::Warning);
}

TEST_F(SysConfDialog, BrowseAsksForAnExistingProgramAndKeepsTheTextWhenCancelled)
{
    gPlayerMode = 1;
    gPlayerPath = QStringLiteral("/old/player");
    QStringList shown;
    Run([&](frmSysConf& d) {
        fakeUi.openFileAnswer.clear();
        ModalScript::Click(d.cmdBrowse);
        shown << d.txtPlayPath->text();
        fakeUi.openFileAnswer = QStringLiteral("/new/player");
        ModalScript::Click(d.cmdBrowse);
        shown << d.txtPlayPath->text();
        ModalScript::Click(d.cmdCancel);
    });
    EXPECT_EQ(shown, (QStringList{QStringLiteral("/old/player"), QStringLiteral("/new/player")}));
    ASSERT_EQ(fakeUi.fileDialogs.size(), 2u);
    EXPECT_EQ(fakeUi.fileDialogs[0].title, QStringLiteral("Open Profile"));
    EXPECT_EQ(fakeUi.fileDialogs[0].dir, program.path());
    EXPECT_EQ(gPlayerPath, QStringLiteral("/old/player"));  // cancelled dialog
}

}  // namespace
