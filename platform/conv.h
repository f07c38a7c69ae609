#pragma once
// The runtime's conversions and checked arithmetic. Integer widths are exact:
// stepping outside a type raises the overflow error (6).

#include <cstdint>
#include <string>
#include <string_view>

namespace vb {

// Text to a 32-bit integer: surrounding blanks, a sign and a decimal fraction
// (rounded half to even) are allowed. Raises 13 for text that is not a number,
// 6 for a number outside 32 bits.
std::int32_t CLng(std::u16string_view text);

// A floating-point value rounded half to even; raises 6 outside 32 bits.
std::int32_t CLng(double value);

// Integer division: both operands rounded to 32 bits, the quotient truncated.
// Raises 11 for a zero divisor.
std::int32_t IntDiv(double dividend, double divisor);

// Narrowing to 16 bits; raises 6 outside -32768..32767.
std::int16_t CInt(std::int32_t value);

// Checked sums: raise 6 when the result does not fit.
std::int32_t Add(std::int32_t a, std::int32_t b);
std::int16_t Add(std::int16_t a, std::int16_t b);

// Decimal text of an integer, no blanks ("-1", "12").
std::u16string Str(std::int64_t value);

// 1-based position of the first exact occurrence of `what` in `text`, 0 if none.
std::size_t InStr(std::u16string_view text, std::u16string_view what);

}  // namespace vb
