// A growable FIFO queue in a ring buffer.
//
// The capacity is a power of two (8 at the first growth, doubled whenever an
// item is appended to a full queue). The read and write counters run freely
// and are masked with capacity-1, so the queue never has to move items
// except when it grows, which keeps their order. T must be default
// constructible and copyable; the queue owns its storage.
#pragma once

#include <plat/Assert.h>

#include <cstdint>

namespace plat {

template <class T> class CircularVector {
public:
  CircularVector() : capacity_(0), read_(0), write_(0), data_(nullptr) {}
  ~CircularVector() { delete[] data_; }
  CircularVector(const CircularVector&) = delete;
  CircularVector& operator=(const CircularVector&) = delete;

  bool empty() const { return read_ == write_; }
  uint32_t size() const { return write_ - read_; }
  uint32_t capacity() const { return capacity_; }

  // Appends v; grows when full (allocation failure throws std::bad_alloc).
  void pushBack(const T& v)
  {
    if (size() == capacity_)
      resize(capacity_ ? capacity_ * 2 : 8);
    data_[write_++ & (capacity_ - 1)] = v;
  }

  // The i-th queued item, 0 being the oldest. i must be below size().
  T& operator[](uint32_t i) { return data_[(read_ + i) & (capacity_ - 1)]; }
  const T& operator[](uint32_t i) const
  {
    return data_[(read_ + i) & (capacity_ - 1)];
  }

  // Removes and returns the oldest item. The queue must not be empty.
  T popFront()
  {
    PLAT_ASSERT(!empty());
    return data_[read_++ & (capacity_ - 1)];
  }

  void clear() { read_ = write_ = 0; }

private:
  void resize(uint32_t newCapacity)
  {
    PLAT_ASSERT(0 < newCapacity && newCapacity <= 0x3fffffffu);
    T* fresh = new T[newCapacity];
    uint32_t n = size();
    for (uint32_t i = 0; i < n; i++)
      fresh[i] = (*this)[i];
    delete[] data_;
    data_ = fresh;
    capacity_ = newCapacity;
    read_ = 0;
    write_ = n;
  }

  uint32_t capacity_;
  uint32_t read_;
  uint32_t write_;
  T* data_;
};

} // namespace plat
