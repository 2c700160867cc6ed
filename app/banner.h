// The banner picture (resource "JPG" 136) drawn at the placeholder's corner on every paint.
#pragma once

#include <windows.h>

#include <optional>

// HIMETRIC (0.01 mm) to pixels at the given resolution, rounded.
constexpr long HimetricToPixels(long himetric, int dpi) { return (dpi * himetric + 1270) / 2540; }

// The size the banner is drawn at on this screen; nothing when there is no picture to decode.
std::optional<SIZE> BannerPixelSize();
// Decodes the banner, draws it once at topLeft and keeps it for later paints of window.
// A missing or undecodable picture draws nothing.
void LoadBanner(HWND window, POINT topLeft);
// Draws every banner kept for window.
void PaintBanners(HWND window, HDC dc);
// Releases the banners kept for window.
void ReleaseBanners(HWND window);
