#ifndef VELKOR_REPEATS_FASTSTRING_H
#define VELKOR_REPEATS_FASTSTRING_H

#include <cstdlib>
#include <cstring>

#include "repeats/allocation.h"

// A growable character buffer without terminator; c_str() adds one on
// request. Used for unit texts and alignment lines in the report.
class faststring {
 public:
  char* data = nullptr;
  unsigned length = 0;
  unsigned capacity = 0;

  faststring() = default;
  faststring(const faststring& other) : length(other.length), capacity(checked_capacity(std::size_t{other.length} + 1)) {
    data = static_cast<char*>(checked_malloc(capacity));
    if (length) std::memcpy(data, other.data, length);
  }
  faststring& operator=(const faststring&) = delete;
  ~faststring() { std::free(data); }

  void push_back(char c) {
    if (length == capacity) reserve(grown_capacity(length));
    data[length++] = c;
  }

  // Taken in 64 bits so that callers can add up sizes without overflow.
  void reserve(std::size_t n) {
    if (capacity < n) {
      // The capacity changes with the buffer only: a failed allocation
      // throws, and leaves the string as it was.
      const unsigned grown = checked_capacity(n);
      data = static_cast<char*>(checked_realloc(data, grown));
      capacity = grown;
    }
  }

  void assign(const char* p, unsigned n) {
    reserve(std::size_t{n} + 1);
    std::memmove(data, p, n);
    length = n;
  }

  const char* c_str() {
    if (length == capacity) reserve(std::size_t{length} + 1);
    data[length] = '\0';
    return data;
  }

  void clear() { length = 0; }
};

#endif
