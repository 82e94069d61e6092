// Owners for what the UI tests hold beyond the stand-ins' kernel handles:
// hooks, loaded modules and mapped views. Movable, not copyable; taking an
// owner's address releases what it held first.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

namespace ui_tests {

template <class Handle, auto Free>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(Handle owned) : handle_(owned) {}
  UniqueResource(UniqueResource&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != std::addressof(other)) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { Reset(); }

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

inline void Unhook(HHOOK hook) { UnhookWindowsHookEx(hook); }
inline void Unload(HMODULE module) { FreeLibrary(module); }
inline void Unmap(void* view) { UnmapViewOfFile(view); }
inline void DeleteBitmap(HBITMAP bitmap) { DeleteObject(bitmap); }

using UniqueHook = UniqueResource<HHOOK, Unhook>;
using UniqueModule = UniqueResource<HMODULE, Unload>;
using UniqueView = UniqueResource<void*, Unmap>;
using UniqueBitmap = UniqueResource<HBITMAP, DeleteBitmap>;

}  // namespace ui_tests
