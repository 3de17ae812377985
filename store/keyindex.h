#pragma once

#include <QtGlobal>

#include <string>
#include <string_view>
#include <vector>

namespace store {

// Memory for tables of many megabytes that are read at random: on Linux in
// 2 MiB pages where the system allows, so that a lookup costs a cache miss
// and not also a page-table walk.
void *allocateLarge(size_t bytes);
void releaseLarge(void *memory) noexcept;

template<typename T>
struct LargeAllocator
{
    using value_type = T;
    LargeAllocator() = default;
    template<typename U>
    LargeAllocator(const LargeAllocator<U> &) noexcept
    {}
    T *allocate(size_t n) { return static_cast<T *>(allocateLarge(n * sizeof(T))); }
    void deallocate(T *p, size_t) noexcept { releaseLarge(p); }
    bool operator==(const LargeAllocator &) const { return true; }
    bool operator!=(const LargeAllocator &) const { return false; }
};

// Acronym -> rowid of its first record, for imports of millions of lines:
// one flat open-addressing table of small slots and one block of key bytes,
// so that a lookup touches a slot or two instead of a chain of separately
// allocated nodes.
class KeyIndex
{
public:
    // expected: about how many keys will be stored; saves regrowing.
    explicit KeyIndex(qsizetype expected = 0);

    // The rowid stored for key, or -1 when there is none.
    qint64 find(std::string_view key) const;

    // The rowid stored for key. When there is none, key is added with rowid
    // -1 and the caller fills the returned reference in; it stays valid
    // until the next call.
    qint64 &entry(std::string_view key) { return entry(key, hashOf(key)); }
    qint64 &entry(std::string_view key, quint64 hash);

    // Asks the processor to fetch the slot that key's hash starts from, so
    // that a later entry() for it need not wait for memory.
    void prefetch(quint64 hash) const;

    static quint64 hashOf(std::string_view key);

    qsizetype size() const { return static_cast<qsizetype>(m_entries.size()); }

private:
    // Eight bytes, so that the table a lookup jumps around in stays small;
    // the entries it points to are written one after the other.
    struct Slot
    {
        quint32 hash = 0;
        quint32 entry = kEmpty; // index into m_entries
    };
    struct Entry
    {
        qint64 rowid;
        quint32 key; // offset of the key in m_keys
    };
    static constexpr quint32 kEmpty = 0xffffffffu;

    std::string_view keyAt(quint32 offset) const;
    size_t slotFor(std::string_view key, quint32 hash) const;
    void resize(size_t slots);

    std::vector<Slot, LargeAllocator<Slot>> m_slots;
    std::vector<Entry, LargeAllocator<Entry>> m_entries;
    // Each key as a 4-byte length and its bytes. Offsets are 32 bits wide,
    // so the block holds at most 4 GiB of keys; imports read far less.
    std::string m_keys;
};

} // namespace store
