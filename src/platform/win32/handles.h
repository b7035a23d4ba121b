#pragma once
// Owners for the handles of the Win32 API: one move-only alias per kind, each
// closing with its own function and knowing its own invalid value. OpenProcess
// fails with NULL but CreateToolhelp32Snapshot and FindFirstFileW with
// INVALID_HANDLE_VALUE, so the two kinds of kernel handle are distinct types.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>

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
inline void FreeDc(HDC dc) {
  DeleteDC(dc);
}
inline void FreeAccelerators(HACCEL table) {
  DestroyAcceleratorTable(table);
}
inline void FreeImageList(HIMAGELIST images) {
  ImageList_Destroy(images);
}
inline void FreeLocal(HLOCAL memory) {
  LocalFree(memory);
}
inline void FreeTaskMemory(void* memory) {
  CoTaskMemFree(memory);
}
inline void CloseService(SC_HANDLE handle) {
  CloseServiceHandle(handle);
}
inline void FreeString(BSTR text) {
  SysFreeString(text);
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
using Font = Unique<HFONT, detail::FreeGdiObject>;
using Bitmap = Unique<HBITMAP, detail::FreeGdiObject>;
using MemoryDc = Unique<HDC, detail::FreeDc>;  // from CreateCompatibleDC
using Accelerators = Unique<HACCEL, detail::FreeAccelerators>;
using ImageList = Unique<HIMAGELIST, detail::FreeImageList>;
using LocalMemory = Unique<HLOCAL, detail::FreeLocal>;
using TaskMemory = Unique<void*, detail::FreeTaskMemory>;
using ServiceHandle = Unique<SC_HANDLE, detail::CloseService>;
using String = Unique<BSTR, detail::FreeString>;  // a BSTR

// A window's device context from GetDC, released to that window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context; the one it replaced comes back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// COM for the shell's objects, for the life of the owner on this thread.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

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
