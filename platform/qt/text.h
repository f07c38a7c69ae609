#pragma once
// Text between the core (UTF-16, CR LF line breaks) and Qt.

#include <QString>
#include <string>
#include <string_view>

namespace qtrt {

inline QString ToQt(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQt(const QString& text) { return text.toStdU16String(); }

// Text from the desktop: each lone LF becomes CR LF.
std::u16string FromDesktop(const QString& text);
// Text for the desktop and the screen: each CR LF becomes LF.
QString ToDesktop(std::u16string_view text);

}  // namespace qtrt
