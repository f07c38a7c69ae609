#include "text.h"

namespace qtrt {

std::u16string FromDesktop(const QString& text) {
    std::u16string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    char16_t previous = 0;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == u'\n' && previous != u'\r') out.push_back(u'\r');
        out.push_back(c);
        previous = c;
    }
    return out;
}

QString ToDesktop(std::u16string_view text) {
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
        out.append(QChar(text[i]));
    }
    return out;
}

}  // namespace qtrt
