#include "ini.h"

#include <cstdio>

#include "utf8.h"

namespace vb::ini {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

enum class Field { kSection, kKey, kValue };

// Escapes what would change the line's meaning: control characters, lone
// surrogates, and in names the characters that end them.
void Escape(std::u16string_view text, Field field, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00), out);
            continue;
        }
        // Blanks at either end would be trimmed away when the line is read.
        const bool edgeBlank = c == u' ' && (i == 0 || i + 1 == text.size());
        const bool ends = (field == Field::kSection && c == u']') ||
                          (field == Field::kKey &&
                           (c == u'=' || (i == 0 && (c == u'[' || c == u';' || c == u'#'))));
        switch (c) {
            case u'\\':
                out += "\\\\";
                continue;
            case u'\r':
                out += "\\r";
                continue;
            case u'\n':
                out += "\\n";
                continue;
            case u'\t':
                out += "\\t";
                continue;
            case u'\0':
                out += "\\0";
                continue;
            default:
                break;
        }
        if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || edgeBlank || ends) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%04X", static_cast<unsigned>(c));
            out += hex;
        } else {
            AppendUtf8(c, out);
        }
    }
}

std::optional<std::u16string> Unescape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case u'\\':
                out.push_back(u'\\');
                break;
            case u'r':
                out.push_back(u'\r');
                break;
            case u'n':
                out.push_back(u'\n');
                break;
            case u't':
                out.push_back(u'\t');
                break;
            case u'0':
                out.push_back(u'\0');
                break;
            case u'x': {
                if (i + 4 >= text.size()) return std::nullopt;
                char16_t c = 0;
                for (int k = 1; k <= 4; ++k) {
                    const char16_t h = text[i + k];
                    const int v = IsDigit(h)                 ? h - u'0'
                                  : (h >= u'A' && h <= u'F') ? h - u'A' + 10
                                  : (h >= u'a' && h <= u'f') ? h - u'a' + 10
                                                             : -1;
                    if (v < 0) return std::nullopt;
                    c = static_cast<char16_t>(c * 16 + v);
                }
                out.push_back(c);
                i += 4;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool NaturalLess::operator()(std::u16string_view a, std::u16string_view b) const {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && IsDigit(a[ei])) ++ei;
            while (ej < b.size() && IsDigit(b[ej])) ++ej;
            // Without leading zeros the longer run is the larger number.
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == u'0') ++si;
            while (sj + 1 < ej && b[sj] == u'0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            if (auto c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj)); c != 0) return c < 0;
            // Equal numbers: the one written shorter first, so "S1" and "S01" both stay.
            if (ei - i != ej - j) return ei - i < ej - j;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::optional<Sections> Parse(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const auto text = DecodeUtf8(bytes);
    if (!text) return std::nullopt;
    Sections sections;
    Keys* current = nullptr;
    std::u16string_view rest(*text);
    while (!rest.empty()) {
        const auto eol = rest.find(u'\n');
        std::u16string_view line = rest.substr(0, eol);
        rest = eol == std::u16string_view::npos ? std::u16string_view() : rest.substr(eol + 1);
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line.front() == u';' || line.front() == u'#') continue;
        if (line.front() == u'[') {
            if (line.back() != u']' || line.size() < 2) return std::nullopt;
            auto name = Unescape(line.substr(1, line.size() - 2));
            if (!name) return std::nullopt;
            current = &sections[*name];
            continue;
        }
        const auto eq = line.find(u'=');
        if (eq == std::u16string_view::npos || current == nullptr) return std::nullopt;
        auto key = Unescape(Trim(line.substr(0, eq)));
        auto value = Unescape(line.substr(eq + 1));
        if (!key || !value || key->empty()) return std::nullopt;
        (*current)[*std::move(key)] = *std::move(value);
    }
    return sections;
}

std::string Write(const Sections& sections) {
    std::string out;
    for (const auto& [name, keys] : sections) {
        if (!out.empty()) out += '\n';
        out += '[';
        Escape(name, Field::kSection, out);
        out += "]\n";
        for (const auto& [key, value] : keys) {
            Escape(key, Field::kKey, out);
            out += '=';
            Escape(value, Field::kValue, out);
            out += '\n';
        }
    }
    return out;
}

}  // namespace vb::ini
