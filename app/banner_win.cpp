#include "app/banner.h"

#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <vector>

#include "framework/afx_app.h"
#include "resources/resource_ids.h"

namespace {

struct Banner {
    HWND window;
    IPicture* picture;
    POINT topLeft;
    SIZE pixels;
    SIZE himetric;
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

void Draw(const Banner& banner, HDC dc) {
    // IPicture draws bottom-up: start at the lower edge with a negative height.
    banner.picture->Render(dc, banner.topLeft.x, banner.topLeft.y + banner.pixels.cy,
                           banner.pixels.cx, -banner.pixels.cy, 0, 0, banner.himetric.cx,
                           banner.himetric.cy, nullptr);
}

// Fills in the picture's sizes, in HIMETRIC and in pixels at the resolution of dc.
void Measure(Banner& banner, HDC dc) {
    banner.picture->get_Width(&banner.himetric.cx);
    banner.picture->get_Height(&banner.himetric.cy);
    banner.pixels.cx = HimetricToPixels(banner.himetric.cx, GetDeviceCaps(dc, LOGPIXELSX));
    banner.pixels.cy = HimetricToPixels(banner.himetric.cy, GetDeviceCaps(dc, LOGPIXELSY));
}

}  // namespace

std::optional<SIZE> BannerPixelSize() {
    IPicture* picture = DecodeBannerResource();
    if (!picture) return std::nullopt;
    Banner banner{nullptr, picture, {}, {}, {}};
    HDC dc = GetDC(nullptr);
    Measure(banner, dc);
    ReleaseDC(nullptr, dc);
    picture->Release();
    return banner.pixels;
}

void LoadBanner(HWND window, POINT topLeft) {
    IPicture* picture = DecodeBannerResource();
    if (!picture) return;
    Banner banner{window, picture, topLeft, {}, {}};
    HDC dc = GetDC(window);
    Measure(banner, dc);
    Draw(banner, dc);
    ReleaseDC(window, dc);
    banners.push_back(banner);
}

void PaintBanners(HWND window, HDC dc) {
    for (const Banner& banner : banners) {
        if (banner.window == window) Draw(banner, dc);
    }
}

void ReleaseBanners(HWND window) {
    for (const Banner& banner : banners) {
        if (banner.window == window) banner.picture->Release();
    }
    banners.erase(std::remove_if(banners.begin(), banners.end(),
                                 [window](const Banner& b) { return b.window == window; }),
                  banners.end());
}
