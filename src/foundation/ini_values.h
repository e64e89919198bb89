// Reading typed values from INI files: numeric text, the reading rule and the
// conversions every settings and resource loader uses. Everything here is
// locale-independent: the decimal point is always ".".
//
// Numeric text
//   [+-]digits[.digits] or [+-].digits, optionally followed by an exponent
//   e/E/d/D [+-]digits; or &H<hex digits> / &O<octal digits>. Surrounding
//   blanks are allowed. Anything else is not numeric.
//
// The reading rule
//   A value is absent when its key is missing or when it is numeric text with
//   the value 0 ("0", "00", "-0", "0.0", "0e5"). Text that is not numeric is
//   never absent ("False" is a present flag). An absent value leaves the field
//   at its start value (or the fallback its loader names).
//   - Numeric and flag keys: an empty value ("Key=") also counts as absent.
//   - Text keys of main.ini count as absent only when missing, so a password
//     "0" survives; resource texts follow the full rule (TextByRule).
//
// Conversions (a failure throws IniError; loaders turn it into False)
//   int16/int32: numeric text rounded half to even; out of range is an error.
//   float: numeric text; beyond float range is an error.
//   flag: "True"/"False" in any case, or numeric text (non-zero = True).
#pragma once

#include <QString>
#include <optional>
#include <stdexcept>

class SettingsFile;

class IniError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace ini {

// The value of numeric text; nullopt when the text is not numeric. Values
// beyond the range of double come back as +/-infinity.
std::optional<double> NumericValue(QStringView text);

// The reading rule for a value as GetValue returns it.
bool IsAbsent(const std::optional<QString>& value);

qint16 ToInt16(QStringView text);
qint32 ToInt32(QStringView text);
float ToFloat(QStringView text);
bool ToFlag(QStringView text);

// Numbers outside what the program can use are malformed, like text that is
// not a number (counts, indexes into fixed tables, ports, angles, masks):
// throws IniError naming the key when value lies outside min..max.
void RequireRange(const QString& section, const QString& key, long long value, long long min,
                  long long max);

}  // namespace ini

// Reads typed values from a loaded SettingsFile under the reading rule. Each
// function returns true and stores the value when it is present; it returns
// false and leaves `out` untouched when the value is absent; it throws
// IniError when a present value does not convert.
class IniReader {
public:
    explicit IniReader(const SettingsFile& file) : m_file(file) {}

    bool Int16(QStringView section, QStringView key, qint16& out) const;
    bool Int32(QStringView section, QStringView key, int& out) const;
    bool Float(QStringView section, QStringView key, float& out) const;
    bool Flag(QStringView section, QStringView key, bool& out) const;
    // An int32 whose stored 0 is a value: absent only when missing or empty.
    bool Int32KeepZero(QStringView section, QStringView key, int& out) const;
    // A text: absent only when the key is missing; "" and "0" are values.
    bool Text(QStringView section, QStringView key, QString& out) const;
    // A text under the full reading rule: "0" (and other zero numbers) is absent.
    bool TextByRule(QStringView section, QStringView key, QString& out) const;
    // Whether the value is present under the full reading rule, without converting.
    bool IsPresent(QStringView section, QStringView key) const;

private:
    std::optional<QString> numericCandidate(QStringView section, QStringView key) const;
    // Converts a present value with convert, or returns false for an absent one.
    template <typename T, typename Convert>
    static bool convertValue(QStringView section, QStringView key,
                             const std::optional<QString>& value, T& out, Convert convert);
    [[noreturn]] static void fail(QStringView section, QStringView key, const QString& value,
                                  const char* what);

    const SettingsFile& m_file;
};
