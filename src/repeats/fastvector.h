#ifndef VELKOR_REPEATS_FASTVECTOR_H
#define VELKOR_REPEATS_FASTVECTOR_H

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "repeats/allocation.h"

// A growable array of trivially copyable elements that keeps its buffer
// when emptied, so a recycled repeat record appends without allocating.
template <typename T>
class fastvector {
  static_assert(std::is_trivially_copyable<T>::value, "elements are moved as raw bytes");

 public:
  T* items = nullptr;
  unsigned count = 0;
  unsigned capacity = 0;

  fastvector() = default;
  fastvector(const fastvector&) = delete;
  fastvector& operator=(const fastvector&) = delete;
  ~fastvector() { std::free(items); }

  void push_back(const T& x) {
    if (count == capacity) reserve(grown_capacity(count));
    items[count++] = x;
  }

  void reserve(unsigned n) {
    if (capacity < n) {
      items = static_cast<T*>(checked_realloc(items, sizeof(T) * static_cast<std::size_t>(n)));
      capacity = n;
    }
  }

  // Makes this a copy of other's elements, reusing this buffer when it is large enough.
  void assign(const fastvector& other) {
    reserve(other.count);
    if (other.count) std::memcpy(items, other.items, sizeof(T) * other.count);
    count = other.count;
  }

  // Hands back the room beyond the elements, for an array that is kept long.
  void shrink_to_fit() {
    if (capacity == count) return;
    if (count == 0) {
      std::free(items);
      items = nullptr;
    } else {
      items = static_cast<T*>(checked_realloc(items, sizeof(T) * static_cast<std::size_t>(count)));
    }
    capacity = count;
  }

  void swap(fastvector& other) {
    std::swap(items, other.items);
    std::swap(count, other.count);
    std::swap(capacity, other.capacity);
  }

  void clear() { count = 0; }
  T* begin() { return items; }
  T* end() { return items + count; }
  const T* begin() const { return items; }
  const T* end() const { return items + count; }
};

#endif
