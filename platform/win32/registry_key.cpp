#include "registry_key.h"

#include <algorithm>

#include "platform/error.h"
#include "wide.h"

namespace win32rt {

namespace {

std::u16string Decimal(long number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

bool NoCaseLess::operator()(std::u16string_view a, std::u16string_view b) const {
    return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()),
                                static_cast<int>(a.size()),
                                reinterpret_cast<const wchar_t*>(b.data()),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

void Fail(const std::u16string& path, std::u16string_view what, LSTATUS status) {
    vb::Raise(vb::kFileAccess, u"レジストリの HKEY_CURRENT_USER\\" + path + std::u16string(what) +
                                   u" (エラー " + Decimal(status) + u")。");
}

void Check(LSTATUS status, const std::u16string& path, std::u16string_view what) {
    if (status != ERROR_SUCCESS) Fail(path, what, status);
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
        names.push_back(FromWide(name, length));
    }
}

bool Exists(HKEY parent, const std::u16string& name) {
    OwnedKey key;
    return RegOpenKeyExW(parent, Wide(name), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

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
        std::u16string text = FromWide(data.data(), bytes / 2);
        if (!text.empty() && text.back() == u'\0') text.pop_back();
        values.emplace(FromWide(name.data(), nameLength), std::move(text));
    }
}

void WriteText(HKEY key, const std::u16string& name, const std::u16string& text,
               const std::u16string& path) {
    Check(RegSetValueExW(key, Wide(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
          path, kCannotWrite);
}

void DeleteTree(HKEY parent, const std::u16string& name, const std::u16string& path) {
    const LSTATUS status = RegDeleteTreeW(parent, Wide(name));
    if (status != ERROR_FILE_NOT_FOUND) Check(status, path + u"\\" + name, kCannotWrite);
}

void Rename(HKEY parent, const std::u16string& from, const std::u16string& to,
            const std::u16string& path) {
    Check(RegRenameKey(parent, Wide(from), Wide(to)), path + u"\\" + from, kCannotWrite);
}

}  // namespace win32rt
