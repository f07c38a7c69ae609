#include "gdi_objects.h"

#include <algorithm>
#include <cmath>

#include "platform/conv.h"
#include "wide.h"

namespace win32rt {

int ScreenDpi() {
    const ScreenDc screen(GetDC(nullptr));
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
    return dpi > 0 ? dpi : 96;
}

HICON GdiObjects::Icon(const std::u16string& picture, int size) {
    OwnedIcon& icon = icons_[{picture, size}];
    if (!icon) {
        icon.reset(static_cast<HICON>(
            LoadImageW(instance_, Wide(picture), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    }
    return icon.get();
}

HFONT GdiObjects::Font(const vb::Font& font) {
    // Named by its face, size (in tenths of a point), weight and character set.
    OwnedFont& made = fonts_[font.name + u"/" + vb::Str(static_cast<std::int32_t>(font.size * 10)) +
                             u"/" + vb::Str(font.weight) + u"/" + vb::Str(font.charset)];
    if (!made) {
        LOGFONTW wanted{};
        wanted.lfHeight = -static_cast<LONG>(std::lround(font.size * ScreenDpi() / 72.0f));
        wanted.lfWeight = font.weight;
        wanted.lfCharSet = static_cast<BYTE>(font.charset);
        wanted.lfQuality = DEFAULT_QUALITY;
        const std::size_t length = std::min(font.name.size(), std::size(wanted.lfFaceName) - 1);
        std::copy_n(font.name.begin(), length, wanted.lfFaceName);
        made.reset(CreateFontIndirectW(&wanted));
    }
    return made.get();
}

}  // namespace win32rt
