// Conversions between the system's GBK text and Qt's strings, for the window layer only.
#pragma once

#include "text/text.h"

#include <QString>

#include <string_view>

namespace xiuyun {

inline QString qtString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline QString qtString(const Text& text) {
    return qtString(std::string_view(text.toUtf8()));
}

// Characters GBK cannot hold become "?", as everywhere else in the system.
inline Text textOf(const QString& string) {
    const QByteArray utf8 = string.toUtf8();
    return Text::fromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

} // namespace xiuyun
