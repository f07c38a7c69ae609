// The two ways a sentence is shown: the menu caption and the editor's list
// entry. Both come from the first line; the caption is marked and shortened,
// the list entry is neither.

#include "common/mdlOrbek.h"
#include "editor/frmSet.h"
#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Text in(data, size);
    const std::u16string s = in.Rest();

    const std::u16string line = frmSet::DisplayText(s);
    fuzz::Check(s.compare(0, line.size(), line) == 0, "the list entry begins the sentence");
    fuzz::Check(line.find(u"\r\n") == std::u16string::npos, "the list entry has no CR LF");
    const bool multiLine = line.size() != s.size();
    fuzz::Check(!multiLine || s.compare(line.size(), 2, u"\r\n") == 0,
                "the list entry ends at the first CR LF, or is the whole sentence");

    const std::u16string caption = mdlOrbek::SentenceCaption(s);
    fuzz::Check(caption.size() <= 33, "a caption has at most 33 code units");
    // The first line, marked when more lines follow, kept whole up to 30
    // units and otherwise cut to 30 and given "...".
    const std::u16string marked = multiLine ? line + u"\\n..." : line;
    if (marked.size() <= 30) {
        fuzz::Check(caption == marked, "a short first line is the caption");
    } else {
        fuzz::Check(caption.size() == 33 && caption.compare(0, 30, marked, 0, 30) == 0 &&
                        caption.compare(30, 3, u"...") == 0,
                    "a long first line is cut to 30 units and \"...\"");
    }
    return 0;
}
