#include "http/cookie_store.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "http/http_types.h"
#include "http/text_buffer.h"
#include "http/url.h"
#include "threads/qel_hash_table.h"
#include "threads/qel_resource_lock.h"

namespace {

struct Cookie {
    uint32_t hash = 0;
    int32_t version = 1;
    // Storing order, so that a full key or store gives up its oldest record.
    uint64_t age = 0;
    size_t keyLength = 0;
    size_t nameLength = 0;
    size_t valueLength = 0;
    size_t pathLength = 0;
    size_t domainLength = 0;
    char* key = nullptr;
    char* text = nullptr;
    const char* name = nullptr;
    const char* value = nullptr;
    const char* path = nullptr;
    const char* domain = nullptr;
};

const int kStoreSizeHint = 53;

// The table is read under the read lock and changed under the write lock.
std::atomic<QELSysSimpleHashTable*> g_store{nullptr};

QELResourceLock& StoreLock() {
    static QELResourceLock lock;
    return lock;
}

uint64_t g_lastAge QEL_GUARDED_BY(StoreLock()) = 0;

void DestroyCookie(Cookie* cookie) {
    if (!cookie) return;
    free(cookie->key);
    free(cookie->text);
    delete cookie;
}

unsigned int HashOfCookie(void* item) {
    Cookie* cookie = static_cast<Cookie*>(item);
    return cookie->key ? cookie->hash : 0;
}

// The cookie being stored, set under the write lock. Only it is compared by the cookie rule;
// every other lookup (the table moving its entries, walking a chain) goes by identity, since
// the table also finds its own entries through this function.
Cookie* g_storing QEL_GUARDED_BY(StoreLock()) = nullptr;

// Stored record first: a new cookie whose name begins with the stored name, under the same
// key, is the same cookie.
int SameCookie(void* storedItem, void* newItem) QEL_REQUIRES_SHARED(StoreLock()) {
    if (newItem != g_storing) return storedItem == newItem;
    Cookie* stored = static_cast<Cookie*>(storedItem);
    Cookie* fresh = static_cast<Cookie*>(newItem);
    if (!stored->key || !fresh->key || strcmp(stored->key, fresh->key) != 0) return 0;
    return fresh->nameLength >= stored->nameLength &&
           memcmp(stored->name, fresh->name, stored->nameLength) == 0;
}

// Finds an attribute by plain substring search, capital initial first, and parses it.
int32_t FindAttribute(const char* text, size_t length, const char* capital, const char* lower,
                      const char** value, size_t* valueLength) {
    const char* found = strstr(text, capital);
    if (!found) found = strstr(text, lower);
    if (!found) return kHttpOk;
    QELHttpCookiePair pair;
    int32_t result = QELHttpParseCookiePair(found, text + length - found, &pair);
    if (result != kHttpOk) return result;
    *value = found + pair.valueStart;
    *valueLength = pair.valueLength;
    return kHttpOk;
}

int32_t ParseCookie(const char* setCookie, Cookie* cookie) {
    size_t length = strlen(setCookie);
    cookie->text = QELHttpCopyText(setCookie, length);
    if (!cookie->text) return kHttpOutOfMemory;
    const char* text = cookie->text;
    QELHttpCookiePair pair;
    int32_t result = QELHttpParseCookiePair(text, length, &pair);
    if (result != kHttpOk) return result;
    cookie->name = text + pair.nameStart;
    cookie->nameLength = pair.nameLength;
    cookie->value = text + pair.valueStart;
    cookie->valueLength = pair.valueLength;

    cookie->path = text + length;
    result = FindAttribute(text, length, "Path", "path", &cookie->path, &cookie->pathLength);
    if (result != kHttpOk) return result;
    result =
        FindAttribute(text, length, "Domain", "domain", &cookie->domain, &cookie->domainLength);
    if (result != kHttpOk) return result;
    const char* version = nullptr;
    size_t versionLength = 0;
    result = FindAttribute(text, length, "Version", "version", &version, &versionLength);
    if (result != kHttpOk) return result;
    if (version) cookie->version = QELHttpCookieVersion(version, versionLength);
    return kHttpOk;
}

// The key: the URL up to where the path occurs after the scheme, then the path.
int32_t MakeKey(const char* url, Cookie* cookie) {
    size_t scheme;
    if (strncmp(url, "http://", 7) == 0) {
        scheme = 7;
    } else if (strncmp(url, "https://", 8) == 0) {
        scheme = 8;
    } else {
        return QEL_E_FAIL;
    }
    char* path = QELHttpCopyText(cookie->path, cookie->pathLength);
    if (!path) return kHttpOutOfMemory;
    const char* at = strstr(url + scheme, path);
    free(path);
    if (!at) return QEL_E_FAIL;
    size_t prefix = at - url;
    cookie->key = static_cast<char*>(malloc(prefix + cookie->pathLength + 1));
    if (!cookie->key) return kHttpOutOfMemory;
    memcpy(cookie->key, url, prefix);
    memcpy(cookie->key + prefix, cookie->path, cookie->pathLength);
    cookie->keyLength = prefix + cookie->pathLength;
    cookie->key[cookie->keyLength] = 0;
    cookie->hash = QELHttpCookieHash(cookie->key, cookie->keyLength);
    return kHttpOk;
}

QELSysSimpleHashTable* CreateStore() {
    QELSysSimpleHashTable* store = g_store.load();
    if (store) return store;
    StoreLock().WriteLock();
    // Checked again under the lock, so that two first cookies share one table.
    store = g_store.load();
    if (!store) {
        store = new (std::nothrow) QELSysSimpleHashTable(kStoreSizeHint, HashOfCookie, SameCookie);
        g_store.store(store);
    }
    StoreLock().WriteUnlock();
    return store;
}

// Calls `visit` for every record stored under `key`, in the table's order, until it answers
// false. The hash only picks the chain: a colliding key is another URL's.
template <typename Visit>
void ForEachUnderKey(QELSysSimpleHashTable* store, const char* key, size_t length, Visit visit)
    QEL_REQUIRES_SHARED(StoreLock()) {
    int guard = store->Size();
    for (void* item = store->KeyLocate(QELHttpCookieHash(key, length)); item && guard-- > 0;
         item = store->NextWithKey(item)) {
        Cookie* cookie = static_cast<Cookie*>(item);
        if (cookie->keyLength == length && memcmp(cookie->key, key, length) == 0 && !visit(cookie))
            return;
    }
}

Cookie* Older(Cookie* a, Cookie* b) { return !a || b->age < a->age ? b : a; }

// Removes the oldest record of the new cookie's key when that key is full, else the oldest of
// all when the store is full.
void MakeRoom(QELSysSimpleHashTable* store, const Cookie* fresh) QEL_REQUIRES(StoreLock()) {
    Cookie* oldest = nullptr;
    int underKey = 0;
    ForEachUnderKey(store, fresh->key, fresh->keyLength, [&](Cookie* cookie) {
        ++underKey;
        oldest = Older(oldest, cookie);
        return true;
    });
    if (underKey < kMaxCookiesPerKey) oldest = nullptr;
    if (!oldest && store->Size() >= kMaxStoredCookies) {
        for (int i = 0; i < store->Size(); ++i)
            oldest = Older(oldest, static_cast<Cookie*>(store->Get(i)));
    }
    if (oldest) DestroyCookie(static_cast<Cookie*>(store->Remove(oldest)));
}

// kHttpBufferTooSmall when the pair would take the line past its bound (room for the closing
// "\r\n" included); nothing is appended then.
int32_t AppendCookie(QELHttpTextBuffer* line, const Cookie* cookie, bool headerForm) {
    const char* separator = line->Empty() ? (headerForm ? "Cookie: " : "") : "; ";
    const char kPathTag[] = "; $Path=";
    size_t pair = strlen(separator) + cookie->nameLength + 1 + cookie->valueLength +
                  strlen(kPathTag) + cookie->pathLength + (headerForm ? 2 : 0);
    if (line->Length() + pair > kMaxCookieLineBytes) return kHttpBufferTooSmall;
    bool ok = line->Append(separator) && line->Append(cookie->name, cookie->nameLength) &&
              line->Append("=") && line->Append(cookie->value, cookie->valueLength) &&
              line->Append(kPathTag) && line->Append(cookie->path, cookie->pathLength);
    return ok ? kHttpOk : kHttpOutOfMemory;
}

// Appends every cookie stored under `candidate`, in the table's order.
int32_t AppendMatches(QELSysSimpleHashTable* store, const QELHttpTextBuffer& candidate,
                      QELHttpTextBuffer* line, bool headerForm, int* written)
    QEL_REQUIRES_SHARED(StoreLock()) {
    int32_t result = kHttpOk;
    ForEachUnderKey(store, candidate.Data(), candidate.Length(), [&](Cookie* cookie) {
        result = AppendCookie(line, cookie, headerForm);
        if (result != kHttpOk) return false;
        ++*written;
        return true;
    });
    return result;
}

}  // namespace

