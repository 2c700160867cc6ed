// Set of opaque pointers in one block of storage: bucket heads, then dense chain entries.
#pragma once

#include "threads/qel_export.h"

namespace qel {
struct HashEntry;
}

// Default hash: the pointer value shifted right by 2.
QEL_EXPORT unsigned int QELSimpleHashIt(void* p);
// Default equality: 1 for the same pointer, else 0.
QEL_EXPORT int QELSimpleHashCompare(void* a, void* b);

// Items are never copied or freed, and must not be null. No lock inside: callers serialise.
class QEL_EXPORT QELSysSimpleHashTable {
  public:
    // Null functions are replaced by the defaults.
    QELSysSimpleHashTable(int size = 0, unsigned int (*hash)(void*) = QELSimpleHashIt,
                          int (*equal)(void*, void*) = QELSimpleHashCompare);
    ~QELSysSimpleHashTable();
    QELSysSimpleHashTable(const QELSysSimpleHashTable&) = delete;
    QELSysSimpleHashTable& operator=(const QELSysSimpleHashTable&) = delete;

    int Insert(void* item);             // 1 inserted, 0 an equal item is there, -1 growth failed
    void* InsertAndReturn(void* item);  // the item now stored for that key; null if growth failed
    void* Locate(void* probe) const;
    void* LocateBucket(void* probe) const;  // the chain entry holding the equal item
    void* KeyLocate(unsigned int key) const;
    // Next and NextWithKey continue after the entry holding that very item (one equal to it
    // when the item itself is not stored).
    void* NextWithKey(void* item) const;
    void* Next(void* item) const;  // null: first item; array order
    void* Get(int index) const;
    void* Remove(void* probe);  // the removed stored item, or null
    void RemoveAll();
    int Size() const;
    int ReAllocate(int size);  // size 0 or less doubles; 0 or -1
    void PrintStats() const;

  private:
    using Entry = qel::HashEntry;

    static unsigned int UpToNiceModulo(int n);
    void** NextEmptyBucket() const;
    Entry** Heads() const;
    Entry* Entries() const;
    Entry** Bucket(void* item) const;
    Entry** FindLink(void* probe) const;  // link to the entry equal to probe, or the chain's end
    Entry* EntryOf(void* item) const;     // the entry holding item, else one equal to it
    Entry** LinkTo(Entry* entry) const;   // the link that points to entry

    int (*_equal)(void*, void*);
    unsigned int (*_hash)(void*);
    void** _storage;
    unsigned int _modulo;
    int _count;
};
