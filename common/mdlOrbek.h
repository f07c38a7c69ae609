#pragma once
// The shared module of the programs: the sentence store's names, the error
// report, the building and tearing down of the sentence menu, and the copy.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/menu.h"
#include "platform/runtime.h"
#include "platform/trap.h"

class mdlOrbek : public vb::ErrorReporter {
  public:
    // `mnuSentence` is the tray form's sentence menu: the separator, element 0,
    // then one element per sentence.
    mdlOrbek(vb::Runtime& rt, vb::MenuArray& mnuSentence);

    // Where the sentences are kept, for Orbek and for Nulvex.
    static constexpr std::u16string_view kApp = u"Orbek";
    static constexpr std::u16string_view kSection = u"Sentences";
    static constexpr std::u16string_view kCountKey = u"SCMax";
    // "S" + index: S0, S12.
    static std::u16string SentenceKey(std::int32_t index);

    // Shows the current error with where it happened; returns once the user
    // has closed the box.
    void ShowErrMsg(std::u16string_view location) override;

    // Builds the sentence items from the store; expects the menu torn down.
    void ShowSMenu();
    // Removes the sentence items the menu holds.
    void ClearSMenu();
    // Whether another program has changed the store since the menu was built.
    bool SMenuOutOfStep();

    // Copies `text` to the clipboard through the hidden text box `txt`: the
    // text set, all of it selected, then WM_COPY.
    void CopyText(vb::TextBox& txt, std::u16string text);

    // A sentence's menu caption: its first line marked "\n...", then at most
    // 30 characters followed by "...".
    static std::u16string SentenceCaption(std::u16string_view sentence);

    vb::Runtime& rt;

  private:
    vb::MenuArray& mnuSentence_;
    std::uint64_t builtFrom_ = 0;  // the store's outside changes seen at the last build
};
