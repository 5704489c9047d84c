#include "ui/header_band_windows.h"

#include "ui/gdi_handles_windows.h"
#include "ui/window_layout.h"

namespace orvane {

namespace {

constexpr wchar_t kHeaderTitle[] = L"Orvane Varnolt";
constexpr wchar_t kHeaderSubtitle[] = L"Is your external storage ready for local AI?";
constexpr COLORREF kHeaderBandColor = RGB(48, 32, 85);
constexpr COLORREF kSubtitleColor = RGB(135, 211, 229);

}  // namespace

void paintHeaderBand(HDC dc, int clientWidth, const HeaderBandLook& look) {
    const auto px = [&look](int length96) { return scaleForDpi(length96, look.dpi); };
    RECT band{0, 0, clientWidth, px(kHeaderBandHeight96)};
    if (look.highContrast) {
        FillRect(dc, &band, GetSysColorBrush(COLOR_WINDOW));
    } else {
        UniqueBrush bandBrush(CreateSolidBrush(kHeaderBandColor));
        FillRect(dc, &band, bandBrush.get());
    }
    SetBkMode(dc, TRANSPARENT);
    if (look.icon != nullptr)
        DrawIconEx(dc, px(24), px(16), look.icon, px(48), px(48), 0, nullptr, DI_NORMAL);

    const COLORREF contrastText = GetSysColor(COLOR_WINDOWTEXT);
    constexpr UINT kLine = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    {
        SelectedObject font(dc, look.titleFont);
        SetTextColor(dc, look.highContrast ? contrastText : RGB(255, 255, 255));
        RECT title{px(88), px(14), clientWidth - px(28), px(52)};
        DrawTextW(dc, kHeaderTitle, -1, &title, kLine);
    }
    {
        SelectedObject font(dc, look.bodyFont);
        SetTextColor(dc, look.highContrast ? contrastText : kSubtitleColor);
        RECT subtitle{px(29), px(57), clientWidth - px(28), px(82)};
        DrawTextW(dc, kHeaderSubtitle, -1, &subtitle, kLine);
    }
}

}  // namespace orvane
