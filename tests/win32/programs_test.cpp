// What the programs carry for the system: version, manifest and pictures.

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// The build's path, as Wine shows the Linux file system: on drive Z.
std::wstring WindowsPath(const char* path) {
    std::wstring wide = L"Z:";
    for (const char* c = path; *c; ++c) wide += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return wide;
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length))
        return L"";
    return std::wstring(text, length > 0 ? length - 1 : 0);
}

struct Program {
    const char* path;
    const wchar_t* name;
    const wchar_t* picture;
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.path; }

class ProgramTest : public ::testing::TestWithParam<Program> {};

TEST_P(ProgramTest, CarriesItsVersionManifestAndPicture) {
    const Program& program = GetParam();
    const std::wstring path = WindowsPath(program.path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(20, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 4985));
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"1.20.4985");
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Orbek");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), std::wstring(program.name) + L".exe");

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

INSTANTIATE_TEST_SUITE_P(Both, ProgramTest,
                         ::testing::Values(Program{ORBEK_EXE, L"Orbek", L"ORBEK"},
                                           Program{NULVEX_EXE, L"Nulvex", L"NULVEX"}),
                         [](const auto& info) {
                             return std::string(info.param.name,
                                                info.param.name + wcslen(info.param.name));
                         });

}  // namespace
