#include "registry_settings.h"

#include <sddl.h>

#include <algorithm>
#include <set>
#include <utility>

#include "platform/error.h"

namespace win32rt {

namespace {

constexpr std::u16string_view kRoot = u"Software\\VB and VBA Program Settings\\";
constexpr std::u16string_view kNew = u"~new";
constexpr std::u16string_view kOld = u"~old";
static_assert(kNew.size() == kOld.size());
constexpr DWORD kLockTimeoutMs = 10000;
// A second, in the registry's 100 ns units: far more than its clock's step.
constexpr std::uint64_t kSettled = 10'000'000;

// char16_t and wchar_t are both UTF-16 code units on Windows.
const wchar_t* W(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string Decimal(long number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

[[noreturn]] void Fail(const std::u16string& path, std::u16string_view what, LSTATUS status) {
    vb::Raise(vb::kFileAccess, u"レジストリの HKEY_CURRENT_USER\\" + path + std::u16string(what) +
                                   u" (エラー " + Decimal(status) + u")。");
}

void Check(LSTATUS status, const std::u16string& path, std::u16string_view what) {
    if (status != ERROR_SUCCESS) Fail(path, what, status);
}

constexpr std::u16string_view kCannotRead = u" を読めません";
constexpr std::u16string_view kCannotWrite = u" に書き込めません";

class Key {
  public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (handle_) RegCloseKey(handle_);
    }
    HKEY get() const { return handle_; }
    HKEY* out() { return &handle_; }

  private:
    HKEY handle_ = nullptr;
};

// The user's security identifier as text, or nothing when it cannot be had.
std::u16string UserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD bytes = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
    std::vector<BYTE> user(bytes);
    std::u16string sid;
    LPWSTR text = nullptr;
    if (GetTokenInformation(token, TokenUser, user.data(), bytes, &bytes) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
        sid = reinterpret_cast<const char16_t*>(text);
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

// The mutex of the store, made or opened so that every program of the user
// may take it, elevated or not: the user and the system have it whole, and
// its label lets a program of medium integrity change its state.
HANDLE OpenStoreMutex(const std::u16string& name, const std::u16string& access) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (!access.empty()) {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(
            W(access), SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr);
    }
    HANDLE mutex = CreateMutexW(&attributes, FALSE, W(name));
    if (mutex == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
        mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, W(name));
    }
    if (attributes.lpSecurityDescriptor) LocalFree(attributes.lpSecurityDescriptor);
    return mutex;
}

// Writers of this store take turns; a holder that died leaves the mutex
// abandoned, and the next one finishes what it left (Recover).
class Lock {
  public:
    Lock(const std::u16string& name, const std::u16string& access, const std::u16string& path)
        : mutex_(OpenStoreMutex(name, access)) {
        if (!mutex_) Fail(path, kCannotWrite, static_cast<LSTATUS>(GetLastError()));
        const DWORD waited = WaitForSingleObject(mutex_, kLockTimeoutMs);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
            CloseHandle(mutex_);
            vb::Raise(vb::kFileAccess, u"レジストリの HKEY_CURRENT_USER\\" + path +
                                           u" を他のプログラムが使っています。");
        }
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock() {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }

  private:
    HANDLE mutex_;
};

bool EndsWith(std::u16string_view text, std::u16string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::vector<std::u16string> SubkeyNames(HKEY key, const std::u16string& path) {
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];  // the longest key name the registry allows, and its NUL
        DWORD length = 256;
        const LSTATUS status =
            RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return names;
        Check(status, path, kCannotRead);
        names.emplace_back(reinterpret_cast<const char16_t*>(name), length);
    }
}

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The sections' keys by name and last write time: what a reader needs to
// know that nothing changed, without reading a value.
RegistrySettingsBackend::Stamp StampOf(HKEY app, const std::u16string& path) {
    RegistrySettingsBackend::Stamp stamp;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        FILETIME written{};
        const LSTATUS status =
            RegEnumKeyExW(app, i, name, &length, nullptr, nullptr, nullptr, &written);
        if (status == ERROR_NO_MORE_ITEMS) return stamp;
        Check(status, path, kCannotRead);
        stamp.keys.emplace_back(std::u16string(reinterpret_cast<const char16_t*>(name), length),
                                Ticks(written));
        stamp.newest = std::max(stamp.newest, Ticks(written));
    }
}

