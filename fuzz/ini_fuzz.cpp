// Reading a store file that may be damaged in any way: it is read or refused,
// never crashes; what is read is written back so that it reads the same, and
// writing that again gives the same bytes.

#include <string_view>

#include "fuzz_text.h"
#include "platform/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed = vb::ini::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed) return 0;
    const std::string written = vb::ini::Write(*parsed);
    const auto again = vb::ini::Parse(written);
    fuzz::Check(again.has_value(), "a written file can be read");
    fuzz::Check(*again == *parsed, "Parse(Write(x)) == x");
    fuzz::Check(vb::ini::Write(*again) == written, "writing is stable");
    return 0;
}
