// Text to integer: never anything but a value, 13 or 6; agrees with plain
// decimal arithmetic on plain decimal text; rounds a fraction to the nearest
// integer, a half to the even one.

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "fuzz_text.h"
#include "platform/conv.h"
#include "platform/error.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

struct Result {
    std::int32_t value = 0;
    std::int32_t error = 0;
};

Result Convert(std::u16string_view text) {
    try {
        return {vb::CLng(text), 0};
    } catch (const vb::Error& e) {
        return {0, e.number};
    }
}

// Blanks, a sign, digits, an optional fraction, blanks: the ASCII form of the
// number without the blanks, or null for any other text.
std::optional<std::string> PlainNumber(std::u16string_view t) {
    std::size_t i = 0, end = t.size();
    while (i < end && IsBlank(t[i])) ++i;
    while (end > i && IsBlank(t[end - 1])) --end;
    std::string ascii;
    if (i < end && (t[i] == u'+' || t[i] == u'-')) ascii += static_cast<char>(t[i++]);
    bool digits = false, point = false;
    for (; i < end; ++i) {
        if (IsDigit(t[i])) {
            digits = true;
        } else if (t[i] == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
        ascii += static_cast<char>(t[i]);
    }
    if (!digits) return std::nullopt;
    return ascii;
}

// Narrowing to 16 bits: the value or 6.
void CheckCInt(std::int32_t value) {
    Result narrowed;
    try {
        narrowed.value = vb::CInt(value);
    } catch (const vb::Error& e) {
        narrowed.error = e.number;
    }
    const bool in16 = value >= -32768 && value <= 32767;
    fuzz::Check(
        in16 ? narrowed.error == 0 && narrowed.value == value : narrowed.error == vb::kOverflow,
        "CInt narrows exactly or raises 6");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Text in(data, size);
    const std::u16string text = in.Rest();
    const Result r = Convert(text);
    fuzz::Check(r.error == 0 || r.error == vb::kTypeMismatch || r.error == vb::kOverflow,
                "CLng raises only 13 or 6");

    if (r.error == 0) CheckCInt(r.value);

    const auto plain = PlainNumber(text);
    fuzz::Check(plain.has_value() == (r.error != vb::kTypeMismatch),
                "CLng takes exactly the plain decimal numbers");
    if (!plain) return 0;

    // Whole numbers: exact arithmetic on the digits.
    if (plain->find('.') == std::string::npos) {
        std::size_t first = (*plain)[0] == '-' || (*plain)[0] == '+' ? 1 : 0;
        while (first + 1 < plain->size() && (*plain)[first] == '0') ++first;
        const bool negative = (*plain)[0] == '-';
        const std::string digits = plain->substr(first);
        const long long wide = digits.size() <= 12 ? std::stoll(digits) * (negative ? -1 : 1) : 0;
        const bool fits = digits.size() <= 12 && wide >= std::numeric_limits<std::int32_t>::min() &&
                          wide <= std::numeric_limits<std::int32_t>::max();
        fuzz::Check(fits ? r.error == 0 && r.value == wide : r.error == vb::kOverflow,
                    "CLng agrees with decimal arithmetic on whole numbers");
        // And back: the decimal text of the value is read as the same value.
        if (fits) fuzz::Check(Convert(vb::Str(r.value)).value == r.value, "CLng(Str(v)) == v");
        return 0;
    }

    // Fractions short enough for long double to hold exactly enough.
    if (plain->size() > 18) return 0;
    const long double x = std::strtold(plain->c_str(), nullptr);
    if (std::fabs(x) > 2147483647.0L) return 0;  // near the edge either answer may be right
    if (r.error != 0) fuzz::Fail("CLng raised for a fraction well inside 32 bits");
    const long double off = std::fabs(x - r.value);
    fuzz::Check(off <= 0.5L, "CLng rounds to the nearest integer");
    if (off == 0.5L) fuzz::Check(r.value % 2 == 0, "CLng rounds a half to even");
    return 0;
}
