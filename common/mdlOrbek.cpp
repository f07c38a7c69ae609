#include "mdlOrbek.h"

#include "platform/conv.h"
#include "platform/version.h"

namespace {

constexpr std::u16string_view kCrLf = u"\r\n";
constexpr std::size_t kCaptionChars = 30;

}  // namespace

mdlOrbek::mdlOrbek(vb::Runtime& runtime, vb::MenuArray& mnuSentence)
    : rt(runtime), mnuSentence_(mnuSentence) {}

std::u16string mdlOrbek::SentenceKey(std::int32_t index) { return u"S" + vb::Str(index); }

void mdlOrbek::ShowErrMsg(std::u16string_view location) {
    std::u16string text;
    text += u"エラー番号:" + vb::Str(rt.Err.Number) + std::u16string(kCrLf);
    text += u"場所:" + std::u16string(location) + u"-" + u"Orbek" + vb::Str(rt.AppMinor());
    text += kCrLf;
    text += rt.Err.Description + std::u16string(kCrLf);
    text += u"上記の説明と、エラーの発生したときの簡単な状況を書いて、";
    text += kCrLf;
    text += std::u16string(vb::kAuthor) + u" <" + vb::kContactAddress + u">" +
            u" まで連絡してください。";
    rt.MsgBox(text, vb::kInformation | vb::kSystemModal, u"エラー - Orbek");
}

void mdlOrbek::ShowSMenu() {
    vb::Trap trap(rt, *this, u"mdlOrbek!ShowSMenu");
    std::int32_t n = 0;
    trap.Do([&] { n = vb::CLng(rt.GetSetting(kApp, kSection, kCountKey, u"-1")); });
    trap.Do([&] { builtFrom_ = rt.OutsideChanges(kApp); });
    if (n == -1) return;
    trap.Do([&] { mnuSentence_(0).SetVisible(true); });
    for (std::int32_t i = 0; i <= n; ++i) {
        // Past the last element a 16-bit array can hold every further sentence
        // would fail the same way: report that once and keep what was built.
        std::int16_t k = 0;
        if (!trap.Do([&] { k = vb::CInt(vb::Add(i, 1)); })) break;
        std::u16string s;
        trap.Do([&] { s = rt.GetSetting(kApp, kSection, SentenceKey(i)); });
        trap.Do([&] { mnuSentence_.Load(k); });
        trap.Do([&] { mnuSentence_(k).SetCaption(SentenceCaption(s)); });
        trap.Do([&] { mnuSentence_(k).SetVisible(true); });
    }
}

void mdlOrbek::ClearSMenu() {
    vb::Trap trap(rt, *this, u"mdlOrbek!ClearSMenu");
    // Read as ever, so that a damaged count is still reported here; but the
    // items go by what the menu holds, as another program may have changed
    // the count since the menu was built.
    std::int32_t n = 0;
    trap.Do([&] { n = vb::CLng(rt.GetSetting(kApp, kSection, kCountKey, u"-1")); });
    for (std::int16_t k = mnuSentence_.UBound(); k >= 1; --k) {
        if (mnuSentence_.Exists(k)) trap.Do([&] { mnuSentence_.Unload(k); });
    }
    trap.Do([&] { mnuSentence_(0).SetVisible(false); });
}

bool mdlOrbek::SMenuOutOfStep() { return rt.OutsideChanges(kApp) != builtFrom_; }

void mdlOrbek::CopyText(vb::TextBox& txt, std::u16string text) {
    txt.SetText(std::move(text));
    txt.SetSelStart(0);
    txt.SetSelLength(static_cast<std::int32_t>(txt.Text().size()));
    rt.SendMessageA(txt.hWnd(), WM_COPY, 0, 0);
}

std::u16string mdlOrbek::SentenceCaption(std::u16string_view sentence) {
    std::u16string s(sentence);
    if (const std::size_t p = vb::InStr(s, kCrLf); p != 0) s = s.substr(0, p - 1) + u"\\n...";
    if (s.size() > kCaptionChars) s = s.substr(0, kCaptionChars) + u"...";
    return s;
}
