// The cookie parser and store over Set-Cookie values stored for, and lines built for, URLs the
// input chooses. Each input line: a byte choosing both origins and the form, then the stored
// URL's path, the Set-Cookie value and the built URL's path, separated by tabs.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "http/cookie_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first two differ in one character, so that their long keys collide in the hash.
    static const char* const kOrigins[] = {"http://victim.test", "http://wictim.test",
                                           "https://victim.test", "http://evil.test"};
    std::istringstream records(std::string(reinterpret_cast<const char*>(data), size));
    std::string record, storedPath, setCookie, builtPath;
    while (std::getline(records, record)) {
        if (record.empty()) continue;
        unsigned char choice = record[0];
        std::istringstream fields(record.substr(1));
        std::getline(fields, storedPath, '\t');
        std::getline(fields, setCookie, '\t');
        std::getline(fields, builtPath);
        QELHttpCookiePair pair;
        QELHttpParseCookiePair(setCookie.data(), setCookie.size(), &pair);
        // Every stored name begins with \x01 and its origin's digit; no other \x01 is left.
        setCookie.erase(std::remove(setCookie.begin(), setCookie.end(), '\x01'), setCookie.end());
        int stored = choice % 4, built = choice / 4 % 4;
        setCookie = std::string{'\x01', static_cast<char>('0' + stored)} + setCookie;
        StoreCookie((kOrigins[stored] + ("/" + storedPath)).c_str(), setCookie.c_str());
        char* line = nullptr;
        std::string url = kOrigins[built] + ("/" + builtPath);
        if (BuildCookieLine(url.c_str(), &line, choice & 16) != 0) continue;
        if (strlen(line) > kMaxCookieLineBytes) abort();
        for (const char* at = strchr(line, '\x01'); at; at = strchr(at + 1, '\x01'))
            if (at[1] != '0' + built) abort();
        free(line);
    }
    return 0;
}
