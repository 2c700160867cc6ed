// The cookie parser and store over any Set-Cookie value, then the line for the same URL.
#include <cstdlib>
#include <string>

#include "http/cookie_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    QELHttpCookiePair pair;
    QELHttpParseCookiePair(text.data(), text.size(), &pair);
    // The store keeps every cookie for the process's life: bound what a run adds to it.
    static int stored = 0;
    if (stored < 5000 && StoreCookie("http://fuzz.test/a/b/c.cgi?x=1", text.c_str()) == 0) ++stored;
    char* line = nullptr;
    BuildCookieLine("http://fuzz.test/a/b/c.cgi?x=1", &line, data && size && (data[0] & 1));
    free(line);
    return 0;
}
