// The float array of one channel of a recording: a vector of floats whose
// large blocks are page mappings of their own, so that growing one moves
// its pages instead of copying its samples into fresh ones. A file that is
// lengthened then keeps the pages its samples are in and maps only the
// new part; with a copy every sample would land on a fresh page, and the
// kernel's work on fresh pages costs more than the re-sampling itself.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <vector>

// A block of whole pages: fresh (old null) or old's grown, its pages moved
// with it; null when none is to be had. Where the large blocks come from,
// replaceable as the global operator new is, so that a test can refuse one.
void* MapChannelPages(void* old, size_t oldBytes, size_t bytes) noexcept;
// The mapping itself, for a replacement to call.
void* MapPages(void* old, size_t oldBytes, size_t bytes) noexcept;

class ChannelArray {
 public:
  using value_type = float;
  using size_type = size_t;
  using difference_type = std::ptrdiff_t;
  using reference = float&;
  using const_reference = const float&;
  using pointer = float*;
  using const_pointer = const float*;
  using iterator = float*;
  using const_iterator = const float*;

  ChannelArray() noexcept = default;
  explicit ChannelArray(size_t n, float v = 0.0f) { assign(n, v); }
  ChannelArray(std::initializer_list<float> values) { assign(values.begin(), values.end()); }
  template <class It>
  ChannelArray(It first, It last) {
    assign(first, last);
  }
  // Copies either way, as between two vectors.
  ChannelArray(const std::vector<float>& v) { assign(v.begin(), v.end()); }
  operator std::vector<float>() const { return std::vector<float>(begin(), end()); }
  ChannelArray& operator=(const std::vector<float>& v) {
    assign(v.begin(), v.end());
    return *this;
  }
  ChannelArray(const ChannelArray& o) { assign(o.begin(), o.end()); }
  ChannelArray(ChannelArray&& o) noexcept { swap(o); }
  ChannelArray& operator=(const ChannelArray& o) {
    if (this != &o) assign(o.begin(), o.end());
    return *this;
  }
  ChannelArray& operator=(ChannelArray&& o) noexcept {
    ChannelArray(std::move(o)).swap(*this);
    return *this;
  }
  ~ChannelArray() { release(p_, capacity_); }

  float* data() noexcept { return p_; }
  const float* data() const noexcept { return p_; }
  size_t size() const noexcept { return size_; }
  size_t capacity() const noexcept { return capacity_; }
  bool empty() const noexcept { return size_ == 0; }
  float& operator[](size_t i) noexcept { return p_[i]; }
  const float& operator[](size_t i) const noexcept { return p_[i]; }
  float* begin() noexcept { return p_; }
  float* end() noexcept { return p_ + size_; }
  const float* begin() const noexcept { return p_; }
  const float* end() const noexcept { return p_ + size_; }
  const float* cbegin() const noexcept { return p_; }
  const float* cend() const noexcept { return p_ + size_; }
  float& front() noexcept { return p_[0]; }
  const float& front() const noexcept { return p_[0]; }
  float& back() noexcept { return p_[size_ - 1]; }
  const float& back() const noexcept { return p_[size_ - 1]; }

  // As std::vector's: new elements are v, capacity only grows (std::bad_alloc
  // when memory runs out, the array as it was).
  void resize(size_t n, float v = 0.0f) {
    if (n > capacity_) grow(n);
    if (n > size_) std::fill(p_ + size_, p_ + n, v);
    size_ = n;
  }
  // For a caller that writes every new element before it reads one: they
  // are left as they come, which spares a pass over fresh pages.
  void resizeForOverwrite(size_t n) {
    if (n > capacity_) grow(n);
    size_ = n;
  }
  void reserve(size_t n) {
    if (n > capacity_) grow(n);
  }
  void shrink_to_fit() noexcept;
  void clear() noexcept { size_ = 0; }
  // As std::vector's, contents kept when memory runs out: the room is made
  // before the old samples are let go.
  void assign(size_t n, float v) {
    if (n > capacity_) grow(n);
    std::fill(p_, p_ + n, v);
    size_ = n;
  }
  template <class It>
  void assign(It first, It last) {
    const auto n = static_cast<size_t>(std::distance(first, last));
    if (n > capacity_) grow(n);
    std::copy(first, last, p_);
    size_ = n;
  }
  void push_back(float v) {
    if (size_ == capacity_) grow(std::max<size_t>(2 * capacity_, 16));
    p_[size_++] = v;
  }
  float* insert(const float* pos, float v) {
    const auto at = static_cast<size_t>(pos - p_);
    if (size_ == capacity_) grow(std::max<size_t>(2 * capacity_, 16));
    std::memmove(p_ + at + 1, p_ + at, (size_ - at) * sizeof(float));
    p_[at] = v;
    ++size_;
    return p_ + at;
  }
  // [first, last) must not lie in this array.
  template <class It>
  float* insert(const float* pos, It first, It last) {
    const auto at = static_cast<size_t>(pos - p_);
    const auto n = static_cast<size_t>(std::distance(first, last));
    if (n == 0) return p_ + at;
    if (size_ + n > capacity_) grow(std::max(size_ + n, 2 * capacity_));
    std::memmove(p_ + at + n, p_ + at, (size_ - at) * sizeof(float));
    std::copy(first, last, p_ + at);
    size_ += n;
    return p_ + at;
  }
  void swap(ChannelArray& o) noexcept {
    std::swap(p_, o.p_);
    std::swap(size_, o.size_);
    std::swap(capacity_, o.capacity_);
  }
  friend void swap(ChannelArray& a, ChannelArray& b) noexcept { a.swap(b); }
  friend bool operator==(const ChannelArray& a, const ChannelArray& b) noexcept {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
  }
  friend bool operator==(const ChannelArray& a, const std::vector<float>& b) noexcept {
    return a.size_ == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }

  // Whether a block of this many floats is a mapping of its own.
  static bool mapped(size_t n) noexcept { return n >= kMappedFrom; }

 private:
  static constexpr size_t kMappedFrom = (size_t{1} << 20) / sizeof(float);
  // A block of at least n floats, keeping the first size_; the capacity may
  // come out above n (whole pages).
  void grow(size_t n);
  static void release(float* p, size_t capacity) noexcept;

  float* p_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};
