// IUnknown for an object of our own that COM holds: it answers IUnknown and
// Interface, counts its references and deletes itself with the last one. It
// starts with one reference, which its creator owns. Only the thread that
// made it calls it.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace platform::win32 {

template <class Interface>
class ComObject : public Interface {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, __uuidof(Interface)) && !Answers(iid)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  ULONG References() const { return references_; }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;
  // Whether the object also answers iid, through Interface.
  virtual bool Answers(REFIID) const { return false; }

 private:
  ULONG references_ = 1;
};

}  // namespace platform::win32
