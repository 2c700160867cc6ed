#include "app/banner.h"

#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "app/banner_scale.h"
#include "framework/afx_app.h"
#include "resources/resource_ids.h"

namespace {

struct Banner {
    HWND window;
    HWND frame;
    Pixels picture;  // as decoded
    Pixels scaled;   // for the frame's size at the last paint
};

// Only the dialog's thread loads and paints, so the list needs no lock.
std::vector<Banner> banners;

IPicture* DecodeBannerResource() {
    const HINSTANCE instance = AfxGetInstanceHandle();
    const HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(IDR_BANNER_JPG), L"JPG");
    if (!resource) return nullptr;
    const DWORD size = SizeofResource(instance, resource);
    const HGLOBAL loaded = LoadResource(instance, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return nullptr;

    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    CopyMemory(target, bytes, size);
    GlobalUnlock(block);

    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return nullptr;
    }
    IPicture* picture = nullptr;
    if (FAILED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture))))
        picture = nullptr;
    stream->Release();
    return picture;
}

// 32-bit pixels, rows top-down.
BITMAPINFO TopDownFormat(int width, int height) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    return format;
}

// The decoded bitmap's own pixels: scaling them ourselves draws the same on every Windows
// (StretchBlt's smooth mode is missing on some).
std::optional<Pixels> PixelsOf(IPicture* picture) {
    OLE_HANDLE handle = 0;
    SHORT type = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP ||
        FAILED(picture->get_Handle(&handle)))
        return std::nullopt;
    const auto bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return std::nullopt;
    Pixels pixels{info.bmWidth, info.bmHeight,
                  std::vector<uint8_t>(static_cast<size_t>(info.bmWidth) * info.bmHeight * 4)};
    BITMAPINFO format = TopDownFormat(info.bmWidth, info.bmHeight);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.bytes.data(), &format,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight) return std::nullopt;
    return pixels;
}

void Draw(Banner& banner, HDC dc) {
    RECT frame;
    GetWindowRect(banner.frame, &frame);
    MapWindowPoints(nullptr, banner.window, reinterpret_cast<POINT*>(&frame), 2);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    if (banner.scaled.width != width || banner.scaled.height != height)
        banner.scaled = ScaleToCover(banner.picture, width, height);
    if (banner.scaled.bytes.empty()) return;
    BITMAPINFO format = TopDownFormat(width, height);
    SetDIBitsToDevice(dc, frame.left, frame.top, width, height, 0, 0, 0, height,
                      banner.scaled.bytes.data(), &format, DIB_RGB_COLORS);
}

}  // namespace

void LoadBanner(HWND window, HWND frame) {
    IPicture* picture = DecodeBannerResource();
    if (!picture) return;
    std::optional<Pixels> pixels = PixelsOf(picture);
    picture->Release();
    if (!pixels) return;
    banners.push_back({window, frame, std::move(*pixels), {}});
    HDC dc = GetDC(window);
    Draw(banners.back(), dc);
    ReleaseDC(window, dc);
}

void PaintBanners(HWND window, HDC dc) {
    for (Banner& banner : banners) {
        if (banner.window == window) Draw(banner, dc);
    }
}

void ReleaseBanners(HWND window) {
    banners.erase(std::remove_if(banners.begin(), banners.end(),
                                 [window](const Banner& b) { return b.window == window; }),
                  banners.end());
}
