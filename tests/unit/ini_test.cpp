#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake/fake_runtime.h"
#include "platform/ini.h"

namespace {

using ::testing::ElementsAre;
using ::testing::Optional;
using vb::ini::Keys;
using vb::ini::Parse;
using vb::ini::Sections;
using vb::ini::Write;

std::u16string Unit(char16_t c) { return std::u16string(1, c); }

// Texts that each stress one rule of the line format.
std::vector<std::u16string> AwkwardTexts() {
    return {
        u"",
        u"a\r\nb\r\n",
        u"\r",
        u"\n",
        u"&",
        u"日本語の定型文です。",
        u"  lead",
        u"trail  ",
        u" ",
        u" both ",
        u"a=b;c",
        u"=x",
        u"[x]",
        u"; not a comment",
        u"# not a comment",
        std::u16string(u"a\0b\0", 4),
        u"\x01\x1F\x7F\t\v\f",
        u"\\",
        u"\\x",
        u"\\x0041",  // reads like an escape
        u"\\q",
        Unit(0xD800),                 // lone high surrogate
        Unit(0xDC00),                 // lone low surrogate
        u"a" + Unit(0xD800) + u"b",   // high not followed by a low
        Unit(0xDC00) + Unit(0xD800),  // a pair in the wrong order
        u"\U0001F600 \U00020BB7",     // outside the BMP
        u"\u3000全角の空白\u3000",
    };
}

TEST(Ini, ValuesSurviveWriteAndParse) {
    for (const auto& value : AwkwardTexts()) {
        SCOPED_TRACE("value \"" + fake::Show(value) + "\"");
        const Sections sections{{u"Sentences", {{u"S0", value}, {u"S1", u"next"}}}};
        EXPECT_THAT(Parse(Write(sections)), Optional(sections)) << Write(sections);
    }
}

TEST(Ini, NamesSurviveWriteAndParse) {
    std::vector<std::u16string> names = {u"a=b",    u"=",       u"]",  u"a]b",   u"[",
                                         u"[x]",    u";c",      u"#c", u"a;b#c", u" lead",
                                         u"trail ", u"in side", u"\\", u"日本語"};
    for (const auto& text : AwkwardTexts()) {
        if (!text.empty()) names.push_back(text);  // a key line needs a key
    }
    for (const auto& name : names) {
        SCOPED_TRACE("name \"" + fake::Show(name) + "\"");
        const Sections asSection{{name, {{u"k", u"v"}}}, {u"Z", {{u"k", u"w"}}}};
        EXPECT_THAT(Parse(Write(asSection)), Optional(asSection)) << Write(asSection);
        const Sections asKey{{u"S", {{name, u"v"}, {u"k", u"w"}}}};
        EXPECT_THAT(Parse(Write(asKey)), Optional(asKey)) << Write(asKey);
    }
}

TEST(Ini, EmptyStoreAndEmptySectionSurvive) {
    EXPECT_THAT(Parse(Write({})), Optional(Sections{}));
    const Sections empty{{u"Sentences", {}}};
    EXPECT_THAT(Parse(Write(empty)), Optional(empty));
}

TEST(Ini, KeysOrderNaturally) {
    const Keys keys{{u"S10", u"c"}, {u"S2", u"b"}, {u"S1", u"a"}, {u"SCMax", u"10"}, {u"S9", u"x"}};
    std::vector<std::u16string> order;
    for (const auto& [key, value] : keys) order.push_back(key);
    EXPECT_THAT(order, ElementsAre(u"S1", u"S2", u"S9", u"S10", u"SCMax"));
    EXPECT_EQ(Write({{u"Sentences", {{u"S10", u"c"}, {u"S2", u"b"}}}}),
              "[Sentences]\nS2=b\nS10=c\n");
}

TEST(Ini, AcceptsCommentsBlankLinesCrLfAndBom) {
    const auto parsed = Parse(
        "\xEF\xBB\xBF; written by hand\r\n"
        "# another comment\r\n"
        "\r\n"
        "   \r\n"
        "[Sentences]\r\n"
        "  ; indented comment\r\n"
        "SCMax=1\r\n"
        "S0=\xE3\x81\x82\r\n"
        "\r\n"
        "[Other]\n"
        "S1=b");  // no line end at the very end
    const Sections expected{{u"Sentences", {{u"SCMax", u"1"}, {u"S0", u"あ"}}},
                            {u"Other", {{u"S1", u"b"}}}};
    EXPECT_THAT(parsed, Optional(expected));
    EXPECT_THAT(Parse(""), Optional(Sections{}));
}

TEST(Ini, RejectsDamagedFiles) {
    const std::string damaged[] = {
        "[S]\nk=\xFF",              // not UTF-8
        "[S]\nk=\xE3\x81",          // truncated sequence
        "[S]\nk=\xC0\xAF",          // overlong form
        "[S]\nk=\xED\xA0\x80",      // encoded surrogate
        "[S]\nk=\xF4\x90\x80\x80",  // past U+10FFFF
        "[S",                       // header without "]"
        "[S]\n[T\nk=v",
        "k=v\n[S]",        // key before any section
        "[S]\njust text",  // neither key, header nor comment
        "[S]\nk=\\q",      // unknown escape
        "[S]\nk=\\x12",    // short hex escape
        "[S]\nk=\\x12zz",
        "[S]\nk=ab\\",  // escape cut off at the line end
        "[\\q]\nk=v",   // bad escape in a header
        "[S]\n\\q=v",   // bad escape in a key
    };
    for (const auto& bytes : damaged) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(Parse(bytes), std::nullopt);
    }
}

}  // namespace
