#include "clipboard.h"

#include <algorithm>
#include <functional>

#include "owned.h"
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

// A global memory block's contents, locked while this lives.
template <class Char>
class Locked {
  public:
    explicit Locked(HGLOBAL block) : block_(block), chars_(static_cast<Char*>(GlobalLock(block))) {}
    ~Locked() {
        if (chars_) GlobalUnlock(block_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    Char* get() const { return chars_; }

  private:
    HGLOBAL block_;
    Char* chars_;
};

}  // namespace

ClipboardOpen::ClipboardOpen(HWND owner) {
    if (!Patiently([owner] { return OpenClipboard(owner) != FALSE; })) {
        vb::Raise(vb::kClipboardBusy);
    }
}

bool Clipboard::HasText() const { return IsClipboardFormatAvailable(CF_UNICODETEXT); }

std::u16string Clipboard::Text() const {
    const ClipboardOpen open(owner_);
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr) return {};
    const Locked<const wchar_t> chars(data);
    if (chars.get() == nullptr) return {};
    // Up to the terminating NUL, and never past the block.
    const wchar_t* begin = chars.get();
    const wchar_t* end = begin + GlobalSize(data) / sizeof(wchar_t);
    return FromWide(begin, std::find(begin, end, L'\0') - begin);
}

void Clipboard::SetText(std::u16string_view text) const {
    OwnedGlobal block(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (!block) vb::Raise(vb::kOutOfMemory);
    {
        const Locked<char16_t> chars(block.get());
        if (chars.get() == nullptr) vb::Raise(vb::kOutOfMemory);
        std::copy(text.begin(), text.end(), chars.get());
        chars.get()[text.size()] = u'\0';
    }
    const ClipboardOpen open(owner_);
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, block.get()) == nullptr) vb::Raise(vb::kClipboardBusy);
    block.release();  // the system's now
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
