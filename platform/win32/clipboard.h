#pragma once
// The system clipboard, as text.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/form.h"

namespace win32rt {

// The clipboard, opened for `owner` and closed again on every way out of the
// scope, an error raised included. Raises 521 when another program holds it.
class ClipboardOpen {
  public:
    explicit ClipboardOpen(HWND owner);
    ~ClipboardOpen() { CloseClipboard(); }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
};

class Clipboard {
  public:
    // The clipboard is opened by `owner`, the copying edit control made as its child.
    Clipboard(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}

    bool HasText() const;
    // Raise 521 when another program holds the clipboard.
    std::u16string Text() const;
    void SetText(std::u16string_view text) const;
    // Copies the text box's selection as an edit control does: nothing from
    // an empty selection.
    void CopySelection(const vb::TextBox& box);

  private:
    HINSTANCE instance_;
    HWND owner_;
    HWND copier_ = nullptr;  // the edit control that copies a text box's selection
};

}  // namespace win32rt
