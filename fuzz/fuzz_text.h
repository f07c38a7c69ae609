#pragma once
// Program text from fuzz input. Most bytes stand for one character each, so
// that digits, blanks and line breaks come up often; the rest pick the
// characters that matter to the rules under test, or any code unit at all.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

class Text {
  public:
    Text(const std::uint8_t* data, std::size_t size) : data_(data), end_(data + size) {}

    bool Empty() const { return data_ == end_; }
    std::uint8_t Byte() { return Empty() ? 0 : *data_++; }

    char16_t Char() {
        // Full-width blank, a Japanese letter, surrogates, the BOM.
        static constexpr char16_t kSpecial[] = {u'\u3000', u'\u3042', 0xD800, 0xDC00, 0xFEFF, 0x7F};
        const std::uint8_t b = Byte();
        if (b < 0xF0) return b;
        if (b < 0xF0 + std::size(kSpecial)) return kSpecial[b - 0xF0];
        const char16_t high = Byte();
        return static_cast<char16_t>(high << 8 | Byte());
    }

    // Up to `max` characters; the first byte gives the length.
    std::u16string String(std::size_t max = 255) {
        const std::size_t n = Byte() % (max + 1);
        std::u16string s;
        for (std::size_t i = 0; i < n && !Empty(); ++i) s.push_back(Char());
        return s;
    }

    // All that is left.
    std::u16string Rest() {
        std::u16string s;
        while (!Empty()) s.push_back(Char());
        return s;
    }

  private:
    const std::uint8_t* data_;
    const std::uint8_t* end_;
};

// A failed property: what it was, then a crash libFuzzer keeps the input of.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

inline void Check(bool ok, const char* what) {
    if (!ok) Fail(what);
}

}  // namespace fuzz
