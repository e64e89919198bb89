// Where the skin engine and the toolbar report problems with their files
// (a missing element, a picture that cannot be read, a skipped line).
// The default writes to stderr; the program may add its own log.
#pragma once

#include <QString>
#include <functional>

void SkinReport(const QString& message);
// Installs a further receiver of the reports (nullptr removes it); stderr always gets them.
void SetSkinReporter(std::function<void(const QString&)> reporter);
