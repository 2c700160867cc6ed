#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "threads/qel_hash_table.h"

namespace {

// Items are small integers cast to pointers; their hash is the value divided by `spread`, and
// every call is counted, so that a rebuild (which hashes every item again) can be seen.
int hashCalls = 0;
unsigned spread = 1;

void* Item(uintptr_t n) { return reinterpret_cast<void*>(n); }

unsigned int CountingHash(void* p) {
    ++hashCalls;
    return static_cast<unsigned int>(reinterpret_cast<uintptr_t>(p) / spread);
}

class HashTable : public ::testing::Test {
  protected:
    void SetUp() override {
        hashCalls = 0;
        spread = 1;
    }
};

// Inserts items from `next` on until an insertion rebuilds the table; the number of items that
// fitted is the bucket count (the entry capacity).
int FillUntilGrowth(QELSysSimpleHashTable& table, uintptr_t& next) {
    for (;;) {
        const int before = hashCalls;
        const int size = table.Size();
        EXPECT_EQ(1, table.Insert(Item(next++)));
        if (hashCalls - before > 2) return size;
    }
}

TEST_F(HashTable, BucketCountsAreNiceModuli) {
    const std::pair<int, int> cases[] = {{0, 11},  {10, 11},   {11, 11}, {12, 13},
                                         {25, 29}, {100, 101}, {-3, 11}};
    for (const auto& [size, buckets] : cases) {
        QELSysSimpleHashTable table(size, &CountingHash, &QELSimpleHashCompare);
        uintptr_t next = 1;
        EXPECT_EQ(buckets, FillUntilGrowth(table, next)) << "size " << size;
    }
}

TEST_F(HashTable, GrowthDoublesToNiceModulusAndKeepsPositions) {
    QELSysSimpleHashTable table(0, &CountingHash, &QELSimpleHashCompare);
    for (uintptr_t n = 1; n <= 11; ++n) ASSERT_EQ(1, table.Insert(Item(n * 3)));
    const int before = hashCalls;
    ASSERT_EQ(1, table.Insert(Item(36)));
    EXPECT_EQ(11 + 2, hashCalls - before);  // every item rehashed, the new one twice
    for (int i = 0; i < 12; ++i) EXPECT_EQ(Item(3 * (i + 1)), table.Get(i));
    uintptr_t next = 100;
    EXPECT_EQ(23, FillUntilGrowth(table, next));
    EXPECT_EQ(47, FillUntilGrowth(table, next));
}

TEST_F(HashTable, EqualItemIsNotInsertedTwice) {
    // Equal when they hash the same: 10 and 11 with spread 2.
    spread = 2;
    QELSysSimpleHashTable table(0, &CountingHash, [](void* a, void* b) {
        return CountingHash(a) == CountingHash(b) ? 1 : 0;
    });
    EXPECT_EQ(Item(10), table.InsertAndReturn(Item(10)));
    EXPECT_EQ(Item(10), table.InsertAndReturn(Item(11)));
    EXPECT_EQ(0, table.Insert(Item(11)));
    EXPECT_EQ(0, table.Insert(Item(10)));
    EXPECT_EQ(1, table.Size());
    EXPECT_EQ(Item(10), table.Locate(Item(11)));
}

TEST_F(HashTable, DefaultFunctionsTellDistinctPointersApart) {
    int a = 5;
    int b = 5;
    QELSysSimpleHashTable table;
    EXPECT_EQ(1, table.Insert(&a));
    EXPECT_EQ(1, table.Insert(&b));
    EXPECT_EQ(&a, table.Locate(&a));
    EXPECT_EQ(&b, table.Locate(&b));
    EXPECT_EQ(static_cast<unsigned int>(reinterpret_cast<uintptr_t>(&a) >> 2), QELSimpleHashIt(&a));
    EXPECT_EQ(0, QELSimpleHashCompare(&a, &b));
}

TEST_F(HashTable, RemovalMovesTheLastItemIntoTheHole) {
    QELSysSimpleHashTable table;
    int a, b, c;
    table.Insert(&a);
    table.Insert(&b);
    table.Insert(&c);
    EXPECT_EQ(&a, table.Remove(&a));
    EXPECT_EQ(&c, table.Get(0));
    EXPECT_EQ(&b, table.Get(1));
    EXPECT_EQ(nullptr, table.Get(2));
    EXPECT_EQ(&c, table.Locate(&c));  // still linked after the move
    EXPECT_EQ(nullptr, table.Remove(&a));
    EXPECT_EQ(&b, table.Remove(&b));
    EXPECT_EQ(&c, table.Remove(&c));
    EXPECT_EQ(0, table.Size());
    EXPECT_EQ(nullptr, table.Locate(&c));
}

TEST_F(HashTable, ShrinksWhenLessThanAThirdFullWithMoreThanElevenItems) {
    QELSysSimpleHashTable table(0, &CountingHash, &QELSimpleHashCompare);
    for (uintptr_t n = 1; n <= 40; ++n) table.Insert(Item(n));  // 11 -> 23 -> 47 buckets
    uintptr_t last = 40;
    // 16 items left: 48 is not below 47, no rebuild.
    while (table.Size() > 16) table.Remove(Item(last--));
    int before = hashCalls;
    table.Remove(Item(last--));  // 15 items: 45 < 47, rebuilt to the nice modulus of 16
    EXPECT_GT(hashCalls - before, 15);
    uintptr_t next = 1000;
    EXPECT_EQ(17, FillUntilGrowth(table, next));

    QELSysSimpleHashTable small(0, &CountingHash, &QELSimpleHashCompare);
    for (uintptr_t n = 1; n <= 11; ++n) small.Insert(Item(n));
    before = hashCalls;
    for (uintptr_t n = 11; n >= 2; --n) small.Remove(Item(n));  // never more than 11: no rebuild
    EXPECT_EQ(10, hashCalls - before);
}

TEST_F(HashTable, KeyLocateAndNextWithKeyListOneHashValue) {
    spread = 10;  // 10..19 share hash 1, 20..29 hash 2
    QELSysSimpleHashTable table(0, &CountingHash, &QELSimpleHashCompare);
    for (uintptr_t n : {10, 21, 11, 12, 22, 122}) table.Insert(Item(n));  // 122: hash 12, bucket 1
    std::vector<void*> ones;
    for (void* p = table.KeyLocate(1); p; p = table.NextWithKey(p)) ones.push_back(p);
    EXPECT_EQ((std::vector<void*>{Item(10), Item(11), Item(12)}), ones);
    EXPECT_EQ(Item(21), table.KeyLocate(2));
    EXPECT_EQ(Item(22), table.NextWithKey(Item(21)));
    EXPECT_EQ(nullptr, table.NextWithKey(Item(22)));
    EXPECT_EQ(Item(122), table.KeyLocate(12));
    EXPECT_EQ(nullptr, table.KeyLocate(3));
    EXPECT_EQ(nullptr, table.NextWithKey(Item(99)));
    EXPECT_NE(nullptr, table.LocateBucket(Item(12)));
    EXPECT_EQ(nullptr, table.LocateBucket(Item(13)));
}

TEST_F(HashTable, IterationFollowsTheArray) {
    QELSysSimpleHashTable table;
    EXPECT_EQ(nullptr, table.Next(nullptr));
    int items[5];
    for (int& item : items) table.Insert(&item);
    std::vector<void*> order;
    for (void* p = table.Next(nullptr); p; p = table.Next(p)) order.push_back(p);
    EXPECT_EQ((std::vector<void*>{&items[0], &items[1], &items[2], &items[3], &items[4]}), order);
    int stranger;
    EXPECT_EQ(nullptr, table.Next(&stranger));
    EXPECT_EQ(nullptr, table.Get(-1));
    table.RemoveAll();
    EXPECT_EQ(0, table.Size());
    EXPECT_EQ(nullptr, table.Next(nullptr));
    EXPECT_EQ(nullptr, table.Locate(&items[0]));
    EXPECT_EQ(1, table.Insert(&items[0]));
}

TEST_F(HashTable, ExplicitReallocationNeverDropsItems) {
    QELSysSimpleHashTable table;
    int items[30];
    for (int& item : items) table.Insert(&item);
    EXPECT_EQ(0, table.ReAllocate(5));  // smaller than the items held: they all stay
    EXPECT_EQ(30, table.Size());
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(&items[i], table.Get(i));
        EXPECT_EQ(&items[i], table.Locate(&items[i]));
    }
}

