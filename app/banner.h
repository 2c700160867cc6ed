// The banner picture (resource "JPG" 136), drawn over its frame on every paint, filling the
// frame at whatever size the window's DPI gives it.
#pragma once

#include <windows.h>

// Decodes the banner, keeps it for window and draws it once over frame, a child of window.
// A missing or undecodable picture draws nothing.
void LoadBanner(HWND window, HWND frame);
// Draws every banner kept for window, scaled smoothly to its frame's present size.
void PaintBanners(HWND window, HDC dc);
// Releases the banners kept for window.
void ReleaseBanners(HWND window);
