#include "conv.h"

#include <cmath>
#include <limits>

#include "error.h"

namespace vb {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::int32_t CLng(std::u16string_view text) {
    std::size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i])) ++i;
    while (end > i && IsBlank(text[end - 1])) --end;
    bool negative = false;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    const std::size_t digitsStart = i;
    // Beyond this the value is out of range whatever follows; keeps the sum exact.
    constexpr std::int64_t kCap = std::int64_t{1} << 40;
    std::int64_t whole = 0;
    for (; i < end && IsDigit(text[i]); ++i) {
        if (whole < kCap) whole = whole * 10 + (text[i] - u'0');
    }
    bool anyDigit = i > digitsStart;
    // The fraction only decides the rounding: more than, less than or exactly a half.
    int fractionVsHalf = -1;
    if (i < end && text[i] == u'.') {
        ++i;
        const std::size_t fracStart = i;
        for (; i < end && IsDigit(text[i]); ++i) {
        }
        if (i > fracStart) {
            anyDigit = true;
            const int first = text[fracStart] - u'0';
            bool restNonZero = false;
            for (std::size_t k = fracStart + 1; k < i; ++k) restNonZero |= text[k] != u'0';
            fractionVsHalf = first > 5 || (first == 5 && restNonZero) ? 1 : first == 5 ? 0 : -1;
        }
    }
    if (!anyDigit || i != end) Raise(kTypeMismatch);
    if (fractionVsHalf > 0 || (fractionVsHalf == 0 && whole % 2 == 1)) ++whole;
    const std::int64_t value = negative ? -whole : whole;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        Raise(kOverflow);
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t CLng(double value) {
    const double rounded = std::nearbyint(value);  // the default mode rounds half to even
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        Raise(kOverflow);
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t IntDiv(double dividend, double divisor) {
    const std::int32_t a = CLng(dividend), b = CLng(divisor);
    if (b == 0) Raise(kDivisionByZero);
    if (a == std::numeric_limits<std::int32_t>::min() && b == -1) Raise(kOverflow);
    return a / b;
}

std::int16_t CInt(std::int32_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        Raise(kOverflow);
    }
    return static_cast<std::int16_t>(value);
}

std::int32_t Add(std::int32_t a, std::int32_t b) {
    std::int32_t sum;
    if (__builtin_add_overflow(a, b, &sum)) Raise(kOverflow);
    return sum;
}

std::int16_t Add(std::int16_t a, std::int16_t b) { return CInt(std::int32_t{a} + b); }

std::u16string Str(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

std::size_t InStr(std::u16string_view text, std::u16string_view what) {
    const auto at = text.find(what);
    return at == std::u16string_view::npos ? 0 : at + 1;
}

}  // namespace vb
