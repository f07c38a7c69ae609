#include "store_lock.h"

#include <sddl.h>

#include <cwchar>
#include <vector>

#include "platform/error.h"
#include "registry_key.h"
#include "wide.h"

namespace win32rt {

namespace {

constexpr DWORD kLockTimeoutMs = 10000;

// The user's security identifier as text, or nothing when it cannot be had.
std::u16string UserSid() {
    OwnedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) return {};
    DWORD bytes = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &bytes);
    std::vector<BYTE> user(bytes);
    LPWSTR text = nullptr;
    if (!GetTokenInformation(token.get(), TokenUser, user.data(), bytes, &bytes) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
        return {};
    }
    const OwnedLocal held(text);
    return FromWide(text, wcslen(text));
}

// Made or opened so that every program of the user may take it, elevated or
// not: the user and the system have it whole, and its label lets a program
// of medium integrity change its state.
OwnedHandle OpenStoreMutex(const StoreMutex& mutex) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    OwnedLocal descriptor;
    if (!mutex.access.empty() &&
        ConvertStringSecurityDescriptorToSecurityDescriptorW(
            Wide(mutex.access), SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr)) {
        descriptor.reset(attributes.lpSecurityDescriptor);
    }
    OwnedHandle handle(CreateMutexW(&attributes, FALSE, Wide(mutex.name)));
    if (!handle && GetLastError() == ERROR_ACCESS_DENIED) {
        handle.reset(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, Wide(mutex.name)));
    }
    return handle;
}

}  // namespace

StoreMutex StoreMutex::For(std::u16string_view app) {
    // Mutex names are case-sensitive and take no backslash; registry names
    // ignore case.
    std::u16string name(app);
    CharUpperBuffW(reinterpret_cast<wchar_t*>(name.data()), static_cast<DWORD>(name.size()));
    for (auto& c : name) {
        if (c == u'\\') c = u'/';
    }
    const std::u16string sid = UserSid();
    if (sid.empty()) return {u"Local\\VB and VBA Program Settings " + name, {}};
    return {u"Global\\VB and VBA Program Settings " + sid + u" " + name,
            u"D:(A;;GA;;;" + sid + u")(A;;GA;;;SY)S:(ML;;NW;;;ME)"};
}

StoreLock::StoreLock(const StoreMutex& mutex, const std::u16string& path)
    : mutex_(OpenStoreMutex(mutex)) {
    if (!mutex_) Fail(path, kCannotWrite, static_cast<LSTATUS>(GetLastError()));
    const DWORD waited = WaitForSingleObject(mutex_.get(), kLockTimeoutMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        vb::Raise(vb::kFileAccess, u"レジストリの HKEY_CURRENT_USER\\" + path +
                                       u" を他のプログラムが使っています。");
    }
}

StoreLock::~StoreLock() { ReleaseMutex(mutex_.get()); }

}  // namespace win32rt