int32_t StoreCookie(const char* url, const char* setCookie) {
    if (!url || !setCookie) return -1;
    Cookie* cookie = new (std::nothrow) Cookie;
    if (!cookie) return kHttpOutOfMemory;
    int32_t result = ParseCookie(setCookie, cookie);
    if (result == kHttpOk) result = MakeKey(url, cookie);
    // Too large a cookie is dropped, not failed: the request that brought it goes on.
    if (result != kHttpOk || strlen(setCookie) > kMaxCookieBytes) {
        DestroyCookie(cookie);
        return result;
    }
    QELSysSimpleHashTable* store = CreateStore();
    if (!store) {
        DestroyCookie(cookie);
        return kHttpOutOfMemory;
    }
    StoreLock().WriteLock();
    g_storing = cookie;
    // Names that begin alike (ab, then abc) may both be stored: all that the new one matches
    // are replaced, so that it is never refused for an equal record left behind.
    while (Cookie* old = static_cast<Cookie*>(store->Locate(cookie)))
        DestroyCookie(static_cast<Cookie*>(store->Remove(old)));
    MakeRoom(store, cookie);
    cookie->age = ++g_lastAge;
    int inserted = store->Insert(cookie);
    g_storing = nullptr;
    StoreLock().WriteUnlock();
    if (inserted != 1) {
        DestroyCookie(cookie);
        return QEL_E_FAIL;
    }
    return kHttpOk;
}

