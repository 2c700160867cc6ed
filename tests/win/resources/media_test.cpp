// The banner picture, the icon and the manifest.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <string>

#include "tests/win/support/resource_bytes.h"
#include "resource_ids.h"

namespace {

// The banner is scaled to fill the placeholder of 274 x 147 dialog units, and must only ever be
// made smaller: at 200 %, with the largest base units it meets (6 x 13 pixels at 96 dpi, Windows'
// MS Shell Dlg 2, Tahoma 8), the placeholder is twice 411 x 239 pixels.
const int kPlaceholderWidthAt200 = 2 * MulDiv(274, 6, 4);
const int kPlaceholderHeightAt200 = 2 * MulDiv(147, 13, 8);

int HimetricToPixels(int dpi, OLE_XSIZE_HIMETRIC himetric) {
    return (dpi * himetric + 1270) / 2540;
}

std::string AsText(const std::vector<BYTE>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(Banner, IsAJpegLargeEnoughForThePlaceholderAtTwiceTheScale) {
    auto bytes = ResourceBytes(L"JPG", MAKEINTRESOURCEW(IDR_BANNER_JPG));
    ASSERT_TRUE(bytes);
    ASSERT_GT(bytes->size(), 4u);
    EXPECT_EQ((*bytes)[0], 0xFF);
    EXPECT_EQ((*bytes)[1], 0xD8);
    EXPECT_EQ((*bytes)[bytes->size() - 2], 0xFF);
    EXPECT_EQ((*bytes)[bytes->size() - 1], 0xD9);

    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes->size());
    ASSERT_NE(memory, nullptr);
    std::copy(bytes->begin(), bytes->end(), static_cast<BYTE*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(memory, TRUE, &stream), S_OK);
    IPicture* picture = nullptr;
    HRESULT decoded = OleLoadPicture(stream, static_cast<LONG>(bytes->size()), FALSE, IID_IPicture,
                                     reinterpret_cast<void**>(&picture));
    stream->Release();
    ASSERT_EQ(decoded, S_OK);
    SHORT type = 0;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Type(&type);
    picture->get_Width(&width);
    picture->get_Height(&height);
    picture->Release();
    CoUninitialize();

    EXPECT_EQ(type, PICTYPE_BITMAP);
    EXPECT_GE(HimetricToPixels(96, width), kPlaceholderWidthAt200);
    EXPECT_GE(HimetricToPixels(96, height), kPlaceholderHeightAt200);
}

TEST(Icon, HoldsTheUsualSizesAndLoads) {
    auto group = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_SETUP_ICON));
    ASSERT_TRUE(group);
    for (int size : {16, 32, 48}) {
        // The directory lookup names the image closest to the size; it must be that size.
        int image = LookupIconIdFromDirectoryEx(group->data(), TRUE, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(image, 0) << size;
        auto bits = ResourceBytes(RT_ICON, MAKEINTRESOURCEW(image));
        ASSERT_TRUE(bits && bits->size() >= sizeof(BITMAPINFOHEADER)) << size;
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bits->data());
        EXPECT_EQ(header->biWidth, size);
        EXPECT_EQ(header->biHeight, 2 * size) << "colour and mask rows";

        HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SETUP_ICON),
                                 IMAGE_ICON, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        if (icon) DestroyIcon(static_cast<HICON>(icon));
    }
}

TEST(Manifest, IsTheOnlyOneAndAsksForAdministratorAndCommonControlsSix) {
    EXPECT_EQ(ResourceIds(RT_MANIFEST), std::vector<UINT>{1});
    auto bytes = ResourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_TRUE(bytes);
    std::string manifest = AsText(*bytes);
    for (const char* part :
         {"level=\"requireAdministrator\"", "uiAccess=\"false\"",
          "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
          "processorArchitecture=\"x86\"", "publicKeyToken=\"6595b64144ccf1df\""}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
}

TEST(ResourceObject, KeepsEverythingWhenLinkedBesideAnotherResourceObject) {
    // The linker merges resource objects; a malformed one loses its own resources or the other's.
    auto neighbour = ResourceBytes(RT_RCDATA, MAKEINTRESOURCEW(900));
    ASSERT_TRUE(neighbour);
    EXPECT_EQ(AsText(*neighbour), "neighbour");
    EXPECT_TRUE(ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_SETUP_DIALOG)));
    EXPECT_TRUE(ResourceBytes(L"JPG", MAKEINTRESOURCEW(IDR_BANNER_JPG)));
    EXPECT_EQ(ResourceLanguages(RT_STRING, MAKEINTRESOURCEW(IDS_CAPTION / 16 + 1)).size(), 6u);
}
