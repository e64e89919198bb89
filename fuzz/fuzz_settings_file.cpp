// Feeds arbitrary bytes to the INI reader and then reads them the way the
// settings and resource loaders do: every section and key through the
// reading rule and every conversion, and a save/load round trip of what was
// read, which must give back the same sections, keys and values.
#include "foundation/ini_values.h"
#include "platform/settings_file.h"

#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

// Failures are expected for most text; what matters is that nothing else
// happens (no crash, no other exception) and that the results agree.
void readEveryWay(const IniReader& reader, const QString& section, const QString& key)
{
    try {
        qint16 s = 0;
        reader.Int16(section, key, s);
    } catch (const IniError&) {
    }
    try {
        int i = 0;
        reader.Int32KeepZero(section, key, i);
    } catch (const IniError&) {
    }
    try {
        float f = 0;
        reader.Float(section, key, f);
    } catch (const IniError&) {
    }
    try {
        bool b = false;
        reader.Flag(section, key, b);
    } catch (const IniError&) {
    }
    QString text;
    reader.Text(section, key, text);
    reader.TextByRule(section, key, text);
}

// The numeric rules agree with each other for any value.
void checkValue(const QString& value)
{
    const std::optional<double> number = ini::NumericValue(value);
    if (ini::IsAbsent(value) != (number && *number == 0))
        std::abort();
    if (!number)
        return;
    if (std::isfinite(*number) && std::fabs(*number) < 2e9) {
        const qint32 i = ini::ToInt32(value);  // must not throw
        if (std::fabs(i - *number) > 0.5)
            std::abort();
        if ((i != 0) != ini::ToFlag(value) && std::fabs(*number) > 0.5)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SettingsFile file;
    if (!file.LoadFromData(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))))
        return 0;
    const IniReader reader(file);
    const QStringList sections = file.Sections();
    int converted = 0;
    for (const QString& section : sections) {
        for (const QString& key : file.Keys(section)) {
            checkValue(*file.GetValue(section, key));
            // The typed readers throw on most fuzz text, which is slow: a few suffice.
            if (converted++ < 8)
                readEveryWay(reader, section, key);
        }
    }
    // Keys the loaders ask for whether or not the file has them.
    readEveryWay(reader, QStringLiteral("General"), QStringLiteral("StorageCount"));
    readEveryWay(reader, QStringLiteral("Cam1"), QStringLiteral("Port"));

    // What was read survives a save and a reload unchanged.
    SettingsFile copy;
    for (const QString& section : sections)
        for (const QString& key : file.Keys(section))
            copy.SetValue(section, key, *file.GetValue(section, key));
    SettingsFile again;
    if (!again.LoadFromData(copy.ToData()))
        std::abort();
    if (again.Sections() != copy.Sections())
        std::abort();
    for (const QString& section : copy.Sections()) {
        if (again.Keys(section) != copy.Keys(section))
            std::abort();
        for (const QString& key : copy.Keys(section))
            if (again.GetValue(section, key) != copy.GetValue(section, key))
                std::abort();
    }
    return 0;
}
