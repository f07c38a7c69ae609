// The store in the registry, through the Win32 runtime's backend. Runs under
// Wine only, in the registry of the throwaway prefix the tests are run in.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "contract/store_contract.h"
#include "platform/error.h"
#include "platform/settings.h"
#include "platform/win32/registry_settings.h"
#include "unit/error_of.h"

namespace {

using win32rt::RegistrySettingsBackend;
using Step = RegistrySettingsBackend::Step;

const wchar_t* W(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string U(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string S(int i) { return U("S" + std::to_string(i)); }

// A section's texts as another program finds them, without this backend.
std::optional<win32rt::Values> RawSection(const std::u16string& path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, W(path), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    win32rt::Values values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, bytes = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS)
            break;
        std::u16string data(bytes / 2, u'\0');
        nameLength = 256;
        RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                      reinterpret_cast<BYTE*>(data.data()), &bytes);
        if (type == REG_SZ)
            values[std::u16string(reinterpret_cast<char16_t*>(name), nameLength)] = data;
    }
    RegCloseKey(key);
    return values;
}

void RawWrite(const std::u16string& path, const std::u16string& name, DWORD type, const void* data,
              DWORD bytes) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, W(path), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, W(name), 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// REG_SZ as a careful writer stores it: the text and one NUL.
void RawText(const std::u16string& path, const std::u16string& name, const std::u16string& text) {
    RawWrite(path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
}

// The test's own application, so that tests run side by side in one prefix.
class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        app_ = u"Orbek " + U(::testing::UnitTest::GetInstance()->current_test_info()->name());
        path_ = RegistrySettingsBackend::KeyPath(app_);
        RegDeleteTreeW(HKEY_CURRENT_USER, W(path_));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, W(path_)); }

    std::u16string Section(std::u16string_view name = u"Sentences") {
        return path_ + u"\\" + std::u16string(name);
    }
    void Seed(const win32rt::Values& values, std::u16string_view name = u"Sentences") {
        for (const auto& [key, text] : values) RawText(Section(name), key, text);
    }
    // The keys under the application's key, side keys included.
    std::vector<std::u16string> Subkeys() {
        std::vector<std::u16string> names;
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, W(path_), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return names;
        wchar_t name[256];
        DWORD length = 256;
        for (DWORD i = 0; RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS;
             ++i, length = 256)
            names.emplace_back(reinterpret_cast<char16_t*>(name), length);
        RegCloseKey(key);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::u16string app_, path_;
};

