#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace netapi {

// Places in an array its owner keeps, found by their keys' hashes: one flat
// table instead of a node per key, which matters when a listing asks for
// every one of 100,000 accounts. Each slot holds the hash's high 32 bits and
// the place + 1 (0 is an empty slot). Probing starts from those 32 bits, so
// growing needs no key again and a key is compared only on a matching tag.
class PositionIndex
{
public:
    bool empty() const { return m_slots.empty(); }

    // Room for `count` places at most half full, growing as needed.
    void reserve(std::size_t count)
    {
        while (m_slots.size() < count * 2)
            grow();
    }

    // The slot of the place whose key `matches(place)` accepts, or the empty
    // slot it would take.
    template <typename Matches> std::size_t slotOf(std::size_t hash, Matches &&matches) const
    {
        const std::size_t mask = m_slots.size() - 1;
        const auto tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
            const std::uint64_t value = m_slots[slot];
            if (value == 0 || (static_cast<std::uint32_t>(value >> 32) == tag &&
                               matches(static_cast<std::uint32_t>(value) - 1)))
                return slot;
        }
    }

    bool taken(std::size_t slot) const { return m_slots[slot] != 0; }
    std::size_t placeAt(std::size_t slot) const
    {
        return static_cast<std::uint32_t>(m_slots[slot]) - 1;
    }
    // Fills an empty slot that slotOf gave for this hash.
    void put(std::size_t slot, std::size_t hash, std::size_t place)
    {
        m_slots[slot] = (static_cast<std::uint64_t>(hash >> 32) << 32) | (place + 1);
    }

    // Asks the processor for the slot where probing for hash starts, for a
    // caller that knows its next keys some steps ahead.
    void prefetch(std::size_t hash, bool forWriting = false) const
    {
        if (m_slots.empty())
            return;
        const std::uint64_t *first =
            &m_slots[static_cast<std::uint32_t>(hash >> 32) & (m_slots.size() - 1)];
        if (forWriting)
            __builtin_prefetch(first, 1);
        else
            __builtin_prefetch(first, 0);
    }

private:
    void grow()
    {
        std::vector<std::uint64_t> old(std::max<std::size_t>(16, m_slots.size() * 2), 0);
        old.swap(m_slots);
        const std::size_t mask = m_slots.size() - 1;
        for (const std::uint64_t value : old) {
            if (value == 0)
                continue;
            std::size_t slot = static_cast<std::uint32_t>(value >> 32) & mask;
            while (m_slots[slot] != 0)
                slot = (slot + 1) & mask;
            m_slots[slot] = value;
        }
    }

    std::vector<std::uint64_t> m_slots;
};

} // namespace netapi
