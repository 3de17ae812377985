#include "store/keyindex.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace store {

void *allocateLarge(size_t bytes)
{
#ifdef __linux__
    // Whole 2 MB pages, aligned, which the kernel may back with huge pages.
    // Elsewhere plain blocks: Windows' C library has no aligned_alloc (its
    // free cannot release an aligned block).
    constexpr size_t kLargePage = size_t(2) << 20;
    if (bytes >= kLargePage) {
        const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        void *memory = std::aligned_alloc(kLargePage, rounded);
        if (!memory)
            throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        madvise(memory, rounded, MADV_HUGEPAGE);
#endif
        return memory;
    }
#endif
    if (void *memory = std::malloc(bytes == 0 ? 1 : bytes))
        return memory;
    throw std::bad_alloc();
}

void releaseLarge(void *memory) noexcept
{
    std::free(memory);
}

KeyIndex::KeyIndex(qsizetype expected)
{
    // Kept at most half full, so that probe runs stay short.
    size_t slots = 1024;
    while (static_cast<qsizetype>(slots) < 2 * expected)
        slots *= 2;
    m_slots.resize(slots);
    m_entries.reserve(static_cast<size_t>(qMax<qsizetype>(expected, 0)));
}

quint64 KeyIndex::hashOf(std::string_view key)
{
    // FNV-1a, then a final mix so that the low bits, which pick the slot,
    // depend on every byte.
    quint64 hash = 14695981039346656037ull;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    return hash;
}

std::string_view KeyIndex::keyAt(quint32 offset) const
{
    quint32 length = 0;
    std::memcpy(&length, m_keys.data() + offset, sizeof length);
    return {m_keys.data() + offset + sizeof length, length};
}

size_t KeyIndex::slotFor(std::string_view key, quint32 hash) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot &slot = m_slots[i];
        if (slot.entry == kEmpty || (slot.hash == hash && keyAt(m_entries[slot.entry].key) == key))
            return i;
    }
}

qint64 KeyIndex::find(std::string_view key) const
{
    const Slot &slot = m_slots[slotFor(key, static_cast<quint32>(hashOf(key)))];
    return slot.entry == kEmpty ? -1 : m_entries[slot.entry].rowid;
}

void KeyIndex::prefetch(quint64 hash) const
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(&m_slots[static_cast<quint32>(hash) & (m_slots.size() - 1)]);
#else
    Q_UNUSED(hash);
#endif
}

qint64 &KeyIndex::entry(std::string_view key, quint64 fullHash)
{
    const auto hash = static_cast<quint32>(fullHash);
    Slot &slot = m_slots[slotFor(key, hash)];
    if (slot.entry != kEmpty)
        return m_entries[slot.entry].rowid;

    const quint32 length = static_cast<quint32>(key.size());
    if (m_keys.size() + sizeof length + key.size() >= kEmpty || key.size() >= kEmpty || m_entries.size() >= kEmpty)
        throw std::length_error("too many acronyms for one import");
    slot.hash = hash;
    slot.entry = static_cast<quint32>(m_entries.size());
    m_entries.push_back(Entry{-1, static_cast<quint32>(m_keys.size())});
    m_keys.append(reinterpret_cast<const char *>(&length), sizeof length);
    m_keys.append(key);
    if (m_entries.size() * 2 > m_slots.size())
        resize(m_slots.size() * 2);
    return m_entries.back().rowid;
}

void KeyIndex::resize(size_t slots)
{
    std::vector<Slot, LargeAllocator<Slot>> old(slots);
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot &slot : old) {
        if (slot.entry == kEmpty)
            continue;
        size_t i = slot.hash & mask;
        while (m_slots[i].entry != kEmpty)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

} // namespace store
