#pragma once
// Sets over small enumerations, as the component and button properties use them.
#include <cstdint>
#include <initializer_list>

// A set over an enumeration: bit n stands for the value with ordinal n.
template <typename E>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> Items) {
    for (E e : Items) FBits |= Bit(e);
  }
  static constexpr TEnumSet FromBits(uint32_t Bits) {
    TEnumSet s;
    s.FBits = Bits;
    return s;
  }
  constexpr uint32_t Bits() const { return FBits; }
  constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TEnumSet& Include(E e) {
    FBits |= Bit(e);
    return *this;
  }
  constexpr TEnumSet& Exclude(E e) {
    FBits &= ~Bit(e);
    return *this;
  }
  friend constexpr TEnumSet operator|(TEnumSet a, TEnumSet b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TEnumSet operator&(TEnumSet a, TEnumSet b) { return FromBits(a.FBits & b.FBits); }
  friend constexpr bool operator==(TEnumSet a, TEnumSet b) { return a.FBits == b.FBits; }

 private:
  static constexpr uint32_t Bit(E e) { return uint32_t{1} << static_cast<unsigned>(e); }
  uint32_t FBits = 0;
};
