// An array of plain numbers that starts out all zero without writing its
// memory: the storage comes from calloc, which hands a large block over as
// fresh pages the system has already cleared. A page is only mapped when it
// is first touched, so a big array that is filled later is written once
// instead of twice, and one that is never used (the backup pair of an
// unattended run, the display's cache without a display) costs no memory.
// No resize: Reset always takes fresh storage, so every element it gives
// is zero.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace morvex {

template <class T>
class ZeroedArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_arithmetic_v<T>,
                  "all-zero bytes must be the value zero");

public:
    using value_type = T;
    using iterator = T*;
    using const_iterator = const T*;

    ZeroedArray() = default;
    ~ZeroedArray() { std::free(data_); }
    ZeroedArray(ZeroedArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    ZeroedArray& operator=(ZeroedArray&& other) noexcept {
        if (this != &other) {
            std::free(data_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    // A copy has storage of its own; like a vector's, it throws
    // std::bad_alloc when that cannot be had.
    ZeroedArray(const ZeroedArray& other) { CopyFrom(other); }
    ZeroedArray& operator=(const ZeroedArray& other) {
        if (this != &other) CopyFrom(other);
        return *this;
    }

    // n zero elements in fresh storage (the old is freed first, so the two
    // are never held together); false, and empty, when it cannot be had.
    bool Reset(std::size_t n) {
        Release();
        if (n == 0) return true;
        data_ = static_cast<T*>(std::calloc(n, sizeof(T)));
        if (data_ == nullptr) return false;
        size_ = n;
        return true;
    }
    // n elements of `value`, or a copy of [first, last), in fresh storage;
    // false, and empty, when it cannot be had.
    bool assign(std::size_t n, T value) {
        if (!Reset(n)) return false;
        const T zero{};
        // Bytes, not values: -0.0 is not all zero.
        if (std::memcmp(&value, &zero, sizeof(T)) != 0) std::fill_n(data_, n, value);
        return true;
    }
    bool assign(const T* first, const T* last) {
        const auto n = static_cast<std::size_t>(last - first);
        if (!Reset(n)) return false;
        if (n > 0) std::memcpy(data_, first, n * sizeof(T));
        return true;
    }
    void Release() {
        std::free(data_);
        data_ = nullptr;
        size_ = 0;
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    friend bool operator==(const ZeroedArray& a, const ZeroedArray& b) {
        return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
    }

private:
    void CopyFrom(const ZeroedArray& other) {
        if (!assign(other.begin(), other.end())) throw std::bad_alloc();
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace morvex
