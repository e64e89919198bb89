#include "foundation/language_variant.h"

#include "foundation/globals.h"

LangVariant VariantOf(const QString& tag)
{
    if (tag == QLatin1String("TarselS"))
        return LangVariant::TarselS;
    const QString upper = tag.toUpper();
    if (upper == QLatin1String("DADODEZE"))
        return LangVariant::DADODEZE;
    if (upper == QLatin1String("DIZUREZOV"))
        return LangVariant::DIZUREZOV;
    return LangVariant::Standard;
}

LangVariant CurrentVariant() { return VariantOf(gLanguage); }
