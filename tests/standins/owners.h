// Small owners for the handles the stand-ins and the test driver hold. Each is
// movable, not copyable, and taking its address releases what it held first,
// so that it can be passed straight to a function that fills it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace standins {

// A kernel handle: processes, threads, files. Both null and
// INVALID_HANDLE_VALUE mean "none".
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
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
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }
  HANDLE* operator&() {
    Reset();
    return &handle_;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A FindFirstFile search.
class UniqueFindHandle {
 public:
  UniqueFindHandle() = default;
  explicit UniqueFindHandle(HANDLE handle) : handle_(handle) {}
  UniqueFindHandle(UniqueFindHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueFindHandle& operator=(UniqueFindHandle&& other) noexcept {
    if (this != std::addressof(other)) {
      Reset();
      handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  UniqueFindHandle(const UniqueFindHandle&) = delete;
  UniqueFindHandle& operator=(const UniqueFindHandle&) = delete;
  ~UniqueFindHandle() { Reset(); }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  void Reset() {
    if (Valid()) FindClose(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A BSTR; the null BSTR is a value of its own, distinct from "".
class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(std::wstring_view text)
      : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  UniqueBstr(UniqueBstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != std::addressof(other)) {
      SysFreeString(bstr_);
      bstr_ = std::exchange(other.bstr_, nullptr);
    }
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr() { SysFreeString(bstr_); }

  BSTR Get() const { return bstr_; }
  BSTR Release() { return std::exchange(bstr_, nullptr); }
  BSTR* operator&() {
    SysFreeString(std::exchange(bstr_, nullptr));
    return &bstr_;
  }

 private:
  BSTR bstr_ = nullptr;
};

// A VARIANT, cleared on destruction.
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&variant_); }
  UniqueVariant(UniqueVariant&& other) noexcept : variant_(other.variant_) { VariantInit(&other.variant_); }
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != std::addressof(other)) {
      VariantClear(&variant_);
      variant_ = other.variant_;
      VariantInit(&other.variant_);
    }
    return *this;
  }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&variant_); }

  const VARIANT& Get() const { return variant_; }
  // Hands the value over to the caller, who clears it.
  VARIANT Detach() {
    const VARIANT value = variant_;
    VariantInit(&variant_);
    return value;
  }
  VARIANT* operator&() {
    VariantClear(&variant_);
    return &variant_;
  }

 private:
  VARIANT variant_;
};

// One counted reference on a COM interface.
template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference the caller already owns.
  static ComRef Adopt(Interface* pointer) {
    ComRef ref;
    ref.pointer_ = pointer;
    return ref;
  }
  ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != std::addressof(other)) Reset(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() { Reset(); }

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  void Reset(Interface* pointer = nullptr) {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = pointer;
  }
  Interface** operator&() {
    Reset();
    return &pointer_;
  }

 private:
  Interface* pointer_ = nullptr;
};

// A registry key.
class UniqueKey {
 public:
  UniqueKey() = default;
  UniqueKey(UniqueKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  UniqueKey& operator=(UniqueKey&& other) noexcept {
    if (this != std::addressof(other)) {
      Reset();
      key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
  }
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  ~UniqueKey() { Reset(); }

  HKEY Get() const { return key_; }
  HKEY* operator&() {
    Reset();
    return &key_;
  }

 private:
  void Reset() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }
  HKEY key_ = nullptr;
};

// A GDI font.
class UniqueFont {
 public:
  UniqueFont() = default;
  explicit UniqueFont(HFONT font) : font_(font) {}
  UniqueFont(UniqueFont&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
  UniqueFont& operator=(UniqueFont&& other) noexcept {
    if (this != std::addressof(other)) {
      if (font_ != nullptr) DeleteObject(font_);
      font_ = std::exchange(other.font_, nullptr);
    }
    return *this;
  }
  UniqueFont(const UniqueFont&) = delete;
  UniqueFont& operator=(const UniqueFont&) = delete;
  ~UniqueFont() {
    if (font_ != nullptr) DeleteObject(font_);
  }

  HFONT Get() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

}  // namespace standins
