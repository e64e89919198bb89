// The engine's part of the language's caption file: texts that several
// windows and the engine itself use, read into the language tables.
#include "engine/frm_main.h"

#include "foundation/ini_values.h"
#include "foundation/resources.h"
#include "foundation/window_names.h"
#include "platform/settings_file.h"

bool frmMain::LoadLanguage()
{
    const QString path = CaptionFilePath();  // found whatever its capitalisation
    if (gLanguage.isEmpty() || path.isEmpty())
        return false;
    try {
        SettingsFile file;
        file.FileName(path);
        if (!file.Load())
            return false;
        const IniReader reader(file);
        const auto text = [&](const QString& section, const QString& key) {
            return file.GetValue(section, key).value_or(QString());
        };
        const auto message = [&](const QString& section, int k) {
            QString out;  // missing or the number 0: no text
            reader.TextByRule(section, QStringLiteral("Message%1").arg(k), out);
            return out;
        };

        for (int k = 1; k <= kSlotCount; ++k)
            text(QStringLiteral("General"), QStringLiteral("Cam%1ID").arg(k));  // read, not used
        gLangClientSkl[0] = text(kClientWindowName, QStringLiteral("sklBrightness"));
        gLangClientSkl[1] = text(kClientWindowName, QStringLiteral("sklContrast"));
        gLangClientSkl[2] = text(kClientWindowName, QStringLiteral("sklHue"));
        gLangCombineCaption = text(kCombineWindowName, QStringLiteral("Caption"));
        gLangScanCaption = text(kScanWindowName, QStringLiteral("Caption"));
        gLangWebCaption = text(kWebWindowName, QStringLiteral("Caption"));
        gLangModel = text(kPanelWindowName, QStringLiteral("strModel"));
        gLangHWVER = text(kPanelWindowName, QStringLiteral("strHWVER"));
        gLangFWVER = text(kPanelWindowName, QStringLiteral("strFWVER"));
        gLangROMVER = text(kPanelWindowName, QStringLiteral("strROMVER"));
        gLangMACADDR = text(kPanelWindowName, QStringLiteral("strMACADDR"));
        gLangIPADDR = text(kPanelWindowName, QStringLiteral("strIPADDR"));
        gLangName = text(kPanelWindowName, QStringLiteral("strName"));
        gLangOffLine = text(kPanelWindowName, QStringLiteral("strOffLine"));
        gLangOnLine = text(kPanelWindowName, QStringLiteral("strOnLine"));
        if (QString status;
            reader.TextByRule(kPanelWindowName, QStringLiteral("strReconnecting"), status))
            gLangReconnecting = status;
        gAppTitle = text(QStringLiteral("General"), QStringLiteral("AppTitle"));
        gLangRec[0] = text(kClientWindowName, QStringLiteral("strRec"));
        gLangRec[1] = text(kPanelWindowName, QStringLiteral("strManualRec"));
        gLangRec[2] = text(kPanelWindowName, QStringLiteral("strScheduleRec"));
        gLangRec[3] = text(kPanelWindowName, QStringLiteral("strMotionRec"));
        gLangCtrlMsg[1] = message(kPanelWindowName, 2);
        gLangClientMsg[0] = text(kClientWindowName, QStringLiteral("Message1"));
        gLangClientMsg[1] = text(kClientWindowName, QStringLiteral("Message2"));
        gLangPopup[0] = text(QStringLiteral("PopupMenu"), QStringLiteral("About"));
        gLangPopup[1] = text(QStringLiteral("PopupMenu"), QStringLiteral("Help"));
        gLangPopup[2] = text(QStringLiteral("PopupMenu"), QStringLiteral("FitWindow"));
        gLblEmpty = text(kPanelWindowName, QStringLiteral("strEmpty"));
        for (int k = 1; k <= 5; ++k)
            gLangCtrlMsg[k - 1] = message(kPanelWindowName, k);
        for (int k = 1; k <= 3; ++k)
            gLangMainMsg[k - 1] = message(kEngineWindowName, k);
        if (QString warning;
            reader.TextByRule(kEngineWindowName, QStringLiteral("strLogNotWritten"), warning))
            gLangLogNotWritten = warning;
        if (QString warning;
            reader.TextByRule(kEngineWindowName, QStringLiteral("strSettingsNotSaved"), warning))
            gLangSettingsNotSaved = warning;
        for (int k = 1; k <= 17; ++k)
            gLangEvent[k - 1] = text(kEngineWindowName, QStringLiteral("Event%1").arg(k));
        return true;
    } catch (...) {
        return false;  // what was read so far stays
    }
}
