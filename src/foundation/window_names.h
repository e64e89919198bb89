// The names of the program's windows in the window registry, each defined
// once. A window's name is also its section in the caption file. Windows that
// are not built yet keep their names here, so that callers can ask for them
// and find them missing.
#pragma once

#include <QString>

// The hidden camera engine.
inline const QString kEngineWindowName = QStringLiteral("frmMain");
// The control panel.
inline const QString kPanelWindowName = QStringLiteral("frmController");
// The video windows of the four slots are "frmClient1" .. "frmClient4"; their
// common section in the caption file is "frmClient".
inline const QString kClientWindowName = QStringLiteral("frmClient");
inline QString ClientWindowName(int n) { return kClientWindowName + QString::number(n); }
// The four cameras in one window.
inline const QString kCombineWindowName = QStringLiteral("frmCombineWindow");

// Dialogs.
inline const QString kBrowseWindowName = QStringLiteral("frmBrowse");
inline const QString kAddCamWindowName = QStringLiteral("frmAddCam");
inline const QString kLoginWindowName = QStringLiteral("frmLogin");
inline const QString kChangeIPAddressWindowName = QStringLiteral("frmChangeIPAddress");
inline const QString kCheckPasswordWindowName = QStringLiteral("frmCheckPassword");
inline const QString kAboutWindowName = QStringLiteral("frmAbout");
inline const QString kScanWindowName = QStringLiteral("frmScan");
inline const QString kWebWindowName = QStringLiteral("frmWeb");
inline const QString kSysConfWindowName = QStringLiteral("frmSysConf");
inline const QString kUpdateFWWindowName = QStringLiteral("frmUpdateFW");
inline const QString kTFTPProgressWindowName = QStringLiteral("frmTFTPProgress");
inline const QString kProgressWindowName = QStringLiteral("frmProgress");
inline const QString kMotionSettingWindowName = QStringLiteral("frmMotionSetting");
inline const QString kEMailSettingWindowName = QStringLiteral("frmEMailSetting");
inline const QString kScheduleWindowName = QStringLiteral("frmSchedule");
inline const QString kAddScheduleWindowName = QStringLiteral("frmAddSchedule");
inline const QString kPlayMenuWindowName = QStringLiteral("frmPlayMenu");
inline const QString kSelectDirWindowName = QStringLiteral("frmSelectDir");
inline const QString kNewFolderWindowName = QStringLiteral("frmNewFolder");
