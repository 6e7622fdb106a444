// plat::MBuf<T>: an owned buffer of count elements of a trivially copyable
// type, used for binary values (keys, passwords, hex-decoded parameters).
//
// With the wipe flag set, the contents are overwritten with zeros before
// the memory is released or replaced, in a way the compiler cannot drop as
// a dead store. Memory comes from malloc. Allocation failure throws
// std::bad_alloc. Copying copies the elements and the wipe flag.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace plat {

// Overwrites n bytes at p with zeros; never optimised away.
void wipe(void* p, size_t n);

template <typename T> class MBuf {
  static_assert(std::is_trivially_copyable<T>::value,
                "MBuf holds plain data only");

public:
  MBuf() : count_(0), data_(nullptr), wipe_(false) {}
  explicit MBuf(uint32_t count, bool wipeFlag = false)
      : count_(0), data_(nullptr), wipe_(wipeFlag)
  {
    resize(count);
  }
  MBuf(const T* src, uint32_t count, bool wipeFlag = false)
      : count_(0), data_(nullptr), wipe_(wipeFlag)
  {
    assign(src, count);
  }
  MBuf(const MBuf& other) : count_(0), data_(nullptr), wipe_(other.wipe_)
  {
    assign(other.data_, other.count_);
  }
  MBuf(MBuf&& other) noexcept
      : count_(other.count_), data_(other.data_), wipe_(other.wipe_)
  {
    other.count_ = 0;
    other.data_ = nullptr;
  }
  ~MBuf() { clear(); }

  MBuf& operator=(const MBuf& other)
  {
    if (this != &other) {
      assign(other.data_, other.count_);
      wipe_ = other.wipe_;
    }
    return *this;
  }
  MBuf& operator=(MBuf&& other) noexcept
  {
    if (this != &other) {
      clear();
      count_ = other.count_;
      data_ = other.data_;
      wipe_ = other.wipe_;
      other.count_ = 0;
      other.data_ = nullptr;
    }
    return *this;
  }

  T* data() { return data_; }
  const T* data() const { return data_; }
  uint32_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  T& operator[](uint32_t i) { return data_[i]; }
  const T& operator[](uint32_t i) const { return data_[i]; }

  bool wipes() const { return wipe_; }
  void setWipe(bool on) { wipe_ = on; }

  // Releases the elements (wiping them first when the flag is set).
  void clear()
  {
    if (data_) {
      if (wipe_)
        wipe(data_, (size_t)count_ * sizeof(T));
      free(data_);
    }
    data_ = nullptr;
    count_ = 0;
  }

  // Changes the count; the first min(old, new) elements are kept, new ones
  // are zero. The old memory is wiped (when flagged) and released.
  void resize(uint32_t count)
  {
    if (count == count_)
      return;
    T* fresh = nullptr;
    if (count) {
      fresh = static_cast<T*>(calloc(count, sizeof(T)));
      if (!fresh)
        throw std::bad_alloc();
      if (data_)
        memcpy(fresh, data_,
               (size_t)(count < count_ ? count : count_) * sizeof(T));
    }
    clear();
    data_ = fresh;
    count_ = count;
  }

  // Replaces the contents by a copy of count elements at src (which must
  // not point into this buffer).
  void assign(const T* src, uint32_t count)
  {
    T* fresh = nullptr;
    if (count) {
      fresh = static_cast<T*>(malloc((size_t)count * sizeof(T)));
      if (!fresh)
        throw std::bad_alloc();
      memcpy(fresh, src, (size_t)count * sizeof(T));
    }
    clear();
    data_ = fresh;
    count_ = count;
  }

  // Takes ownership of count elements allocated with malloc.
  void adopt(T* owned, uint32_t count)
  {
    if (owned == data_) {
      count_ = count;
      return;
    }
    clear();
    data_ = owned;
    count_ = count;
  }

  // Hands the elements to the caller (who frees them, wiping as needed);
  // the buffer is left empty.
  T* release()
  {
    T* d = data_;
    data_ = nullptr;
    count_ = 0;
    return d;
  }

private:
  uint32_t count_;
  T* data_;
  bool wipe_;
};

} // namespace plat