TEST_F(RegistryTest, TextsAreRegSzValuesUnderTheClassicSettingsKey) {
    RegistrySettingsBackend store(app_);
    store.Refresh();
    store.SetValue(u"Sentences", u"S0", u"日本語\r\n");
    store.Commit();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER,
                            W(u"Software\\VB and VBA Program Settings\\" + app_ + u"\\Sentences"),
                            0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0, bytes = 64;
    char16_t data[32] = {};
    ASSERT_EQ(RegQueryValueExW(key, L"S0", nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::u16string(data, bytes / 2), std::u16string(u"日本語\r\n\0", 6));
    EXPECT_EQ(Subkeys(), std::vector<std::u16string>{u"Sentences"}) << "no side key is left";
}

TEST_F(RegistryTest, ValuesRoundTripExactly) {
    contract::ExpectValuesRoundTrip(
        [this] { return std::make_unique<RegistrySettingsBackend>(app_); },
        {u"line one\r\nline two\r\nline three", u"Tom & Jerry", u"日本語の文章です", u"  blanks  ",
         u"a=b;c", u"", u"back\\slash", u"tab\there", std::u16string(u"nul\0x", 5),
         std::u16string(u"ends in nul\0", 12), u"lone \n line feed and \r return",
         std::u16string(100000, u'x')});
}

// What other writers leave: data with or without the NUL, names in another
// case, values that are not texts, subkeys. All is read as the classic
// functions would, and a commit keeps what it does not change.
TEST_F(RegistryTest, WhatOthersWroteIsReadAndKept) {
    RawWrite(Section(), u"scmax", REG_SZ, u"1", 2);  // no terminating NUL
    RawText(Section(), u"S0", u"theirs");
    const DWORD number = 7;
    RawWrite(Section(), u"Count", REG_DWORD, &number, sizeof number);
    RawText(Section() + u"\\Nested", u"deep", u"kept");

    RegistrySettingsBackend store(app_);
    store.Refresh();
    EXPECT_EQ(store.Value(u"SENTENCES", u"SCMax"), u"1");
    EXPECT_EQ(store.Value(u"Sentences", u"S0"), u"theirs");
    EXPECT_EQ(store.Value(u"Sentences", u"Count"), std::nullopt) << "not a text";

    store.SetValue(u"Sentences", u"S1", u"mine");
    store.SetValue(u"Sentences", u"SCMax", u"2");
    store.Commit();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, W(Section()), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, value = 0, bytes = sizeof value;
    EXPECT_EQ(
        RegQueryValueExW(key, L"Count", nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes),
        ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, number);
    const auto raw = RawSection(Section());
    ASSERT_TRUE(raw);
    EXPECT_EQ(*raw, (win32rt::Values{{u"scmax", std::u16string(u"2\0", 2)},
                                     {u"S0", std::u16string(u"theirs\0", 7)},
                                     {u"S1", std::u16string(u"mine\0", 5)}}));
    EXPECT_EQ(RawSection(Section() + u"\\Nested"),
              (win32rt::Values{{u"deep", std::u16string(u"kept\0", 5)}}));
}

TEST_F(RegistryTest, ACommitMergesIntoWhatAnotherProgramWroteMeanwhile) {
    Seed({{u"SCMax", u"0"}, {u"S0", u"old"}});
    Seed({{u"keep", u"me"}}, u"Other");
    RegistrySettingsBackend mine(app_);
    mine.Refresh();
    {
        RegistrySettingsBackend other(app_);
        other.Refresh();
        other.SetValue(u"Other", u"added", u"later");
        other.SetValue(u"Sentences", u"S0", u"changed by the other");
        other.Commit();
    }
    mine.SetValue(u"Sentences", u"S1", u"new");
    mine.SetValue(u"Sentences", u"SCMax", u"1");
    mine.Commit();
    RegistrySettingsBackend reader(app_);
    reader.Refresh();
    EXPECT_EQ(reader.Value(u"Sentences", u"S0"), u"changed by the other");
    EXPECT_EQ(reader.Value(u"Sentences", u"S1"), u"new");
    EXPECT_EQ(reader.Value(u"Sentences", u"SCMax"), u"1");
    EXPECT_EQ(reader.Value(u"Other", u"keep"), u"me");
    EXPECT_EQ(reader.Value(u"Other", u"added"), u"later");
}

// Through the store front, as Nulvex deletes: the section alone goes.
TEST_F(RegistryTest, DeletingASectionRemovesItsKeyAndADeletedOneRaisesInvalidCall) {
    vb::Settings settings(
        [](std::u16string_view app) { return std::make_unique<RegistrySettingsBackend>(app); });
    EXPECT_EQ(ErrorOf([&] { settings.DeleteSetting(app_, u"Sentences"); }), vb::kInvalidCall);

    Seed({{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}, {u"S5", u"left over"}});
    Seed({{u"k", u"v"}}, u"Other");
    settings.EventBoundary();
    EXPECT_EQ(ErrorOf([&] { settings.DeleteSetting(app_, u"Sentences"); }), 0);
    EXPECT_EQ(Subkeys(), std::vector<std::u16string>{u"Other"});
    EXPECT_EQ(settings.GetSetting(app_, u"Sentences", u"SCMax", u"-1"), u"-1");

    settings.EventBoundary();
    EXPECT_EQ(ErrorOf([&] { settings.DeleteSetting(app_, u"Sentences"); }), vb::kInvalidCall);
    EXPECT_EQ(settings.GetSetting(app_, u"Other", u"k"), u"v");
}

TEST_F(RegistryTest, RemovedThenWrittenAgainInOneCommitStartsTheSectionAfresh) {
    Seed({{u"SCMax", u"1"}, {u"S0", u"a"}, {u"S1", u"b"}});
    RegistrySettingsBackend store(app_);
    store.Refresh();
    store.RemoveSection(u"Sentences");
    store.SetValue(u"Sentences", u"SCMax", u"-1");
    store.Commit();
    EXPECT_EQ(RawSection(Section()), (win32rt::Values{{u"SCMax", std::u16string(u"-1\0", 3)}}));
}

TEST_F(RegistryTest, AFailedCommitIsRaisedAs75AndLeavesTheRegistryAsItWas) {
    Seed({{u"SCMax", u"0"}, {u"S0", u"old"}});
    RegistrySettingsBackend store(app_);
    store.Refresh();
    const auto before = store.OutsideChanges();
    // No key name may be longer than 255 characters: the side key cannot be made.
    store.SetValue(std::u16string(253, u's'), u"k", u"v");
    try {
        store.Commit();
        FAIL() << "the commit must fail";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number, vb::kFileAccess);
        EXPECT_NE(e.description.find(u"書き込めません"), std::u16string::npos);
    }
    EXPECT_NE(store.OutsideChanges(), before) << "own writes dropped";
    EXPECT_EQ(Subkeys(), std::vector<std::u16string>{u"Sentences"});
    EXPECT_EQ(RawSection(Section()), (win32rt::Values{{u"SCMax", std::u16string(u"0\0", 2)},
                                                      {u"S0", std::u16string(u"old\0", 4)}}));
}

