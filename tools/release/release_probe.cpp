// Prints what Windows makes of a file: WinVerifyTrust's answer, through the setup's own signature
// check, and the file version of its version resource.
// Usage: release_probe FILE. Exit code 0 when the signature holds and the version is there,
// 1 when not, 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "checks/requirements.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: release_probe FILE\n", stderr);
        return 2;
    }
    const wchar_t* path = argv[1];
    int32_t trust = 0;
    VerifyEmbeddedSignature(path, &trust);
    std::printf("WinVerifyTrust 0x%08lX\n", static_cast<unsigned long>(trust));

    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path, &ignored));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof(*fixed)) {
        std::puts("no version resource");
        return 1;
    }
    std::printf("version %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS));
    return trust == 0 ? 0 : 1;
}