int32_t BuildCookieLine(const char* url, char** line, int headerForm) {
    if (!url || !line) return kHttpInvalidArg;
    *line = nullptr;
    QELSysSimpleHashTable* store = g_store.load();
    if (!store) return kHttpNoMoreItems;

    QELHttpUrlParts parts = {};
    parts.structSize = sizeof(parts);
    parts.pathLength = 1;
    parts.extraLength = 1;
    int32_t result = SplitUrl(url, 0, 0, &parts);
    if (result != kHttpOk) return result;
    size_t beginning = parts.path - url;

    QELHttpTextBuffer text;
    QELHttpTextBuffer candidate;
    int written = 0;
    StoreLock().ReadLock();
    for (uint32_t i = 0; i < parts.pathLength && result == kHttpOk; ++i) {
        if (parts.path[i] != '/') continue;
        candidate.Clear();
        bool ok = candidate.Append(url, beginning) && candidate.Append(parts.path, i == 0 ? 1 : i);
        result = ok ? AppendMatches(store, candidate, &text, headerForm != 0, &written)
                    : kHttpOutOfMemory;
    }
    StoreLock().ReadUnlock();
    // A full line ends the search; what fits is sent.
    if (result == kHttpBufferTooSmall) result = kHttpOk;
    if (result != kHttpOk) return result;
    if (headerForm && written > 0 && !text.Append("\r\n")) return kHttpOutOfMemory;
    if (written == 0) return kHttpNoMoreItems;
    *line = text.Release();
    return *line ? kHttpOk : kHttpOutOfMemory;
}
