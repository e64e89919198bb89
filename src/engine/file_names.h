// Names of files and folders the engine makes from camera names.
#pragma once

#include <QString>

// Removes the characters \ / : * ? " < > | from a text, so that it can be
// part of a file or folder name.
QString StripFileChars(const QString& text);
