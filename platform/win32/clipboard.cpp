#include "clipboard.h"

#include <algorithm>
#include <functional>

#include "platform/error.h"
#include "wide.h"

namespace win32rt {

namespace {

// Another program may hold the clipboard for a moment: `attempt` is made
// again a few times before it counts as failed.
bool Patiently(const std::function<bool()>& attempt) {
    for (int i = 0; i < 5; ++i) {
        if (attempt()) return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

void Clipboard::Open() const {
    if (!Patiently([this] { return OpenClipboard(owner_) != FALSE; })) {
        vb::Raise(vb::kClipboardBusy);
    }
}

bool Clipboard::HasText() const { return IsClipboardFormatAvailable(CF_UNICODETEXT); }

std::u16string Clipboard::Text() const {
    Open();
    std::u16string text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            // Up to the terminating NUL, and never past the block.
            const std::size_t room = GlobalSize(data) / sizeof(wchar_t);
            text = FromWide(chars, std::find(chars, chars + room, L'\0') - chars);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void Clipboard::SetText(std::u16string_view text) const {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (block == nullptr) vb::Raise(vb::kOutOfMemory);
    auto* chars = static_cast<char16_t*>(GlobalLock(block));
    if (chars == nullptr) {
        GlobalFree(block);
        vb::Raise(vb::kOutOfMemory);
    }
    std::copy(text.begin(), text.end(), chars);
    chars[text.size()] = u'\0';
    GlobalUnlock(block);
    try {
        Open();
    } catch (const vb::Error&) {
        GlobalFree(block);
        throw;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!set) {
        GlobalFree(block);
        vb::Raise(vb::kClipboardBusy);
    }
}

void Clipboard::CopySelection(const vb::TextBox& box) {
    // An edit control holding the text box's text and selection copies it.
    if (copier_ == nullptr) {
        copier_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_MULTILINE | ES_AUTOHSCROLL, 0, 0,
                                  0, 0, owner_, nullptr, instance_, nullptr);
        if (copier_ == nullptr) vb::Raise(vb::kOutOfMemory);
        SendMessageW(copier_, EM_SETLIMITTEXT, 0, 0);
    }
    SetWindowTextW(copier_, Wide(box.Text()));
    SendMessageW(copier_, EM_SETSEL, box.SelStart(), box.SelStart() + box.SelLength());
    DWORD from = 0, to = 0;
    SendMessageW(copier_, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                 reinterpret_cast<LPARAM>(&to));
    // The control copies nothing from an empty selection, and says nothing
    // when another program holds the clipboard: it is tried again then.
    const bool copied = from == to || Patiently([this] {
                            const DWORD before = GetClipboardSequenceNumber();
                            SendMessageW(copier_, WM_COPY, 0, 0);
                            return GetClipboardSequenceNumber() != before;
                        });
    SetWindowTextW(copier_, L"");
    if (!copied) vb::Raise(vb::kClipboardBusy);
}

}  // namespace win32rt
