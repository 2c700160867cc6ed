// http_probe: fetches one URL through the setup's own HTTP client, for support staff and
// tests. The driver is chosen as in the setup: "HTTPDriver" set asks for the socket driver.
//
//   http_probe [--head] [--range FROM COUNT] [--pieces SIZE] [--out FILE] URL
//
// Prints the driver, the result, the status and the raw response head; writes the body to
// FILE. --pieces fetches the whole resource in range requests of SIZE bytes, as the package
// download does, writing each piece before the next is asked for. Exit status 0 only when
// every request succeeded (and the body was written).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "http/http_client.h"

namespace {

struct Options {
    const char* url = nullptr;
    const char* out = nullptr;
    bool head = false;
    bool range = false;
    int32_t from = 0;
    int32_t count = 0;
    int32_t pieces = 0;
};

bool ParseNumber(const char* text, int32_t* value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    long number = strtol(text, &end, 10);
    if (*end || errno || number < 0 || number > INT32_MAX) return false;
    *value = static_cast<int32_t>(number);
    return true;
}

bool Parse(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool more = i + 1 < argc;
        if (arg == "--head") {
            options->head = true;
        } else if (arg == "--out" && more) {
            options->out = argv[++i];
        } else if (arg == "--range" && i + 2 < argc) {
            options->range = true;
            if (!ParseNumber(argv[++i], &options->from) || !ParseNumber(argv[++i], &options->count))
                return false;
        } else if (arg == "--pieces" && more) {
            if (!ParseNumber(argv[++i], &options->pieces) || options->pieces == 0) return false;
        } else if (arg.compare(0, 2, "--") != 0 && !options->url) {
            options->url = argv[i];
        } else {
            return false;
        }
    }
    int modes = options->head + options->range + (options->pieces > 0);
    return options->url && modes <= 1 && !(options->head && options->out);
}

void PrintResponse(QELHttpClient& client, int32_t result) {
    printf("result: %d (0x%08X)\n", result, static_cast<unsigned>(result));
    char* value = nullptr;
    int32_t length = 0;
    if (client.QueryInfo(&value, &length, nullptr, kHttpQueryStatusCode | kHttpQueryNumber,
                         nullptr) == kHttpOk &&
        length == 4) {
        int32_t status = 0;
        memcpy(&status, value, 4);
        printf("status: %d\n", status);
    }
    free(value);
    value = nullptr;
    if (client.QueryInfo(&value, &length, nullptr, kHttpQueryRawHead, nullptr) == kHttpOk)
        printf("head:\n%.*s", static_cast<int>(length), value);
    free(value);
}

bool Write(FILE* file, const char* body, int32_t length) {
    return !file || length == 0 ||
           fwrite(body, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length);
}

// The whole resource in range pieces; its size comes from a HEAD request first.
int32_t FetchPieces(QELHttpClient& client, const Options& options, FILE* file, int64_t* total) {
    QELHttpFileInfo info;
    int32_t result = client.Head(options.url, &info);
    if (result != kHttpOk) return result > 0 ? -result : result;
    for (int64_t from = 0; from < info.size; from += options.pieces) {
        if (from > INT32_MAX) return kHttpInvalidArg;
        char* body = nullptr;
        int32_t length = 0;
        result = client.GetRange(options.url, 1, 0, static_cast<int32_t>(from), options.pieces,
                                 &body, &length, nullptr);
        bool written = result == kHttpOk && Write(file, body, length);
        free(body);
        if (result != kHttpOk) return result;
        if (!written) return QEL_E_FAIL;
        *total += length;
    }
    return kHttpOk;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, &options)) {
        fprintf(stderr,
                "usage: http_probe [--head] [--range FROM COUNT] [--pieces SIZE] [--out FILE] "
                "URL\n");
        return 2;
    }
    FILE* file = nullptr;
    if (options.out && !(file = fopen(options.out, "wb"))) {
        fprintf(stderr, "http_probe: cannot write %s: %s\n", options.out, strerror(errno));
        return 1;
    }
    QELHttpClient client(nullptr, 1, 1);
    if (client.Driver()) printf("driver: %c\n", client.Driver()->GetKind());

    int32_t result;
    int64_t total = 0;
    if (options.head) {
        QELHttpFileInfo info;
        result = client.Head(options.url, &info);
        if (result == kHttpOk)
            printf("size: %lld\nmode: 0x%X\n", static_cast<long long>(info.size), info.mode);
    } else if (options.pieces > 0) {
        result = FetchPieces(client, options, file, &total);
    } else {
        char* body = nullptr;
        int32_t length = 0;
        result = options.range ? client.GetRange(options.url, 1, 0, options.from, options.count,
                                                 &body, &length, nullptr)
                               : client.Get(options.url, 0, &body, &length, nullptr);
        if (result == kHttpOk && !Write(file, body, length)) result = QEL_E_FAIL;
        total = length;
        free(body);
    }
    PrintResponse(client, result);
    if (!options.head) printf("body: %lld bytes\n", static_cast<long long>(total));
    client.Release();
    if (file && fclose(file) != 0) result = QEL_E_FAIL;
    return result == kHttpOk ? 0 : 1;
}