TEST_F(RegistryTest, OutsideChangesCountOnlyWhatOthersDid) {
    contract::ExpectOutsideChangesCountOnlyOthers(
        [this] { return std::make_unique<RegistrySettingsBackend>(app_); },
        [this](const std::u16string& s0) {
            Seed({{u"SCMax", u"0"}, {u"S0", s0}});
        });
}

TEST_F(RegistryTest, ASettledStoreIsReadAgainWhenAnyKeyOfItWasWritten) {
    Seed({{u"SCMax", u"0"}, {u"S0", u"abc"}});
    Seed({{u"x", u"1"}}, u"Other");
    RegistrySettingsBackend store(app_);
    // The keys settle: a second's wait, so that the read after it is trusted
    // to stand until a key changes.
    Sleep(1100);
    store.Refresh();
    std::uint64_t seen = store.OutsideChanges();
    const std::vector<std::function<void()>> writes = {
        [&] { RawText(Section(), u"S0", u"xyz"); },  // same length
        [&] { RawText(Section(u"Other"), u"x", u"2"); },
        [&] { RegDeleteTreeW(HKEY_CURRENT_USER, W(Section(u"Other"))); },
        [&] { RawText(Section(u"Third"), u"y", u"3"); },
    };
    for (std::size_t i = 0; i < writes.size(); ++i) {
        SCOPED_TRACE(i);
        store.Refresh();  // unchanged: nothing new seen
        EXPECT_EQ(store.OutsideChanges(), seen);
        writes[i]();
        store.Refresh();
        EXPECT_EQ(store.OutsideChanges(), ++seen);
        Sleep(1100);
        store.Refresh();  // read whole again, and settled
        EXPECT_EQ(store.OutsideChanges(), seen);
    }
    EXPECT_EQ(store.Value(u"Sentences", u"S0"), u"xyz");
    EXPECT_FALSE(store.HasSection(u"Other"));
    EXPECT_EQ(store.Value(u"Third", u"y"), u"3");

    // A write never committed is gone once the view is taken again, though
    // no key changed: the view is the registry's.
    store.SetValue(u"Sentences", u"S0", u"uncommitted");
    store.Refresh();
    EXPECT_EQ(store.Value(u"Sentences", u"S0"), u"xyz");
}

// --- Other processes: the test executable started again as a writer. ---

constexpr char kChild[] = "--registry-writer";

