// Owners of the Windows and COM resources the desktop services hold. One small
// class per kind: movable, not copyable, and taking an owner's address releases
// what it held first, so it can go straight to a function that fills it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <cstring>
#include <new>
#include <memory>
#include <string_view>
#include <utility>

namespace platform::win32 {

// One counted reference on a COM interface.
template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(Interface* owned) : pointer_(owned) {}
  // Adds a reference of its own to a pointer somebody else owns.
  static ComPtr Share(Interface* borrowed) {
    if (borrowed != nullptr) borrowed->AddRef();
    return ComPtr(borrowed);
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != std::addressof(other)) Reset(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  void Reset(Interface* owned = nullptr) {
    if (Interface* old = std::exchange(pointer_, owned)) old->Release();
  }
  Interface** operator&() {
    Reset();
    return &pointer_;
  }
  // For an in/out argument: the callee may release the held reference and
  // leave another one here, which this owner then releases.
  Interface** InOut() { return &pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

// A BSTR. The null BSTR is a value of its own, distinct from the empty one.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  // Throws std::bad_alloc when the system has no memory for the copy.
  explicit UniqueBstr(std::u16string_view text) {
    // The BSTR's length prefix counts bytes in 32 bits.
    if (text.size() > (UINT_MAX - 64) / sizeof(OLECHAR)) throw std::bad_alloc();
    bstr_ = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
    if (bstr_ == nullptr) throw std::bad_alloc();
  }
  UniqueBstr(UniqueBstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != std::addressof(other)) Reset(std::exchange(other.bstr_, nullptr));
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr() { Reset(); }

  BSTR Get() const { return bstr_; }
  BSTR Release() { return std::exchange(bstr_, nullptr); }
  void Reset(BSTR owned = nullptr) { SysFreeString(std::exchange(bstr_, owned)); }
  BSTR* operator&() {
    Reset();
    return &bstr_;
  }
  // For an in/out argument: the callee may free the held BSTR and leave
  // another one here, which this owner then frees.
  BSTR* InOut() { return &bstr_; }

 private:
  BSTR bstr_ = nullptr;
};

// A VARIANT, cleared when the owner goes or is refilled.
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&variant_); }
  UniqueVariant(UniqueVariant&& other) noexcept : variant_(other.variant_) { VariantInit(&other.variant_); }
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != std::addressof(other)) {
      Clear();
      variant_ = other.variant_;
      VariantInit(&other.variant_);
    }
    return *this;
  }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { Clear(); }

  VARIANT& Get() { return variant_; }
  const VARIANT& Get() const { return variant_; }
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

// The EXCEPINFO an automation server fills in; its three BSTRs are ours to free.
class UniqueExcepInfo {
 public:
  UniqueExcepInfo() { std::memset(&info_, 0, sizeof info_); }
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
    std::memset(&info_, 0, sizeof info_);
  }

  EXCEPINFO info_;
};

// A kernel handle; null and INVALID_HANDLE_VALUE both mean "none".
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE owned) : handle_(owned) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != std::addressof(other)) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE owned = nullptr) {
    HANDLE old = std::exchange(handle_, owned);
    if (old != nullptr && old != INVALID_HANDLE_VALUE) CloseHandle(old);
  }
  HANDLE* operator&() {
    Reset();
    return &handle_;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A directory search handle of FindFirstFileW, closed with FindClose.
class UniqueFindHandle {
 public:
  UniqueFindHandle() = default;
  explicit UniqueFindHandle(HANDLE owned) : handle_(owned) {}
  UniqueFindHandle(UniqueFindHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueFindHandle& operator=(UniqueFindHandle&& other) noexcept {
    if (this != std::addressof(other)) Reset(std::exchange(other.handle_, INVALID_HANDLE_VALUE));
    return *this;
  }
  UniqueFindHandle(const UniqueFindHandle&) = delete;
  UniqueFindHandle& operator=(const UniqueFindHandle&) = delete;
  ~UniqueFindHandle() { Reset(); }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE owned = INVALID_HANDLE_VALUE) {
    HANDLE old = std::exchange(handle_, owned);
    if (old != INVALID_HANDLE_VALUE) FindClose(old);
  }
  HANDLE* operator&() {
    Reset();
    return &handle_;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace platform::win32
