#include "threads/qel_hash_table.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace qel {

struct HashEntry {
    void* item;
    HashEntry* next;
};

}  // namespace qel

unsigned int QELSimpleHashIt(void* p) {
    return static_cast<unsigned int>(reinterpret_cast<uintptr_t>(p) >> 2);
}

int QELSimpleHashCompare(void* a, void* b) { return a == b ? 1 : 0; }

namespace {

constexpr unsigned int kMinModulo = 11;

// Bytes for a table of that many buckets (heads, then entries of two words), 0 if too large.
size_t StorageBytes(unsigned int modulo) {
    const uint64_t bytes = uint64_t{modulo} * 3 * sizeof(void*);
    return modulo == 0 || bytes > SIZE_MAX ? 0 : static_cast<size_t>(bytes);
}

// The default functions are computed in place: an indirect call per step would cost more than
// the lookup itself.
unsigned int HashOf(unsigned int (*hash)(void*), void* p) {
    return hash == &QELSimpleHashIt ? QELSimpleHashIt(p) : hash(p);
}

bool Equal(int (*equal)(void*, void*), void* stored, void* probe) {
    return equal == &QELSimpleHashCompare ? stored == probe : equal(stored, probe) != 0;
}

}  // namespace

// Smallest m >= n not divisible by a small prime below m; 0 when the search wraps.
unsigned int QELSysSimpleHashTable::UpToNiceModulo(int n) {
    static const unsigned int primes[] = {2, 3, 5, 7, 11, 13, 17, 19};
    for (unsigned int m = static_cast<unsigned int>(n); m != 0; ++m) {
        bool nice = true;
        for (unsigned int p : primes) {
            if (p < m && m % p == 0) {
                nice = false;
                break;
            }
        }
        if (nice) return m;
    }
    return 0;
}

QELSysSimpleHashTable::QELSysSimpleHashTable(int size, unsigned int (*hash)(void*),
                                             int (*equal)(void*, void*))
    : _equal(equal ? equal : QELSimpleHashCompare),
      _hash(hash ? hash : QELSimpleHashIt),
      _storage(nullptr),
      _modulo(0),
      _count(0) {
    unsigned int modulo = UpToNiceModulo(size < 0 ? 0 : size);
    if (modulo < kMinModulo) modulo = kMinModulo;
    const size_t bytes = StorageBytes(modulo);
    // A failed allocation leaves an empty table without storage; the first insertion retries.
    _storage = bytes ? static_cast<void**>(std::calloc(1, bytes)) : nullptr;
    if (_storage) _modulo = modulo;
}

QELSysSimpleHashTable::~QELSysSimpleHashTable() { std::free(_storage); }

QELSysSimpleHashTable::Entry** QELSysSimpleHashTable::Heads() const {
    return reinterpret_cast<Entry**>(_storage);
}

QELSysSimpleHashTable::Entry* QELSysSimpleHashTable::Entries() const {
    return reinterpret_cast<Entry*>(_storage + _modulo);
}

void** QELSysSimpleHashTable::NextEmptyBucket() const {
    return reinterpret_cast<void**>(Entries() + _count);
}

QELSysSimpleHashTable::Entry** QELSysSimpleHashTable::Bucket(void* item) const {
    return &Heads()[HashOf(_hash, item) % _modulo];
}

QELSysSimpleHashTable::Entry** QELSysSimpleHashTable::FindLink(void* probe) const {
    if (!_storage) return nullptr;
    Entry** at = Bucket(probe);
    while (*at && !Equal(_equal, (*at)->item, probe)) at = &(*at)->next;
    return at;
}

// The table's own entries are found by identity: an equality that is not identity (a prefix
// rule, say) could name another entry of the chain.
QELSysSimpleHashTable::Entry* QELSysSimpleHashTable::EntryOf(void* item) const {
    if (!_storage) return nullptr;
    Entry* equal = nullptr;
    for (Entry* e = *Bucket(item); e; e = e->next) {
        if (e->item == item) return e;
        if (!equal && Equal(_equal, e->item, item)) equal = e;
    }
    return equal;
}

QELSysSimpleHashTable::Entry** QELSysSimpleHashTable::LinkTo(Entry* entry) const {
    Entry** at = Bucket(entry->item);
    while (*at && *at != entry) at = &(*at)->next;
    return at;
}