struct Child {
    PROCESS_INFORMATION info{};
    HANDLE ready = nullptr;
    ~Child() {
        if (info.hProcess) {
            TerminateProcess(info.hProcess, 1);
            WaitForSingleObject(info.hProcess, INFINITE);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
        if (ready) CloseHandle(ready);
    }
};

// Starts a writer of `app`'s store doing `job`; it signals the returned
// child's event at the moment the job names, and waits there to be killed.
std::unique_ptr<Child> Start(const std::u16string& app, const std::string& job) {
    auto child = std::make_unique<Child>();
    const std::u16string event = u"Local\\orbek-test-" + app;
    child->ready = CreateEventW(nullptr, TRUE, FALSE, W(event));
    ResetEvent(child->ready);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::u16string command = u"\"" + std::u16string(reinterpret_cast<char16_t*>(self)) + u"\" " +
                             U(kChild) + u" \"" + app + u"\" " + U(job);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(command.data()), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &child->info)) {
        ADD_FAILURE() << "cannot start the writer: " << GetLastError();
        return nullptr;
    }
    return child;
}

// Waits, with a deadline, for the child to reach its moment.
bool Reached(Child& child) {
    HANDLE both[] = {child.ready, child.info.hProcess};
    return WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0;
}

void Kill(Child& child) {
    TerminateProcess(child.info.hProcess, 9);
    WaitForSingleObject(child.info.hProcess, INFINITE);
}

// The lists the writers go between: five old sentences, then three new ones
// written by the editor's rule (count first, the values above it stay).
const win32rt::Values kOldList = {{u"SCMax", u"4"},  {u"S0", u"old 0"}, {u"S1", u"old 1"},
                                  {u"S2", u"old 2"}, {u"S3", u"old 3"}, {u"S4", u"old 4"}};
const win32rt::Values kNewList = {{u"SCMax", u"2"},  {u"S0", u"new 0"}, {u"S1", u"new 1"},
                                  {u"S2", u"new 2"}, {u"S3", u"old 3"}, {u"S4", u"old 4"}};

// A generation's list: every sentence names it, so a mixture shows.
win32rt::Values Generation(int g) {
    win32rt::Values list{{u"SCMax", u"5"}};
    for (int i = 0; i <= 5; ++i) list[S(i)] = U("generation " + std::to_string(g));
    return list;
}

int RunChild(const std::u16string& app, const std::string& job) {
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, W(u"Local\\orbek-test-" + app));
    RegistrySettingsBackend store(app);
    store.Refresh();
    if (job == "write") {
        for (const auto& [key, text] : kNewList) store.SetValue(u"Sentences", key, text);
        store.Commit();
        SetEvent(ready);
        return 0;
    }
    if (job == "loop") {
        for (int g = 1;; ++g) {
            for (const auto& [key, text] : Generation(g)) store.SetValue(u"Sentences", key, text);
            store.Commit();
            if (g == 1) SetEvent(ready);
        }
    }
    // Stops at the step named by the job's number, as a crash there would.
    const auto stop = static_cast<Step>(std::atoi(job.c_str()));
    store.SetStepHook([&](Step step) {
        if (step != stop) return;
        SetEvent(ready);
        Sleep(INFINITE);
    });
    if (stop == Step::kRemovedAside) {
        store.RemoveSection(u"Sentences");
    } else {
        for (const auto& [key, text] : kNewList) store.SetValue(u"Sentences", key, text);
    }
    store.Commit();
    return 3;  // never reached its step
}

TEST_F(RegistryTest, ASecondProcessSeesTheWritesAfterRefresh) {
    Seed(kOldList);
    RegistrySettingsBackend store(app_);
    store.Refresh();
    const auto changes = store.OutsideChanges();
    auto child = Start(app_, "write");
    ASSERT_TRUE(child);
    ASSERT_TRUE(Reached(*child));
    for (const auto& [key, text] : kOldList) EXPECT_EQ(store.Value(u"Sentences", key), text);
    store.Refresh();
    for (const auto& [key, text] : kNewList) EXPECT_EQ(store.Value(u"Sentences", key), text);
    EXPECT_NE(store.OutsideChanges(), changes);
}

