// Host names resolved once for the life of a driver: a download in pieces asks for the same
// link server and file server hundreds of times.
#pragma once

#include <cstddef>
#include <cstdint>

class QELHttpNameCache {
  public:
    // The lookup behind the cache: the first IPv4 address in network order, false when the name
    // does not resolve.
    using Resolver = bool (*)(const char* host, uint32_t* address);

    explicit QELHttpNameCache(Resolver resolve);
    ~QELHttpNameCache();
    QELHttpNameCache(const QELHttpNameCache&) = delete;
    QELHttpNameCache& operator=(const QELHttpNameCache&) = delete;

    // The remembered address of host, or a fresh lookup that is then remembered.
    bool Resolve(const char* host, uint32_t* address);
    // Drops host, after its address did not answer, so that the next connect looks it up again.
    void Forget(const char* host);

  private:
    static const size_t kEntries = 8;
    struct Entry {
        char* host = nullptr;
        uint32_t address = 0;
    };

    Resolver _resolve;
    Entry _entries[kEntries];
    size_t _next = 0;  // the entry a new name takes, the oldest once all are in use
};
