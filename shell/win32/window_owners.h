// Owners of the user32 and GDI objects the main window holds. Movable, not
// copyable; taking an owner's address releases what it held first, so it can
// go straight to a function that fills it.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

namespace shell::win32 {

// One handle of a user32 or GDI object that Free releases; null means none.
template <class Handle, auto Free>
class UniqueObject {
 public:
  UniqueObject() = default;
  explicit UniqueObject(Handle owned) : handle_(owned) {}
  UniqueObject(UniqueObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueObject& operator=(UniqueObject&& other) noexcept {
    if (this != std::addressof(other)) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  UniqueObject(const UniqueObject&) = delete;
  UniqueObject& operator=(const UniqueObject&) = delete;
  ~UniqueObject() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset(Handle owned = nullptr) {
    if (Handle old = std::exchange(handle_, owned)) Free(old);
  }
  Handle* operator&() {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_ = nullptr;
};

inline void DeleteFont(HFONT font) { DeleteObject(font); }
inline void FreeIcon(HICON icon) { DestroyIcon(icon); }
inline void FreeWindow(HWND window) { DestroyWindow(window); }

using UniqueFont = UniqueObject<HFONT, DeleteFont>;
using UniqueIcon = UniqueObject<HICON, FreeIcon>;
// A window this program created and destroys; only for windows that never
// destroy themselves, since the owner cannot see that happen.
using UniqueWindow = UniqueObject<HWND, FreeWindow>;

}  // namespace shell::win32
