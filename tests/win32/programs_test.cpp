// What the programs carry for the system: version, manifest and pictures.

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/version.h"

namespace {

// The build's path, as Wine shows the Linux file system: on drive Z.
std::wstring WindowsPath(const char* path) {
    std::wstring wide = L"Z:";
    for (const char* c = path; *c; ++c) wide += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return wide;
}

// One entry of a version resource: its key, its value and the entries under it.
struct VersionEntry {
    std::wstring key;
    const BYTE* value = nullptr;
    WORD valueLength = 0;  // bytes, or characters for text
    const BYTE* children = nullptr;
    const BYTE* end = nullptr;
};

// Entries, their keys and values start on 32-bit boundaries of the block.
std::size_t Aligned(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

VersionEntry ReadEntry(const BYTE* at) {
    const auto* header = reinterpret_cast<const WORD*>(at);  // length, value length, type
    VersionEntry entry;
    entry.key = reinterpret_cast<const wchar_t*>(at + 3 * sizeof(WORD));
    entry.end = at + header[0];
    entry.valueLength = header[1];
    const std::size_t value = Aligned(3 * sizeof(WORD) + (entry.key.size() + 1) * sizeof(wchar_t));
    entry.value = at + value;
    const bool text = header[2] == 1;
    entry.children = at + Aligned(value + entry.valueLength * (text ? sizeof(wchar_t) : 1));
    return entry;
}

std::vector<VersionEntry> Children(const VersionEntry& parent) {
    std::vector<VersionEntry> children;
    for (const BYTE* at = parent.children; at < parent.end;) {
        children.push_back(ReadEntry(at));
        if (children.back().end <= at) break;  // an entry of no length: the rest is unreadable
        at += Aligned(static_cast<std::size_t>(children.back().end - at));
    }
    return children;
}

// Every value of a program's version block: the texts by language and name
// ("041104B0\ProductName"), and the languages it declares.
struct VersionBlock {
    std::map<std::wstring, std::wstring> texts;
    std::vector<WORD> translations;
};

VersionBlock ReadVersionBlock(const std::vector<BYTE>& info) {
    VersionBlock block;
    for (const VersionEntry& part : Children(ReadEntry(info.data()))) {
        for (const VersionEntry& table : Children(part)) {
            if (part.key == L"StringFileInfo") {
                for (const VersionEntry& text : Children(table)) {
                    const auto* chars = reinterpret_cast<const wchar_t*>(text.value);
                    block.texts[table.key + L"\\" + text.key] =
                        std::wstring(chars, wcsnlen(chars, text.valueLength));
                }
            } else if (part.key == L"VarFileInfo" && table.key == L"Translation") {
                const auto* words = reinterpret_cast<const WORD*>(table.value);
                block.translations.assign(words, words + table.valueLength / sizeof(WORD));
            }
        }
    }
    return block;
}

std::vector<BYTE> VersionInfo(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> info(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, info.data())) info.clear();
    return info;
}

struct Program {
    const char* path;
    const wchar_t* name;
    const wchar_t* picture;
    const wchar_t* product;
    const wchar_t* description;
    const wchar_t* comments;  // none when null
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.path; }

class ProgramTest : public ::testing::TestWithParam<Program> {};

TEST_P(ProgramTest, CarriesItsOwnVersionBlockInJapanese) {
    const Program& program = GetParam();
    const std::vector<BYTE> info = VersionInfo(WindowsPath(program.path));
    ASSERT_FALSE(info.empty()) << "no version resource";

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(20, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 4985));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(20, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, 4985));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "not a release build";
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileSubtype, 0u);

    const std::wstring author(vb::kAuthor,
                              vb::kAuthor + std::char_traits<char16_t>::length(vb::kAuthor));
    const std::wstring name = program.name;
    std::map<std::wstring, std::wstring> expected = {
        {L"041104B0\\CompanyName", author},
        {L"041104B0\\FileDescription", program.description},
        {L"041104B0\\FileVersion", L"1.20.4985"},
        {L"041104B0\\InternalName", name},
        {L"041104B0\\LegalCopyright", L"Copyright (C) 2026 " + author},
        {L"041104B0\\OriginalFilename", name + L".exe"},
        {L"041104B0\\ProductName", program.product},
        {L"041104B0\\ProductVersion", L"1.20.4985"},
    };
    if (program.comments != nullptr) expected[L"041104B0\\Comments"] = program.comments;
    const VersionBlock block = ReadVersionBlock(info);
    EXPECT_EQ(block.texts, expected);
    // Japanese, in Unicode.
    EXPECT_EQ(block.translations, (std::vector<WORD>{0x0411, 1200}));
}

TEST_P(ProgramTest, CarriesItsManifestAndPicture) {
    const Program& program = GetParam();
    const std::wstring path = WindowsPath(program.path);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                           SizeofResource(module, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(text.find("<dpiAware"), std::string::npos);
    EXPECT_NE(FindResourceW(module, program.picture, MAKEINTRESOURCEW(14)), nullptr)
        << "no icon";  // RT_GROUP_ICON
    FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(
    Both, ProgramTest,
    ::testing::Values(Program{ORBEK_EXE, L"Orbek", L"ORBEK", L"Orbek",
                              L"Orbek 登録文をクリップボードへ", nullptr},
                      Program{NULVEX_EXE, L"Nulvex", L"NULVEX", L"Delete Orbek Sentences",
                              L"Orbek の登録文データ削除", L"Delete Orbek 1.1x Sentences Data"}),
    [](const auto& info) {
        return std::string(info.param.name, info.param.name + wcslen(info.param.name));
    });

}  // namespace
