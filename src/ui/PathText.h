#pragma once

// Paths between the core, which keeps them as the file system's bytes, and Qt, which shows them as text.
// Both ways are UTF-8: a name whose bytes are no valid UTF-8 does not survive a trip through text.

#include <string>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace quorvane {

inline std::string PathBytes(const QString& Path) {
    return QFile::encodeName(Path).toStdString();
}

inline QString PathText(const std::string& Path) {
    return QFile::decodeName(QByteArray::fromStdString(Path));
}

} // namespace quorvane