std::uint64_t Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

bool Exists(HKEY parent, const std::u16string& name) {
    Key key;
    return RegOpenKeyExW(parent, W(name), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

// The text values of a key. REG_SZ data is taken as counted, less one
// terminating NUL; values of other types are not texts and are left out.
Values ReadValues(HKEY key, const std::u16string& path) {
    Values values;
    std::vector<wchar_t> name, data;
    auto fit = [&](DWORD dataBytes) {  // to the longest name and data the key holds now
        DWORD nameMax = 0, dataMax = 0;
        Check(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &nameMax, &dataMax, nullptr, nullptr),
              path, kCannotRead);
        name.resize(nameMax + 1);
        data.resize(std::max(dataMax, dataBytes) / 2 + 1);
    };
    fit(0);
    for (DWORD i = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0, bytes = static_cast<DWORD>(data.size() * 2);
        const LSTATUS status = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &bytes);
        if (status == ERROR_NO_MORE_ITEMS) return values;
        if (status == ERROR_MORE_DATA) {  // grown meanwhile by a program outside the lock
            fit(bytes);
            continue;
        }
        Check(status, path, kCannotRead);
        ++i;
        if (type != REG_SZ) continue;
        std::u16string text(reinterpret_cast<const char16_t*>(data.data()), bytes / 2);
        if (!text.empty() && text.back() == u'\0') text.pop_back();
        values.emplace(std::u16string(reinterpret_cast<const char16_t*>(name.data()), nameLength),
                       std::move(text));
    }
}

// Every section of the application; side keys are not sections.
Sections ReadSections(HKEY app, const std::u16string& path) {
    Sections sections;
    for (const auto& name : SubkeyNames(app, path)) {
        if (EndsWith(name, kNew) || EndsWith(name, kOld)) continue;
        const std::u16string sectionPath = path + u"\\" + name;
        Key section;
        Check(RegOpenKeyExW(app, W(name), 0, KEY_READ, section.out()), sectionPath, kCannotRead);
        sections.emplace(name, ReadValues(section.get(), sectionPath));
    }
    return sections;
}

void DeleteTree(HKEY parent, const std::u16string& name, const std::u16string& path) {
    const LSTATUS status = RegDeleteTreeW(parent, W(name));
    if (status != ERROR_FILE_NOT_FOUND) Check(status, path + u"\\" + name, kCannotWrite);
}

void Rename(HKEY parent, const std::u16string& from, const std::u16string& to,
            const std::u16string& path) {
    Check(RegRenameKey(parent, W(from), W(to)), path + u"\\" + from, kCannotWrite);
}

// Finishes or drops what a commit that died left. "~old" only ever exists
// beside a complete "~new" (a swap between its renames), beside the new
// section (a swap before its clean-up) or alone (a removal): in the first
// case the new section goes in place; "~new" without "~old" may be
// incomplete and goes, as does every "~old" once the section is settled.
void Recover(HKEY app, const std::u16string& path) {
    std::set<std::u16string, NoCaseLess> touched;
    for (const auto& name : SubkeyNames(app, path)) {
        if (EndsWith(name, kNew) || EndsWith(name, kOld))
            touched.insert(name.substr(0, name.size() - kNew.size()));
    }
    for (const auto& section : touched) {
        const std::u16string fresh = section + std::u16string(kNew);
        const std::u16string old = section + std::u16string(kOld);
        const bool hasOld = Exists(app, old);
        if (hasOld && Exists(app, fresh) && !Exists(app, section)) {
            Rename(app, fresh, section, path);
        } else {
            DeleteTree(app, fresh, path);
        }
        if (hasOld) DeleteTree(app, old, path);
    }
}