// A writer killed at each step of its commit. The registry then holds exactly
// the state that step leaves; the next reader finishes or drops the commit
// and sees the old list or the new one whole, never a mixture.
struct CrashCase {
    Step step;
    std::vector<std::u16string> keysLeft;  // under the application's key
    bool sectionLeftIsNew;                 // what "Sentences" holds, when it is left
    std::optional<win32rt::Values> read;   // what the next reader sees
};

void PrintTo(const CrashCase& c, std::ostream* out) { *out << "step " << static_cast<int>(c.step); }

class CrashTest : public RegistryTest, public ::testing::WithParamInterface<CrashCase> {};

TEST_P(CrashTest, LeavesTheOldListOrTheNewOne) {
    const CrashCase& c = GetParam();
    Seed(kOldList);
    auto child = Start(app_, std::to_string(static_cast<int>(c.step)));
    ASSERT_TRUE(child);
    ASSERT_TRUE(Reached(*child)) << "the writer never reached its step";
    Kill(*child);

    EXPECT_EQ(Subkeys(), c.keysLeft);
    if (auto section = RawSection(Section())) {
        win32rt::Values texts;
        for (const auto& [key, data] : *section) texts[key] = data.substr(0, data.size() - 1);
        EXPECT_EQ(texts, c.sectionLeftIsNew ? kNewList : kOldList);
    }

    // The killed writer held the lock: it is taken over, not waited for.
    RegistrySettingsBackend reader(app_);
    reader.Refresh();
    EXPECT_EQ(reader.HasSection(u"Sentences"), c.read.has_value());
    if (c.read) {
        for (const auto& [key, text] : *c.read) EXPECT_EQ(reader.Value(u"Sentences", key), text);
    }
    EXPECT_EQ(Subkeys(),
              c.read ? std::vector<std::u16string>{u"Sentences"} : std::vector<std::u16string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CrashTest,
    ::testing::Values(
        CrashCase{Step::kSideValueWritten, {u"Sentences", u"Sentences~new"}, false, kOldList},
        CrashCase{Step::kSideWritten, {u"Sentences", u"Sentences~new"}, false, kOldList},
        CrashCase{Step::kOldAside, {u"Sentences~new", u"Sentences~old"}, false, kNewList},
        CrashCase{Step::kNewInPlace, {u"Sentences", u"Sentences~old"}, true, kNewList},
        CrashCase{Step::kRemovedAside, {u"Sentences~old"}, false, std::nullopt}),
    [](const auto& info) { return "Step" + std::to_string(static_cast<int>(info.param.step)); });

// The same with the kill falling anywhere, also inside a registry call.
TEST_F(RegistryTest, AWriterKilledAtAnyMomentLeavesOneWholeGeneration) {
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> delayMs(0, 40);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        auto child = Start(app_, "loop");
        ASSERT_TRUE(child);
        ASSERT_TRUE(Reached(*child));
        Sleep(delayMs(random));  // where the kill falls, not a wait for anything
        Kill(*child);

        RegistrySettingsBackend reader(app_);
        reader.Refresh();
        const auto first = reader.Value(u"Sentences", u"S0");
        ASSERT_TRUE(first);
        for (int i = 1; i <= 5; ++i) EXPECT_EQ(reader.Value(u"Sentences", S(i)), first);
        EXPECT_EQ(reader.Value(u"Sentences", u"SCMax"), u"5");
        EXPECT_EQ(Subkeys(), std::vector<std::u16string>{u"Sentences"});
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == kChild) {
        const std::string app = argv[2];
        std::u16string wide(app.size() + 1, u'\0');
        wide.resize(MultiByteToWideChar(CP_ACP, 0, app.c_str(), -1,
                                        reinterpret_cast<wchar_t*>(wide.data()),
                                        static_cast<int>(wide.size())) -
                    1);
        return RunChild(wide, argv[3]);
    }
    // These tests write to HKEY_CURRENT_USER: only ever that of a Wine prefix.
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        std::fputs("registry tests run under Wine only, never in a user's own registry\n", stderr);
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
