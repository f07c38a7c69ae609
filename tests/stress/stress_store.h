#pragma once
// What the store stress tests and their driver agree on: the sentences a
// generation writes, and how the store file is read from outside the store.

#include <time.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/conv.h"
#include "platform/ini.h"

namespace stress {

// Sentence k of generation g: every escape the file knows, a line break and
// enough text that writing a list of them takes a while.
inline std::u16string Sentence(int generation, int k) {
    std::u16string s =
        u"g" + vb::Str(generation) + u" s" + vb::Str(k) + u" 登録文\r\n二行目 = ; [x] \\ \t";
    s.append(200 + k % 50, static_cast<char16_t>(u'a' + k % 26));
    return s;
}

// The text of a single change by the programs running at once: its kind and
// number, and the characters the file escapes.
inline constexpr std::u16string_view kMarkTail = u" 登録\r\n= ; \\ \t";
inline std::u16string Marked(char16_t kind, int number) {
    return kind + vb::Str(number) + std::u16string(kMarkTail);
}
inline bool IsMarked(std::u16string_view text) {
    if (text.size() < 2 || (text[0] != u'a' && text[0] != u'e')) return false;
    std::size_t i = 1;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
    return i > 1 && text.substr(i) == kMarkTail;
}

// The whole list of generation g, as its section holds it.
inline vb::ini::Keys List(int generation, int count) {
    vb::ini::Keys keys{{u"SCMax", vb::Str(count - 1)}};
    for (int k = 0; k < count; ++k) keys[u"S" + vb::Str(k)] = Sentence(generation, k);
    return keys;
}

// The store file: nullopt when it does not parse; no sections when it is absent.
inline std::optional<vb::ini::Sections> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return vb::ini::Sections{};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return vb::ini::Parse(bytes);
}

inline std::int64_t NowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

}  // namespace stress
