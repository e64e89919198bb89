// The engine's part of the language's caption file: texts that several
// windows and the engine itself use, read into the language tables.
#include "engine/frm_main.h"

#include "foundation/ini_values.h"
#include "foundation/resources.h"
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
        const auto text = [&](const char* section, const QString& key) {
            return file.GetValue(QString::fromLatin1(section), key).value_or(QString());
        };
        const auto message = [&](const char* section, int k) {
            QString out;  // missing or the number 0: no text
            reader.TextByRule(QString::fromLatin1(section), QStringLiteral("Message%1").arg(k),
                              out);
            return out;
        };

        for (int k = 1; k <= kSlotCount; ++k)
            text("General", QStringLiteral("Cam%1ID").arg(k));  // read, not used
        gLangClientSkl[0] = text("frmClient", QStringLiteral("sklBrightness"));
        gLangClientSkl[1] = text("frmClient", QStringLiteral("sklContrast"));
        gLangClientSkl[2] = text("frmClient", QStringLiteral("sklHue"));
        gLangCombineCaption = text("frmCombineWindow", QStringLiteral("Caption"));
        gLangScanCaption = text("frmScan", QStringLiteral("Caption"));
        gLangWebCaption = text("frmWeb", QStringLiteral("Caption"));
        gLangModel = text("frmController", QStringLiteral("strModel"));
        gLangHWVER = text("frmController", QStringLiteral("strHWVER"));
        gLangFWVER = text("frmController", QStringLiteral("strFWVER"));
        gLangROMVER = text("frmController", QStringLiteral("strROMVER"));
        gLangMACADDR = text("frmController", QStringLiteral("strMACADDR"));
        gLangIPADDR = text("frmController", QStringLiteral("strIPADDR"));
        gLangName = text("frmController", QStringLiteral("strName"));
        gLangOffLine = text("frmController", QStringLiteral("strOffLine"));
        gLangOnLine = text("frmController", QStringLiteral("strOnLine"));
        gAppTitle = text("General", QStringLiteral("AppTitle"));
        gLangRec[0] = text("frmClient", QStringLiteral("strRec"));
        gLangRec[1] = text("frmController", QStringLiteral("strManualRec"));
        gLangRec[2] = text("frmController", QStringLiteral("strScheduleRec"));
        gLangRec[3] = text("frmController", QStringLiteral("strMotionRec"));
        gLangCtrlMsg[1] = message("frmController", 2);
        gLangClientMsg[0] = text("frmClient", QStringLiteral("Message1"));
        gLangClientMsg[1] = text("frmClient", QStringLiteral("Message2"));
        gLangPopup[0] = text("PopupMenu", QStringLiteral("About"));
        gLangPopup[1] = text("PopupMenu", QStringLiteral("Help"));
        gLangPopup[2] = text("PopupMenu", QStringLiteral("FitWindow"));
        gLblEmpty = text("frmController", QStringLiteral("strEmpty"));
        for (int k = 1; k <= 5; ++k)
            gLangCtrlMsg[k - 1] = message("frmController", k);
        for (int k = 1; k <= 3; ++k)
            gLangMainMsg[k - 1] = message("frmMain", k);
        for (int k = 1; k <= 17; ++k)
            gLangEvent[k - 1] = text("frmMain", QStringLiteral("Event%1").arg(k));
        return true;
    } catch (...) {
        return false;  // what was read so far stays
    }
}
