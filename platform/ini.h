#pragma once
// The text form of a settings file: sections of keys with text values, UTF-8,
// one "key=value" line each. Backslash escapes keep every value on its line
// and every text exact: \\ \r \n \t \0 and \xHHHH for any other control
// character, lone surrogate or character that would break the line's shape.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vb::ini {

// Orders numbered keys by number: S2 before S10.
struct NaturalLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
};

using Keys = std::map<std::u16string, std::u16string, NaturalLess>;
using Sections = std::map<std::u16string, Keys, NaturalLess>;

// Null when the bytes are not such a file: invalid UTF-8, a broken section
// header or escape, or a line that is neither blank, comment, header nor key.
std::optional<Sections> Parse(std::string_view bytes);
std::string Write(const Sections& sections);

}  // namespace vb::ini
