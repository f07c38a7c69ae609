#include "input_box.h"

#include <cstdint>
#include <vector>

#include "platform/error.h"

namespace win32rt {

namespace {

constexpr int kEditId = 100;

// A dialog template in memory: words, with each item on a DWORD boundary.
class DialogTemplate {
  public:
    DialogTemplate(DWORD style, std::u16string_view title, short width, short height) {
        Dword(style | DS_SETFONT);
        Dword(WS_EX_DLGMODALFRAME);  // no icon in the title bar
        count_ = words_.size();
        words_.push_back(0);
        Box(0, 0, width, height);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard class
        Text(title);
        words_.push_back(10);  // points; the runtime's font is set on the items
        Text(u"ＭＳ Ｐゴシック");
    }

    // `kind` is the predefined class's atom: 0x80 button, 0x81 edit, 0x82 static.
    void Item(WORD kind, int id, DWORD style, std::u16string_view text, short x, short y,
              short width, short height) {
        if (words_.size() % 2 != 0) words_.push_back(0);
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(kind == 0x81 ? WS_EX_CLIENTEDGE : 0);
        Box(x, y, width, height);
        words_.push_back(static_cast<WORD>(id));
        words_.push_back(0xFFFF);
        words_.push_back(kind);
        Text(text);
        words_.push_back(0);  // no creation data
        ++words_[count_];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void Dword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void Box(short x, short y, short width, short height) {
        for (short v : {x, y, width, height}) words_.push_back(static_cast<WORD>(v));
    }
    void Text(std::u16string_view text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    std::size_t count_ = 0;  // where the number of items is
};

struct Session {
    HFONT font;
    std::u16string text;
};

INT_PTR CALLBACK InputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            for (int id : {IDOK, IDCANCEL, kEditId, 0xFFFF}) {
                SendDlgItemMessageW(
                    dialog, id, WM_SETFONT,
                    reinterpret_cast<WPARAM>(reinterpret_cast<Session*>(lParam)->font), FALSE);
            }
            // No limit below the system's: a pasted text is taken whole.
            SendDlgItemMessageW(dialog, kEditId, EM_SETLIMITTEXT, 0, 0);
            return TRUE;  // the focus goes to the line
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                HWND edit = GetDlgItem(dialog, kEditId);
                std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1,
                                    u'\0');
                const int length = GetWindowTextW(edit, reinterpret_cast<wchar_t*>(text.data()),
                                                  static_cast<int>(text.size()));
                text.resize(static_cast<std::size_t>(std::max(length, 0)));
                session->text = std::move(text);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

std::u16string ShowInputBox(HINSTANCE instance, HWND owner, std::u16string_view prompt,
                            std::u16string_view title, HFONT font) {
    DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, title,
                          250, 82);
    // The prompt has no access keys: "&" in it is a character.
    dialog.Item(0x82, 0xFFFF, SS_LEFT | SS_NOPREFIX, prompt, 7, 7, 180, 48);
    dialog.Item(0x80, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, u"OK", 192, 7, 51, 15);
    dialog.Item(0x80, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, u"キャンセル", 192, 26, 51, 15);
    dialog.Item(0x81, kEditId, ES_AUTOHSCROLL | WS_TABSTOP, u"", 7, 61, 236, 14);
    Session session{font, {}};
    const INT_PTR result = DialogBoxIndirectParamW(instance, dialog.Get(), owner, InputProc,
                                                   reinterpret_cast<LPARAM>(&session));
    if (result == -1) vb::Raise(vb::kOutOfMemory);
    return result == IDOK ? session.text : std::u16string();
}

}  // namespace win32rt
