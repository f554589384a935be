// Files the program writes: whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Writes `data` to `path` through a temporary file that replaces the target only once
// it is complete, so a failure never leaves a partial file nor touches an existing one.
// Returns nothing on success, or an Italian message that names the file and the reason.
std::optional<QString> saveFile(const QString& path, const QByteArray& data);
