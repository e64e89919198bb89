#include "platform/skin/skin_report.h"

#include <QtGlobal>

namespace {
std::function<void(const QString&)>& reporter()
{
    static std::function<void(const QString&)> r;
    return r;
}
}  // namespace

void SkinReport(const QString& message)
{
    qWarning("skin: %s", qUtf8Printable(message));
    if (reporter())
        reporter()(message);
}

void SetSkinReporter(std::function<void(const QString&)> r) { reporter() = std::move(r); }
