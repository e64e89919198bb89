// Language packs that change which buttons, dialogs or checks appear. The tag
// "TarselS" is recognised exactly as written; "DADODEZE" and "DIZUREZOV" in
// any letter case. Every other tag (such as "english") is the standard pack.
// A variant never changes a data format.
#pragma once

#include <QString>

enum class LangVariant { Standard, TarselS, DADODEZE, DIZUREZOV };

LangVariant VariantOf(const QString& tag);
// The variant of the current language (gLanguage).
LangVariant CurrentVariant();
