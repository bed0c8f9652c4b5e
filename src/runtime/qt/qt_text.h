#pragma once

// The program keeps its texts in UTF-8; Qt keeps them in UTF-16.

#include <QString>
#include <string>
#include <string_view>

namespace qorvex::runtime::qt {

inline QString to_qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string to_utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Captions keep the program's CR LF; Qt widgets break lines on a bare LF.
inline QString caption_for_display(std::string_view caption) {
    QString shown = to_qstring(caption);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

}  // namespace qorvex::runtime::qt
