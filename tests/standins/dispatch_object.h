// A stand-in automation object: IDispatch written by hand, as a real mail
// client's objects answer late-bound calls. Names are looked up without regard
// to letter case; every call, property get and put is journaled with the
// member name as the client spelled it, each argument's type and value, and
// the result; injected faults replace a call's outcome.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dispatch_double.h"
#include "platform/win32/owners.h"

namespace standins {

using platform::win32::ComPtr;
using platform::win32::UniqueBstr;
using platform::win32::UniqueHandle;
using platform::win32::UniqueVariant;

class Server;
class StandinObject;

enum class Access { Method, Property };

struct MemberInfo {
  std::wstring_view name;
  Access access;
};

// How the client invoked a member.
enum class InvokeKind { Method, Get, Put };

// What a member gives back: a value, an exception or a failing HRESULT, and
// lines the journal gets after the call's own line (what the call made visible).
struct Outcome {
  HRESULT result = S_OK;
  UniqueVariant value;
  WORD wCode = 0;
  SCODE scode = 0;
  std::optional<std::wstring> description;  // nullopt: a null bstrDescription
  std::vector<std::wstring> observations;

  static Outcome Nothing() { return {}; }
  static Outcome Object(StandinObject* object);  // takes over the one reference object was made with
  static Outcome Text(std::wstring_view text);
  static Outcome Exception(WORD wCode, SCODE scode, std::optional<std::wstring> description);
  static Outcome Failing(HRESULT result);
  bool Failed() const { return result != S_OK; }
};

class StandinObject : public DispatchDouble {
 public:
  // kind names the object in the journal ("session", "document"); members
  // get the DISPIDs 1, 2, ... in the order given.
  StandinObject(Server& server, std::wstring_view kind, std::initializer_list<MemberInfo> members);
  ~StandinObject() override;

  const std::wstring& Name() const { return name_; }
  Server& GetServer() const { return server_; }

  // The stand-in object behind an interface pointer handed back by the
  // client, or null when it is none of ours.
  static StandinObject* FromDispatch(IDispatch* pointer);

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

 protected:
  std::span<const MemberInfo> Members() const { return members_; }
  // One call of Members()[member]. arguments are in source order; a put has
  // its value as the only argument.
  virtual Outcome Call(std::size_t member, InvokeKind kind, std::span<const VARIANT* const> arguments) = 0;

 private:
  bool Answers(REFIID iid) const override;

  Server& server_;
  std::wstring name_;
  std::vector<MemberInfo> members_;
  // The spelling of each member at the client's last lookup, until the call.
  std::vector<std::wstring> spelling_;
};

// An object with one member, a text property it only reads out: an
// attachment's name. A put gets what refusePut gives.
class TextObject final : public StandinObject {
 public:
  TextObject(Server& server, std::wstring_view kind, std::wstring_view member, std::wstring text,
             Outcome (*refusePut)())
      : StandinObject(server, kind, {{member, Access::Property}}), text_(std::move(text)), refusePut_(refusePut) {}

 protected:
  Outcome Call(std::size_t, InvokeKind kind, std::span<const VARIANT* const>) override {
    return kind == InvokeKind::Get ? Outcome::Text(text_) : refusePut_();
  }

 private:
  std::wstring text_;
  Outcome (*refusePut_)();
};

// One argument or result as the journal shows it: "VT_BSTR \"x\"",
// "VT_BYREF|VT_DISPATCH document#1", "VT_I2 1454".
std::wstring FormatValue(const VARIANT& value);

// Argument helpers for the members: the text of a string argument whether by
// value or by reference (nullopt for any other type), and a number coerced as
// a real server would.
std::optional<std::wstring> StringArgument(const VARIANT& value);
std::optional<long> NumberArgument(const VARIANT& value);
// The text of any value, for showing it: a null BSTR and VT_EMPTY give "".
std::wstring DisplayText(const VARIANT& value);

// Whether a mail client that opens an attachment's source in its own process,
// as Outlook's Attachments.Add and Notes' EmbedObject do, can open source: a
// full path ("C:\..." or "\\server\..."; Outlook's reference asks for "the
// full file system path with a file name") naming a file it may read. A
// relative path would name a file in the client's current folder, not in the
// program's.
bool ClientCanOpen(const std::wstring& source);

}  // namespace standins