// Named items under a key, equal as the cookie store's rule has it: a probe equals a stored
// item of the same key whose name begins its own. Not symmetric, so "ab" and "abc" can both be
// stored when "abc" came first.
struct Named {
    unsigned key;
    std::string name;
};

unsigned int KeyOf(void* p) { return static_cast<Named*>(p)->key; }

int SamePrefix(void* stored, void* probe) {
    const Named* s = static_cast<Named*>(stored);
    const Named* p = static_cast<Named*>(probe);
    return s->key == p->key && p->name.compare(0, s->name.size(), s->name) == 0 ? 1 : 0;
}

// Every item is reachable through its own chain, and the array holds exactly the items.
void ExpectConsistent(const QELSysSimpleHashTable& table, const std::vector<Named*>& items) {
    ASSERT_EQ(static_cast<int>(items.size()), table.Size());
    std::unordered_set<void*> inArray;
    for (int i = 0; i < table.Size(); ++i) inArray.insert(table.Get(i));
    ASSERT_EQ(std::unordered_set<void*>(items.begin(), items.end()), inArray);
    for (Named* item : items) {
        int found = 0;
        int guard = table.Size();
        for (void* p = table.KeyLocate(item->key); p && guard-- > 0; p = table.NextWithKey(p)) {
            found += p == item;
        }
        ASSERT_GE(guard, 0) << "chain of key " << item->key << " loops";
        ASSERT_EQ(1, found) << item->name;
    }
}

