// The plainest WinInet download of a file in 512 KiB ranges, for comparing the setup's driver
// with WinInet's own speed: one session, WinInet following the link's redirect itself, each
// piece read into one 512 KiB buffer.
//   wininet_loop URL FILE    exit status 0 when the whole file was written
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const DWORD kPiece = 0x80000;

// Reads one range into the buffer; the bytes read, or -1. `total` gets the file's size.
long ReadPiece(HINTERNET session, const char* url, DWORD from, std::vector<char>& buffer,
               long long& total) {
    char range[64];
    std::snprintf(range, sizeof(range), "Range: bytes=%lu-%lu\r\n", static_cast<unsigned long>(from),
                  static_cast<unsigned long>(from + kPiece - 1));
    HINTERNET request = InternetOpenUrlA(session, url, range, static_cast<DWORD>(-1),
                                         INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_CACHE_WRITE |
                                             INTERNET_FLAG_RELOAD,
                                         0);
    if (!request) return -1;
    char value[128] = "Content-Range";
    DWORD size = sizeof(value);
    if (HttpQueryInfoA(request, HTTP_QUERY_CUSTOM, value, &size, nullptr)) {
        const char* slash = std::strchr(value, '/');
        if (slash) total = std::atoll(slash + 1);
    }
    DWORD filled = 0;
    for (DWORD got = 1; got && filled < kPiece;) {
        if (!InternetReadFile(request, buffer.data() + filled, kPiece - filled, &got)) {
            filled = 0;
            break;
        }
        filled += got;
    }
    InternetCloseHandle(request);
    return static_cast<long>(filled);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wininet_loop URL FILE\n");
        return 2;
    }
    HINTERNET session = InternetOpenA("loop", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    FILE* out = std::fopen(argv[2], "wb");
    if (!session || !out) return 1;
    std::vector<char> buffer(kPiece);
    long long total = 0;
    long long done = 0;
    do {
        const long got = ReadPiece(session, argv[1], static_cast<DWORD>(done), buffer, total);
        if (got <= 0 || std::fwrite(buffer.data(), 1, got, out) != static_cast<size_t>(got)) return 1;
        done += got;
    } while (done < total);
    std::fclose(out);
    InternetCloseHandle(session);
    return 0;
}