void* QELSysSimpleHashTable::InsertAndReturn(void* item) {
    Entry** end = FindLink(item);
    if (end && *end) return (*end)->item;
    if (static_cast<unsigned int>(_count) == _modulo) {
        if (ReAllocate(0) != 0) return nullptr;
        end = FindLink(item);
    }
    Entry* entry = reinterpret_cast<Entry*>(NextEmptyBucket());
    entry->item = item;
    entry->next = nullptr;
    *end = entry;
    ++_count;
    return item;
}

int QELSysSimpleHashTable::Insert(void* item) {
    const int before = _count;
    void* stored = InsertAndReturn(item);
    if (!stored) return -1;
    return stored == item && _count > before ? 1 : 0;
}

void* QELSysSimpleHashTable::Locate(void* probe) const {
    if (!_storage) return nullptr;
    for (Entry* e = *Bucket(probe); e; e = e->next) {
        if (Equal(_equal, e->item, probe)) return e->item;
    }
    return nullptr;
}

void* QELSysSimpleHashTable::LocateBucket(void* probe) const {
    Entry** link = FindLink(probe);
    return link ? *link : nullptr;
}

void* QELSysSimpleHashTable::KeyLocate(unsigned int key) const {
    if (!_storage) return nullptr;
    for (Entry* e = Heads()[key % _modulo]; e; e = e->next) {
        if (HashOf(_hash, e->item) == key) return e->item;
    }
    return nullptr;
}

void* QELSysSimpleHashTable::NextWithKey(void* item) const {
    Entry* entry = EntryOf(item);
    if (!entry) return nullptr;
    const unsigned int key = HashOf(_hash, item);
    for (Entry* e = entry->next; e; e = e->next) {
        if (HashOf(_hash, e->item) == key) return e->item;
    }
    return nullptr;
}

void* QELSysSimpleHashTable::Next(void* item) const {
    if (!item) return Get(0);
    Entry* entry = EntryOf(item);
    return entry ? Get(static_cast<int>(entry - Entries()) + 1) : nullptr;
}

void* QELSysSimpleHashTable::Get(int index) const {
    return index >= 0 && index < _count ? Entries()[index].item : nullptr;
}

void* QELSysSimpleHashTable::Remove(void* probe) {
    Entry** link = FindLink(probe);
    Entry* hole = link ? *link : nullptr;
    if (!hole) return nullptr;
    void* removed = hole->item;
    *link = hole->next;
    // The last entry moves into the hole so that the array stays dense.
    Entry* last = Entries() + _count - 1;
    if (last != hole) {
        *LinkTo(last) = hole;
        *hole = *last;
    }
    --_count;
    if (static_cast<unsigned int>(_count) * 3 < _modulo && _count > 11) {
        ReAllocate(static_cast<int>(_count * 1.1));  // a failed shrink keeps the table
    }
    return removed;
}

void QELSysSimpleHashTable::RemoveAll() {
    _count = 0;
    if (_storage) std::memset(_storage, 0, _modulo * sizeof(void*));
}

int QELSysSimpleHashTable::Size() const { return _count; }

int QELSysSimpleHashTable::ReAllocate(int size) {
    unsigned int wanted = size > 0 ? static_cast<unsigned int>(size) : 2 * _modulo;
    // Never below the items held (they must all fit) nor below the smallest table.
    if (wanted < static_cast<unsigned int>(_count)) wanted = _count;
    if (wanted < kMinModulo) wanted = kMinModulo;
    const unsigned int modulo = UpToNiceModulo(static_cast<int>(wanted));
    const size_t bytes = StorageBytes(modulo);
    void** storage = bytes ? static_cast<void**>(std::calloc(1, bytes)) : nullptr;
    if (!storage) return -1;
    void** oldStorage = _storage;
    Entry* oldEntries = Entries();
    _storage = storage;
    _modulo = modulo;
    // Each item keeps its position and goes to the end of its new chain. The items are known
    // to be distinct, so they are not compared: an equality that is not symmetric could
    // otherwise drop one.
    for (int i = 0; i < _count; ++i) {
        Entry* entry = Entries() + i;
        entry->item = oldEntries[i].item;
        Entry** end = Bucket(entry->item);
        while (*end) end = &(*end)->next;
        *end = entry;
    }
    std::free(oldStorage);
    return 0;
}

void QELSysSimpleHashTable::PrintStats() const {}