void Write(HKEY key, const std::u16string& name, const std::u16string& text,
           const std::u16string& path) {
    Check(RegSetValueExW(key, W(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
          path, kCannotWrite);
}

}  // namespace

bool NoCaseLess::operator()(std::u16string_view a, std::u16string_view b) const {
    return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()),
                                static_cast<int>(a.size()),
                                reinterpret_cast<const wchar_t*>(b.data()),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

RegistrySettingsBackend::RegistrySettingsBackend(std::u16string_view app) : path_(KeyPath(app)) {
    // Mutex names are case-sensitive and take no backslash; registry names
    // ignore case.
    std::u16string name(app);
    CharUpperBuffW(reinterpret_cast<wchar_t*>(name.data()), static_cast<DWORD>(name.size()));
    for (auto& c : name) {
        if (c == u'\\') c = u'/';
    }
    // One for all the user's sessions, as the registry is the user's: two at
    // once (at the console and remotely) write it too.
    const std::u16string sid = UserSid();
    if (sid.empty()) {
        mutexName_ = u"Local\\VB and VBA Program Settings " + name;
    } else {
        mutexName_ = u"Global\\VB and VBA Program Settings " + sid + u" " + name;
        mutexAccess_ = u"D:(A;;GA;;;" + sid + u")(A;;GA;;;SY)S:(ML;;NW;;;ME)";
    }
}

std::u16string RegistrySettingsBackend::KeyPath(std::u16string_view app) {
    return std::u16string(kRoot) + std::u16string(app);
}

void RegistrySettingsBackend::Refresh() {
    // Empty until read: a read that fails leaves nothing to be seen.
    Sections kept = std::move(view_);
    view_.clear();
    Sections now;
    std::optional<Stamp> settled = std::move(settled_);
    {
        Lock lock(mutexName_, mutexAccess_, path_);
        Key app;
        const LSTATUS status =
            RegOpenKeyExW(HKEY_CURRENT_USER, W(path_), 0, KEY_READ | KEY_WRITE, app.out());
        settled_.reset();
        if (status != ERROR_FILE_NOT_FOUND) {
            Check(status, path_, kCannotRead);
            if (settled && StampOf(app.get(), path_) == *settled) {
                // As last read: no key written since. Thousands of sentences
                // are not copied when the view holds no writes of its own.
                view_ = viewIsKnown_ ? std::move(kept) : known_;
                viewIsKnown_ = true;
                settled_ = std::move(settled);
                return;
            }
            const std::uint64_t readAt = Now();
            Recover(app.get(), path_);
            const Stamp before = StampOf(app.get(), path_);
            now = ReadSections(app.get(), path_);
            // Trusted only when no key changed during the read (a program
            // that takes no lock may write meanwhile) and every key is older
            // than the read by more than the clock's step: a later write
            // then bears a later time.
            Stamp after = StampOf(app.get(), path_);
            if (after == before && after.newest + kSettled < readAt) settled_ = std::move(after);
        }
    }
    if (now != known_) ++outsideChanges_;
    view_ = known_ = std::move(now);
    viewIsKnown_ = true;
}

std::optional<std::u16string> RegistrySettingsBackend::Value(std::u16string_view section,
                                                             std::u16string_view key) {
    return vb::FindValue(view_, section, key);
}

bool RegistrySettingsBackend::HasSection(std::u16string_view section) {
    return view_.find(section) != view_.end();
}

void RegistrySettingsBackend::Apply(const Change& change, Sections& sections) {
    if (!change.removesSection) {
        sections[change.section][change.key] = change.value;
    } else if (auto it = sections.find(change.section); it != sections.end()) {
        sections.erase(it);
    }
}

void RegistrySettingsBackend::SetValue(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view value) {
    changes_.push_back({std::u16string(section), std::u16string(key), std::u16string(value)});
    Apply(changes_.back(), view_);
    viewIsKnown_ = false;
}

void RegistrySettingsBackend::RemoveSection(std::u16string_view section) {
    changes_.push_back({std::u16string(section), {}, {}, true});
    Apply(changes_.back(), view_);
    viewIsKnown_ = false;
}

void RegistrySettingsBackend::Commit() {
    const auto changes = std::move(changes_);
    changes_.clear();
    try {
        WriteMerged(changes);
    } catch (const vb::Error&) {
        ++outsideChanges_;  // the view holds writes that never reached the registry
        throw;
    }
}

void RegistrySettingsBackend::WriteMerged(const std::vector<Change>& changes) {
    if (changes.empty()) return;
    settled_.reset();
    Lock lock(mutexName_, mutexAccess_, path_);
    Key app;
    Check(RegCreateKeyExW(HKEY_CURRENT_USER, W(path_), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, app.out(), nullptr),
          path_, kCannotWrite);
    Recover(app.get(), path_);
    const Sections disk = ReadSections(app.get(), path_);
    if (disk != known_) ++outsideChanges_;  // merged in, and seen from the next event on

    Sections result = disk;
    std::set<std::u16string, NoCaseLess> touched, emptied;
    for (const auto& change : changes) {
        Apply(change, result);
        touched.insert(change.section);
        if (change.removesSection) emptied.insert(change.section);
    }
    for (const auto& section : touched) {
        const auto now = result.find(section);
        const auto before = disk.find(section);
        if (now == result.end()) {
            if (before != disk.end()) RemoveKey(app.get(), before->first);
        } else if (before == disk.end()) {
            WriteSection(app.get(), now->first, now->second, false, nullptr);
        } else if (emptied.count(section)) {
            WriteSection(app.get(), before->first, now->second, true, nullptr);
        } else if (now->second != before->second) {
            WriteSection(app.get(), before->first, now->second, true, &before->second);
        }
    }
    known_ = std::move(result);
    viewIsKnown_ = false;  // the view lacks what others wrote and was merged
}

// Builds the section in its side key and swaps it in for the key there, if
// it `replaces` one. With `unchanged` (that key's texts), the rest of the old
// key comes along: values that are not texts, subkeys, texts left alone.
void RegistrySettingsBackend::WriteSection(HKEY app, const std::u16string& name,
                                           const Values& values, bool replaces,
                                           const Values* unchanged) {
    const std::u16string fresh = name + std::u16string(kNew);
    const std::u16string freshPath = path_ + u"\\" + fresh;
    {
        Key side;
        Check(RegCreateKeyExW(app, W(fresh), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_READ | KEY_WRITE, nullptr, side.out(), nullptr),
              freshPath, kCannotWrite);
        if (unchanged) {
            Check(RegCopyTreeW(app, W(name), side.get()), freshPath, kCannotWrite);
            Reached(Step::kSideValueWritten);
        }
        for (const auto& [key, text] : values) {
            if (unchanged) {
                const auto old = unchanged->find(key);
                if (old != unchanged->end() && old->second == text) continue;
            }
            Write(side.get(), key, text, freshPath);
            Reached(Step::kSideValueWritten);
        }
    }
    Reached(Step::kSideWritten);

    if (replaces) {
        Rename(app, name, name + std::u16string(kOld), path_);
        Reached(Step::kOldAside);
    }
    Rename(app, fresh, name, path_);
    Reached(Step::kNewInPlace);
    if (replaces) DeleteTree(app, name + std::u16string(kOld), path_);
}

// One rename takes the whole section away, however many values it holds.
void RegistrySettingsBackend::RemoveKey(HKEY app, const std::u16string& name) {
    const std::u16string old = name + std::u16string(kOld);
    Rename(app, name, old, path_);
    Reached(Step::kRemovedAside);
    DeleteTree(app, old, path_);
}

}  // namespace win32rt
