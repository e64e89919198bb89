// The language pack and the device-page table: file names, how they are
// found, and the loaders that fill the language globals at start-up.
//
// Resource files are read from the program folder (AppPath()). Each name has
// one spelling, defined here; the files are looked up case-insensitively, so
// a pack whose names are capitalised otherwise still loads.
//
//   lang/Language.ini      the language tag                 LoadLanguageIni
//   lang/<tag>_1.ini       font, panel size, help, version  LoadLang1Ini
//   lang/<tag>_2.ini       panel button table (41 rows)     LoadLang2Ini
//   lang/<tag>_3.ini       window button table (11 rows)    LoadLang3Ini
//   lang/<tag>.ini         captions and messages per window (read by each window)
//   CfgPage.ini            camera model -> web page         LoadCfgPageIni
//
// Every loader returns True on success and False when its file is missing
// (except _1.ini, whose absence is no failure) or when a value is malformed;
// values read before the failure stay in the globals. Numbers are taken as
// written: the panel size is bounded where the panel applies it, and the
// device-page table holds no row past the first without a model (that row
// matches every camera), so a huge DeviceCount costs no more rows than the
// file has Device<n> sections.
#pragma once

#include <QString>

class QFont;
class QWidget;

inline const QString kLangFolder = QStringLiteral("lang");
inline const QString kLanguageIniName = QStringLiteral("Language.ini");
inline const QString kCfgPageIniName = QStringLiteral("CfgPage.ini");

// "<tag><suffix>" for the current language: LangFileName("_2.ini") is
// "english_2.ini", LangFileName(".ini") is the caption file's name.
QString LangFileName(const QString& suffix);

// AppPath() + "/" + relative, in the one spelling; used in messages.
QString ResourceDisplayPath(const QString& relative);
// The existing file under AppPath() whose path matches `relative`
// ("lang/english.ini") with each part compared ASCII case-insensitively
// (an exact match is preferred); empty when there is none.
QString FindResourceFile(const QString& relative);
// FindResourceFile("lang/" + fileName).
QString FindLangFile(const QString& fileName);
// The current language's caption file, or empty when it does not exist.
QString CaptionFilePath();
// The one way a window finds a file of the language pack ("english_2.skn",
// "Bar.skn"): FindLangFile, or, when there is no such file, the path in its
// one spelling, so that whoever reads it reports the file missing by name.
QString LangFilePath(const QString& fileName);

// The tag names files in lang/ and may lead nowhere else: "." and "..", and a
// tag holding "/", "\\" or a control character, are refused. The empty tag is
// a tag like any other (its files are "_2.ini" and so on). On False, `why`
// (when given) says why the tag was refused, and is empty when the selector
// is missing or cannot be read.
bool LoadLanguageIni(QString* why = nullptr);
bool LoadLang1Ini();
bool LoadLang2Ini();
bool LoadLang3Ini();
bool LoadCfgPageIni();

// Puts the language font on a control's font (or a window's): family (when one
// is set), size (9 when gFontSize is 0; gFontSize itself becomes 9), weight,
// and no underline, italic or strike-out. `toFont` false leaves it alone.
void SetControlFont(QWidget* control, bool toFont = true);
void SetControlFont(QFont& font);
