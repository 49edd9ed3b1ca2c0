// A set of enumeration values, bit n standing for the value with ordinal n,
// as the storage's option, state and notification sets are stored. A plain
// value type; thread-safe as any value.
#pragma once

#include <QtGlobal>
#include <initializer_list>

template <typename E> class TrsEnumSet {
public:
    constexpr TrsEnumSet() = default;
    constexpr TrsEnumSet(std::initializer_list<E> values)
    {
        for (E value : values)
            FBits |= Bit(value);
    }

    static constexpr TrsEnumSet FromBits(quint32 bits)
    {
        TrsEnumSet set;
        set.FBits = bits;
        return set;
    }
    constexpr quint32 Bits() const { return FBits; }

    constexpr bool Contains(E value) const { return (FBits & Bit(value)) != 0; }
    constexpr bool IsEmpty() const { return FBits == 0; }
    constexpr void Include(E value) { FBits |= Bit(value); }
    constexpr void Exclude(E value) { FBits &= ~Bit(value); }

    friend constexpr bool operator==(TrsEnumSet, TrsEnumSet) = default;

private:
    static constexpr quint32 Bit(E value) { return quint32(1) << unsigned(value); }

    quint32 FBits = 0;
};
