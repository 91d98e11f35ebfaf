#pragma once
#include <cstdint>
#include <utility>

#include "platform/com/export.h"

namespace platform::com {

// Live objects of one library; the library can be unloaded while its count is 0.
class PLAT_API LiveCount {
 public:
  void increment() { ++count_; }
  void decrement() { --count_; }
  int64_t value() const { return count_; }

 private:
  int64_t count_ = 0;
};

// Base of every object that crosses a library boundary. Reference counted; the
// release of the last reference runs the destructor, which is the class terminator.
// Everything runs on the one user-interface thread, so the count is a plain integer.
class PLAT_API Unknown {
 public:
  Unknown(const Unknown&) = delete;
  Unknown& operator=(const Unknown&) = delete;

  void AddRef() { ++refs_; }
  void Release();
  uint32_t refCount() const { return refs_; }

 protected:
  explicit Unknown(LiveCount* liveCount = nullptr);
  virtual ~Unknown();

 private:
  uint32_t refs_ = 0;
  LiveCount* liveCount_;
};

// Intrusive smart pointer over Unknown-derived objects.
template <class T>
class Ptr {
 public:
  Ptr() = default;
  // A pointer converts implicitly as a raw pointer does: "return nullptr;", "Ptr<X> p = new X".
  // cppcheck-suppress noExplicitConstructor ; null converts
  Ptr(std::nullptr_t) {}
  // cppcheck-suppress noExplicitConstructor ; a raw pointer converts
  Ptr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  Ptr(const Ptr& o) : Ptr(o.p_) {}
  Ptr(Ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  // A derived object's pointer converts to its base's, as raw pointers do.
  template <class U>
  // cppcheck-suppress noExplicitConstructor ; derived to base
  Ptr(const Ptr<U>& o) : Ptr(static_cast<T*>(o.get())) {}
  ~Ptr() { reset(); }

  Ptr& operator=(const Ptr& o) {
    Ptr(o).swap(*this);
    return *this;
  }
  Ptr& operator=(Ptr&& o) noexcept {
    // cppcheck-suppress accessMoved ; o is read once, by the move itself
    Ptr(std::move(o)).swap(*this);
    return *this;
  }
  Ptr& operator=(std::nullptr_t) {
    reset();
    return *this;
  }

  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  void swap(Ptr& o) noexcept { std::swap(p_, o.p_); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const Ptr& a, const Ptr& b) { return a.p_ == b.p_; }
  friend bool operator==(const Ptr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

// Creates a reference-counted object and hands out the first reference.
template <class T, class... Args>
Ptr<T> makeObject(Args&&... args) {
  return Ptr<T>(new T(std::forward<Args>(args)...));
}

// The interface cast of the object model: a null Ptr when `p` does not implement U.
template <class U, class T>
Ptr<U> queryInterface(const Ptr<T>& p) {
  return Ptr<U>(dynamic_cast<U*>(p.get()));
}

}  // namespace platform::com
