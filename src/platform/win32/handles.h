#pragma once
// Owners for the handles of the Win32 API: one move-only alias per kind, each
// closing with its own function and knowing its own invalid value. OpenProcess
// fails with NULL but CreateToolhelp32Snapshot and FindFirstFileW with
// INVALID_HANDLE_VALUE, so the two kinds of kernel handle are distinct types.
#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <utility>

namespace korvane::win32 {

template <typename T, auto Close, intptr_t Invalid = 0>
class Unique {
 public:
  Unique() = default;
  explicit Unique(T value) : value_(value) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : value_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~Unique() { reset(); }

  static T invalid() { return reinterpret_cast<T>(Invalid); }
  T get() const { return value_; }
  explicit operator bool() const { return value_ != invalid(); }
  T release() { return std::exchange(value_, invalid()); }
  void reset(T value = invalid()) {
    T old = std::exchange(value_, value);
    if (old != invalid()) Close(old);
  }
  // For out-parameters: closes what is held and hands out the slot.
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_ = invalid();
};

namespace detail {
inline void CloseKey(HKEY key) {
  RegCloseKey(key);
}
inline void CloseKernel(HANDLE handle) {
  CloseHandle(handle);
}
inline void CloseFind(HANDLE handle) {
  FindClose(handle);
}
inline void CloseModule(HMODULE module) {
  FreeLibrary(module);
}
inline void FreeIcon(HICON icon) {
  DestroyIcon(icon);
}
inline void FreeMenu(HMENU menu) {
  DestroyMenu(menu);
}
inline void FreeGdiObject(HGDIOBJ object) {
  DeleteObject(object);
}
inline void FreeWindow(HWND window) {
  DestroyWindow(window);
}
inline void FreeLocal(HLOCAL memory) {
  LocalFree(memory);
}
inline void FreeTaskMemory(void* memory) {
  CoTaskMemFree(memory);
}
// INVALID_HANDLE_VALUE is not a constant expression; its bits are.
inline constexpr intptr_t kInvalidHandle = -1;
}  // namespace detail

using RegKey = Unique<HKEY, detail::CloseKey>;
using KernelHandle = Unique<HANDLE, detail::CloseKernel>;  // NULL when invalid
using FileHandle = Unique<HANDLE, detail::CloseKernel, detail::kInvalidHandle>;
using FindHandle = Unique<HANDLE, detail::CloseFind, detail::kInvalidHandle>;
using Module = Unique<HMODULE, detail::CloseModule>;
using Icon = Unique<HICON, detail::FreeIcon>;
using Menu = Unique<HMENU, detail::FreeMenu>;
using GdiObject = Unique<HGDIOBJ, detail::FreeGdiObject>;
using Window = Unique<HWND, detail::FreeWindow>;
using LocalMemory = Unique<HLOCAL, detail::FreeLocal>;
using TaskMemory = Unique<void*, detail::FreeTaskMemory>;

// Owner of one COM interface pointer.
template <typename I>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(I* p) : p_(p) {}
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ~ComPtr() { reset(); }

  I* get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset(I* p = nullptr) {
    if (I* old = std::exchange(p_, p)) old->Release();
  }
  I** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  // Another interface of the same object; empty when it has none.
  template <typename J>
  ComPtr<J> As(REFIID iid) const {
    ComPtr<J> other;
    if (p_) p_->QueryInterface(iid, other.put_void());
    return other;
  }

 private:
  I* p_ = nullptr;
};

}  // namespace korvane::win32
