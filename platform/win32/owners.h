// Owners of the Windows and COM resources the programs, the stand-ins and the
// tests hold. Each is movable, not copyable, and taking an owner's address
// releases what it held first, so it can go straight to a function that fills it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>

namespace platform::win32 {

template <class Handle>
bool NotNull(Handle handle) {
  return handle != nullptr;
}
// Kernel objects and searches answer INVALID_HANDLE_VALUE where others answer null.
inline bool Opened(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// One handle that Free releases, whenever Holds says it names something.
template <class Handle, auto Free, auto Holds = NotNull<Handle>>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(Handle owned) : handle_(owned) {}
  UniqueResource(UniqueResource&& other) noexcept : handle_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != std::addressof(other)) Reset(other.Release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { Reset(); }

  Handle Get() const { return handle_; }
  bool Valid() const { return Holds(handle_); }
  explicit operator bool() const { return Valid(); }
  // Hands the handle over to the caller, who releases it.
  Handle Release() { return std::exchange(handle_, Handle{}); }
  void Reset(Handle owned = Handle{}) {
    if (const Handle old = std::exchange(handle_, owned); Holds(old)) Free(old);
  }
  Handle* operator&() {
    Reset();
    return &handle_;
  }
  // For an in/out argument: the callee may release what is held and leave
  // something else here, which this owner then releases.
  Handle* InOut() { return &handle_; }

 private:
  Handle handle_{};
};

// The system's functions are imported: their addresses are no constants, so
// the owners name these instead.
inline void CloseKernelObject(HANDLE handle) { CloseHandle(handle); }
inline void CloseSearch(HANDLE search) { FindClose(search); }
inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void FreeIcon(HICON icon) { DestroyIcon(icon); }
inline void FreeWindow(HWND window) { DestroyWindow(window); }
inline void FreeBstr(BSTR text) { SysFreeString(text); }

using UniqueHandle = UniqueResource<HANDLE, CloseKernelObject, Opened>;
// A directory search of FindFirstFileW.
using UniqueFindHandle = UniqueResource<HANDLE, CloseSearch, Opened>;
using UniqueFont = UniqueResource<HFONT, DeleteGdiObject>;
using UniqueIcon = UniqueResource<HICON, FreeIcon>;
// A window this program created and destroys; only for windows that never
// destroy themselves, since the owner cannot see that happen.
using UniqueWindow = UniqueResource<HWND, FreeWindow>;

template <class Interface>
void ReleaseInterface(Interface* pointer) {
  pointer->Release();
}

// One counted reference on a COM interface.
template <class Interface>
class ComPtr : public UniqueResource<Interface*, ReleaseInterface<Interface>> {
 public:
  using UniqueResource<Interface*, ReleaseInterface<Interface>>::UniqueResource;
  // Adds a reference of its own to a pointer somebody else owns.
  static ComPtr Share(Interface* borrowed) {
    if (borrowed != nullptr) borrowed->AddRef();
    return ComPtr(borrowed);
  }
  Interface* operator->() const { return this->Get(); }
};

// A BSTR. The null BSTR is a value of its own, distinct from the empty one.
class UniqueBstr : public UniqueResource<BSTR, FreeBstr> {
 public:
  UniqueBstr() = default;
  // Throws std::bad_alloc when the system has no memory for the copy.
  explicit UniqueBstr(std::wstring_view text) {
    // The BSTR's length prefix counts bytes in 32 bits.
    if (text.size() > (UINT_MAX - 64) / sizeof(OLECHAR)) throw std::bad_alloc();
    Reset(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!Valid()) throw std::bad_alloc();
  }
  explicit UniqueBstr(std::u16string_view text)
      : UniqueBstr(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size())) {}
};

// A VARIANT, cleared when the owner goes or is refilled. It is laid out as a
// bare VARIANT, so a run of owners can be handed over where an array of
// VARIANT is due (VariantArray).
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&variant_); }
  UniqueVariant(UniqueVariant&& other) noexcept : variant_(other.Release()) {}
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != std::addressof(other)) {
      Clear();
      variant_ = other.Release();
    }
    return *this;
  }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&variant_); }

  VARIANT& Get() { return variant_; }
  const VARIANT& Get() const { return variant_; }
  // Hands the value over to the caller, who clears it.
  VARIANT Release() {
    const VARIANT value = variant_;
    VariantInit(&variant_);
    return value;
  }
  void Clear() {
    VariantClear(&variant_);
    VariantInit(&variant_);
  }
  VARIANT* operator&() {
    Clear();
    return &variant_;
  }

 private:
  VARIANT variant_;
};

static_assert(sizeof(UniqueVariant) == sizeof(VARIANT) && alignof(UniqueVariant) == alignof(VARIANT) &&
              std::is_standard_layout_v<UniqueVariant>);

// The owners from first to last as an array of VARIANT; null when there are none.
template <class Owners>
VARIANT* VariantArray(Owners& owners) {
  return owners.empty() ? nullptr : reinterpret_cast<VARIANT*>(owners.data());
}

// The EXCEPINFO an automation server fills in; its three BSTRs are ours to free.
class UniqueExcepInfo {
 public:
  UniqueExcepInfo() = default;
  UniqueExcepInfo(const UniqueExcepInfo&) = delete;
  UniqueExcepInfo& operator=(const UniqueExcepInfo&) = delete;
  ~UniqueExcepInfo() { Clear(); }

  EXCEPINFO& Get() { return info_; }
  EXCEPINFO* operator&() {
    Clear();
    return &info_;
  }

 private:
  void Clear() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
    info_ = EXCEPINFO{};
  }

  EXCEPINFO info_{};
};

}  // namespace platform::win32
