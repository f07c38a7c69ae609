// Any contents the programs can hold survive a write and a read: section
// names, keys and values of any characters (keys not empty), Parse(Write(x)) == x.

#include "fuzz_text.h"
#include "platform/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Text in(data, size);
    vb::ini::Sections sections;
    const int sectionCount = in.Byte() % 4;
    for (int s = 0; s < sectionCount && !in.Empty(); ++s) {
        vb::ini::Keys& keys = sections[in.String(16)];
        const int keyCount = in.Byte() % 8;
        for (int k = 0; k < keyCount && !in.Empty(); ++k) {
            std::u16string key = in.String(16);
            if (key.empty()) continue;
            keys[std::move(key)] = in.String();
        }
    }
    const std::string written = vb::ini::Write(sections);
    const auto read = vb::ini::Parse(written);
    fuzz::Check(read.has_value(), "a written file can be read");
    fuzz::Check(*read == sections, "Parse(Write(x)) == x");
    return 0;
}