TEST_F(HashTable, PrefixEqualityKeepsChainsWhole) {
    Named q{1, "q"}, p{1, "p"}, abc{0, "abc"}, ab{0, "ab"};
    QELSysSimpleHashTable table(0, &KeyOf, &SamePrefix);
    for (Named* n : {&q, &p, &abc, &ab}) ASSERT_EQ(1, table.Insert(n)) << n->name;
    // ab moves to position 0 and, after a rebuild, comes before abc in their chain.
    ASSERT_EQ(&q, table.Remove(&q));
    ASSERT_EQ(0, table.ReAllocate(0));
    ExpectConsistent(table, {&ab, &p, &abc});
    EXPECT_EQ(&abc, table.NextWithKey(&ab));
    EXPECT_EQ(nullptr, table.NextWithKey(&abc));  // not back to itself through ab
    EXPECT_EQ(&abc, table.Next(&p));
    // Moving abc into p's place must re-link abc's own entry, not ab's, which the rule matches
    // first.
    ASSERT_EQ(&p, table.Remove(&p));
    ExpectConsistent(table, {&ab, &abc});
    // A probe that is not stored still finds the first equal item.
    Named abcd{0, "abcd"};
    EXPECT_EQ(&ab, table.Locate(&abcd));
    EXPECT_EQ(&abc, table.NextWithKey(&abcd));
    EXPECT_EQ(&ab, table.Remove(&abcd));
    ExpectConsistent(table, {&abc});
}

TEST_F(HashTable, RandomOperationsWithPrefixEqualityLoseNothing) {
    std::mt19937 random(99);
    std::vector<Named> pool;
    for (unsigned key = 0; key < 6; ++key) {
        for (const char* name : {"a", "ab", "abc", "b", "ba", "c", "ca", "cab"}) {
            pool.push_back(Named{key, name});
        }
    }
    QELSysSimpleHashTable table(0, &KeyOf, &SamePrefix);
    std::vector<Named*> stored;
    for (int step = 0; step < 6000; ++step) {
        Named* item = &pool[random() % pool.size()];
        const auto at = std::find(stored.begin(), stored.end(), item);
        if (random() % 3 != 0) {
            void* now = table.InsertAndReturn(item);
            ASSERT_NE(nullptr, now);
            if (now == item && at == stored.end()) stored.push_back(item);
            ASSERT_TRUE(now == item || SamePrefix(now, item));
        } else {
            void* removed = table.Remove(item);
            const auto gone = std::find(stored.begin(), stored.end(), removed);
            ASSERT_EQ(removed != nullptr, gone != stored.end());
            if (removed) {
                ASSERT_TRUE(SamePrefix(removed, item));
                stored.erase(gone);
            }
        }
        if (step % 500 == 0) table.ReAllocate(0);
        ASSERT_NO_FATAL_FAILURE(ExpectConsistent(table, stored));
    }
}

// Random inserts and removals, checked against std::unordered_set after every step.
TEST_F(HashTable, RandomOperationsMatchTheReferenceSet) {
    spread = 8;  // frequent equal hashes between distinct items
    std::mt19937 random(1234);
    QELSysSimpleHashTable table(0, &CountingHash, &QELSimpleHashCompare);
    std::unordered_set<void*> reference;
    for (int step = 0; step < 20000; ++step) {
        void* item = Item(1 + random() % 400);
        if (random() % 3 != 0) {
            const bool fresh = reference.insert(item).second;
            ASSERT_EQ(fresh ? 1 : 0, table.Insert(item));
        } else {
            ASSERT_EQ(reference.erase(item) ? item : nullptr, table.Remove(item));
        }
        ASSERT_EQ(static_cast<int>(reference.size()), table.Size());
        if (step % 97 == 0) {
            std::unordered_set<void*> seen;
            for (int i = 0; i < table.Size(); ++i) seen.insert(table.Get(i));
            ASSERT_EQ(reference, seen);
            for (void* p : reference) ASSERT_EQ(p, table.Locate(p));
        }
    }
}

}  // namespace
