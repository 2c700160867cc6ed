#include "http/name_cache.h"

#include <cstdlib>
#include <cstring>

#include "http/text_buffer.h"

QELHttpNameCache::QELHttpNameCache(Resolver resolve) : _resolve(resolve) {}

QELHttpNameCache::~QELHttpNameCache() {
    for (Entry& entry : _entries) free(entry.host);
}

bool QELHttpNameCache::Resolve(const char* host, uint32_t* address) {
    if (!host || !address) return false;
    for (const Entry& entry : _entries) {
        if (entry.host && strcmp(entry.host, host) == 0) {
            *address = entry.address;
            return true;
        }
    }
    if (!_resolve(host, address)) return false;
    // A name that cannot be remembered (no memory) is still answered.
    Entry& entry = _entries[_next];
    free(entry.host);
    entry.host = QELHttpCopyText(host);
    entry.address = *address;
    _next = (_next + 1) % kEntries;
    return true;
}

void QELHttpNameCache::Forget(const char* host) {
    if (!host) return;
    for (Entry& entry : _entries) {
        if (entry.host && strcmp(entry.host, host) == 0) {
            free(entry.host);
            entry.host = nullptr;
        }
    }
}
