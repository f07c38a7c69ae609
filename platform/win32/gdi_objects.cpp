#include "gdi_objects.h"

#include <algorithm>
#include <cmath>

#include "platform/conv.h"
#include "wide.h"

namespace win32rt {

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

GdiObjects::~GdiObjects() {
    for (const auto& [key, icon] : icons_) DestroyIcon(icon);
    for (const auto& [key, font] : fonts_) DeleteObject(font);
}

HICON GdiObjects::Icon(const std::u16string& picture, int size) {
    HICON& icon = icons_[{picture, size}];
    if (icon == nullptr) {
        icon = static_cast<HICON>(
            LoadImageW(instance_, Wide(picture), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    }
    return icon;
}

HFONT GdiObjects::Font(const vb::Font& font) {
    HFONT& made = fonts_[font.name + u"/" + vb::Str(static_cast<std::int32_t>(font.size * 10)) +
                         u"/" + vb::Str(font.weight)];
    if (made == nullptr) {
        LOGFONTW wanted{};
        wanted.lfHeight = -static_cast<LONG>(std::lround(font.size * ScreenDpi() / 72.0f));
        wanted.lfWeight = font.weight;
        wanted.lfCharSet = static_cast<BYTE>(font.charset);
        wanted.lfQuality = DEFAULT_QUALITY;
        const std::size_t length = std::min(font.name.size(), std::size(wanted.lfFaceName) - 1);
        std::copy_n(font.name.begin(), length, wanted.lfFaceName);
        made = CreateFontIndirectW(&wanted);
    }
    return made;
}

}  // namespace win32rt
