// The automation layer against a server written here: what arrives at the
// server for each kind of call and argument, and which failure each kind of
// server answer becomes.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "platform/win32/dispatch_call.h"
#include "platform/win32/owners.h"
#include "platform/win32/win32_desktop.h"
#include "recording_dispatch.h"
#include "test_support.h"

namespace desktop_tests {
namespace {

using platform::NullableString;
using platform::ObjectRef;
using platform::Value;
using platform::win32::ComPtr;
using platform::win32::DispatchObject;
using platform::win32::UniqueBstr;
namespace documented = oracles::errors;

// Members of the test server; DISPIDs are their positions from 1.
const std::vector<std::wstring> kMembers = {L"EMBEDOBJECT", L"Display", L"Subject", L"Attachments", L"CreateItem"};
constexpr DISPID kEmbedObject = 1;
constexpr DISPID kDisplay = 2;

ComPtr<RecordingDispatch> NewServer(const std::vector<std::wstring>& members = kMembers) {
  return ComPtr<RecordingDispatch>(new RecordingDispatch(members));
}

DispatchObject ObjectOn(RecordingDispatch* server) { return DispatchObject(ComPtr<IDispatch>::Share(server)); }

// Replies that put an object in the call's result.
Reply ResultIs(VARTYPE type, IUnknown* object) {
  return [type, object](DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
    if (result == nullptr) return S_OK;
    if (object != nullptr) object->AddRef();
    result->vt = type;
    result->punkVal = object;
    return S_OK;
  };
}

Reply Returns(HRESULT outcome) {
  return [outcome](DISPPARAMS&, VARIANT*, EXCEPINFO*) { return outcome; };
}

Reply Raises(WORD code, SCODE scode, const wchar_t* description) {
  return [=](DISPPARAMS&, VARIANT*, EXCEPINFO* exception) {
    exception->wCode = code;
    exception->scode = scode;
    exception->bstrSource = SysAllocString(L"RecordingDispatch");
    exception->bstrDescription = description == nullptr ? nullptr : SysAllocString(description);
    return DISP_E_EXCEPTION;
  };
}

HRESULT STDAPICALLTYPE FillInLater(EXCEPINFO* exception) {
  exception->scode = static_cast<SCODE>(0x800A0BADu);
  exception->bstrDescription = SysAllocString(L"filled in later");
  return S_OK;
}

// Counts the blocks of COM's task allocator, where BSTRs live, taken and not
// given back while it is registered.
class AllocationCounter final : public platform::win32::ComObject<IMallocSpy> {
 public:
  long Outstanding() const { return outstanding_; }

  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
  void* STDMETHODCALLTYPE PostAlloc(void* block) override {
    if (block != nullptr) ++outstanding_;
    return block;
  }
  void* STDMETHODCALLTYPE PreFree(void* block, BOOL spied) override {
    if (spied && block != nullptr) --outstanding_;
    return block;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** moved, BOOL) override {
    *moved = block;
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return block; }
  void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int allocated) override { return allocated; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}

 private:
  long outstanding_ = 0;
};

class Automation : public ::testing::Test {
 protected:
  platform::win32::Win32Desktop desktop_{u"DesktopTest"};
  ComPtr<RecordingDispatch> server_ = NewServer();
  DispatchObject object_ = ObjectOn(server_.Get());
};

TEST_F(Automation, ArgumentsArriveInSourceOrderAsTheirKinds) {
  ComPtr<RecordingDispatch> other = NewServer({});
  DispatchObject otherObject = ObjectOn(other.Get());
  const std::u16string path = u"C:\\Mail\\a b.pdf";
  desktop_.CallMethod(object_, u"EMBEDOBJECT",
                      {Value::Int16(1454), Value::String(u""), Value::StringByRef(path), Value::String(std::u16string_view(u"a\0b", 3)),
                       Value::NullString(), Value::Boolean(true), Value::Boolean(false),
                       Value::ObjectByRef(otherObject), Value::Missing(), Value::Int16(-32768)});

  struct Expected {
    const char* what;
    VARTYPE type;
    bool nullString;
    std::wstring text;
    LONG number;
    IDispatch* object;
  };
  const Expected expected[] = {
      {"16-bit integer", VT_I2, false, L"", 1454, nullptr},
      {"empty string, not null", VT_BSTR, false, L"", 0, nullptr},
      {"string by reference", VT_BYREF | VT_BSTR, false, L"C:\\Mail\\a b.pdf", 0, nullptr},
      {"string keeps its length", VT_BSTR, false, std::wstring(L"a\0b", 3), 0, nullptr},
      {"null string", VT_BSTR, true, L"", 0, nullptr},
      {"true is all bits set", VT_BOOL, false, L"", VARIANT_TRUE, nullptr},
      {"false", VT_BOOL, false, L"", VARIANT_FALSE, nullptr},
      {"object by reference", VT_BYREF | VT_DISPATCH, false, L"", 0, other.Get()},
      {"missing argument", VT_ERROR, false, L"", DISP_E_PARAMNOTFOUND, nullptr},
      {"negative integer", VT_I2, false, L"", -32768, nullptr},
  };
  ASSERT_EQ(server_->Calls().size(), 1u);
  const CallSeen& call = server_->Calls()[0];
  EXPECT_EQ(call.member, kEmbedObject);
  ASSERT_EQ(call.arguments.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const ArgumentSeen& seen = call.arguments[i];
    SCOPED_TRACE(expected[i].what);
    EXPECT_EQ(seen.type, expected[i].type);
    EXPECT_EQ(seen.nullString, expected[i].nullString);
    EXPECT_EQ(seen.text, expected[i].text);
    EXPECT_EQ(seen.number, expected[i].number);
    EXPECT_EQ(seen.object, expected[i].object);
  }
  EXPECT_EQ(other->References(), 2u) << "the test's and otherObject's: the call's own is released";
}

TEST_F(Automation, EachOperationCallsAsItsKindAndAsksForAResultOnlyWhereWanted) {
  server_->ReplyWith(ResultIs(VT_DISPATCH, static_cast<IDispatch*>(server_.Get())));
  struct OperationCase {
    const char* what;
    std::function<void()> operation;
    WORD kind;
    std::size_t argumentCount;
    std::vector<DISPID> named;
    bool resultAsked;
  };
  const OperationCase cases[] = {
      {"method, result not wanted", [&] { desktop_.CallMethod(object_, u"Display", {}); }, DISPATCH_METHOD, 0, {},
       false},
      {"method for an object", [&] { desktop_.CallMethodForObject(object_, u"CreateItem", {Value::Int16(0)}); },
       DISPATCH_METHOD, 1, {}, true},
      {"property get", [&] { desktop_.GetObjectProperty(object_, u"Attachments"); }, DISPATCH_PROPERTYGET, 0, {},
       true},
      {"property put", [&] { desktop_.SetProperty(object_, u"Subject", Value::String(u"Hello")); },
       DISPATCH_PROPERTYPUT, 1, {DISPID_PROPERTYPUT}, false},
  };
  for (const OperationCase& operationCase : cases) {
    SCOPED_TRACE(operationCase.what);
    const std::size_t before = server_->Calls().size();
    operationCase.operation();
    ASSERT_EQ(server_->Calls().size(), before + 1);
    const CallSeen& call = server_->Calls().back();
    EXPECT_EQ(call.kind, operationCase.kind);
    EXPECT_EQ(call.arguments.size(), operationCase.argumentCount);
    EXPECT_EQ(call.namedArguments, operationCase.named);
    EXPECT_EQ(call.resultAsked, operationCase.resultAsked);
  }
  EXPECT_EQ(server_->References(), 2u) << "only the test's and object_'s references remain";
}

TEST_F(Automation, PropertyPutsKeepNullAndEmptyStringsApart) {
  desktop_.SetProperty(object_, u"Subject", Value::String(NullableString()));
  desktop_.SetProperty(object_, u"Subject", Value::String(NullableString(u"")));
  desktop_.SetProperty(object_, u"Subject", Value::String(std::u16string_view()));
  ASSERT_EQ(server_->Calls().size(), 3u);
  EXPECT_TRUE(server_->Calls()[0].arguments.at(0).nullString);
  EXPECT_FALSE(server_->Calls()[1].arguments.at(0).nullString);
  EXPECT_FALSE(server_->Calls()[2].arguments.at(0).nullString);
}

TEST_F(Automation, EveryCallLooksItsMemberUpByName) {
  desktop_.CallMethod(object_, u"Display", {});
  desktop_.CallMethod(object_, u"Display", {});
  desktop_.CallMethod(object_, u"display", {});
  EXPECT_EQ(server_->Lookups(), (std::vector<std::wstring>{L"Display", L"Display", L"display"}));
  ASSERT_EQ(server_->Calls().size(), 3u);
  for (const CallSeen& call : server_->Calls()) EXPECT_EQ(call.member, kDisplay);
}

TEST_F(Automation, AServerMayReplaceAStringPassedByReference) {
  server_->ReplyWith([](DISPPARAMS& parameters, VARIANT*, EXCEPINFO*) {
    BSTR* variable = parameters.rgvarg[0].pbstrVal;
    SysFreeString(*variable);
    *variable = SysAllocString(L"changed by the server");
    return S_OK;
  });
  const std::u16string path = u"C:\\Mail\\a.pdf";
  desktop_.CallMethod(object_, u"EMBEDOBJECT", {Value::StringByRef(path)});
  EXPECT_EQ(path, u"C:\\Mail\\a.pdf");
  EXPECT_EQ(server_->Calls().at(0).arguments.at(0).text, L"C:\\Mail\\a.pdf");
}

TEST_F(Automation, AServerMayReplaceAnObjectPassedByReference) {
  ComPtr<RecordingDispatch> document = NewServer({});
  ComPtr<RecordingDispatch> replacement = NewServer({});
  DispatchObject documentObject = ObjectOn(document.Get());
  IDispatch* replacementDispatch = replacement.Get();
  server_->ReplyWith([replacementDispatch](DISPPARAMS& parameters, VARIANT*, EXCEPINFO*) {
    IDispatch** variable = parameters.rgvarg[0].ppdispVal;
    (*variable)->Release();
    replacementDispatch->AddRef();
    *variable = replacementDispatch;
    return S_OK;
  });
  desktop_.CallMethod(object_, u"EMBEDOBJECT", {Value::ObjectByRef(documentObject)});
  EXPECT_EQ(document->References(), 2u) << "the test's and documentObject's";
  EXPECT_EQ(replacement->References(), 1u) << "the call released what the server left behind";
}

TEST_F(Automation, ObjectResultsAreTakenOrRefused) {
  ComPtr<RecordingDispatch> item = NewServer();
  ComPtr<RecordingDispatch> itemAsUnknown = NewServer();
  ComPtr<PlainUnknown> plain(new PlainUnknown());
  struct ResultCase {
    const char* what;
    Reply reply;
    const oracles::DocumentedError* failure;  // none: the object is taken
    RecordingDispatch* taken;                 // the object that then answers calls
  };
  const ResultCase cases[] = {
      {"object", ResultIs(VT_DISPATCH, static_cast<IDispatch*>(item.Get())), nullptr, item.Get()},
      {"IUnknown of an automation object", ResultIs(VT_UNKNOWN, static_cast<IDispatch*>(itemAsUnknown.Get())),
       nullptr, itemAsUnknown.Get()},
      {"Nothing", ResultIs(VT_DISPATCH, nullptr), &documented::ObjectVariableNotSet, nullptr},
      {"IUnknown Nothing", ResultIs(VT_UNKNOWN, nullptr), &documented::ObjectVariableNotSet, nullptr},
      {"empty", ResultIs(VT_EMPTY, nullptr), &documented::ObjectVariableNotSet, nullptr},
      {"null", ResultIs(VT_NULL, nullptr), &documented::ObjectVariableNotSet, nullptr},
      {"IUnknown without automation", ResultIs(VT_UNKNOWN, plain.Get()), &documented::NotAutomationObject, nullptr},
      {"string",
       [](DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
         result->vt = VT_BSTR;
         result->bstrVal = SysAllocString(L"not an object");
         return S_OK;
       },
       &documented::ObjectRequired, nullptr},
      {"number",
       [](DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
         result->vt = VT_I4;
         result->lVal = 7;
         return S_OK;
       },
       &documented::ObjectRequired, nullptr},
  };
  for (const ResultCase& resultCase : cases) {
    SCOPED_TRACE(resultCase.what);
    server_->ReplyWith(resultCase.reply);
    if (!resultCase.failure) {
      ObjectRef taken = desktop_.CallMethodForObject(object_, u"CreateItem", {Value::Int16(0)});
      desktop_.CallMethod(*taken, u"Display", {});
      EXPECT_EQ(resultCase.taken->Calls().size(), 1u) << "calls on the result reach the object the server gave";
      taken.reset();
      EXPECT_EQ(resultCase.taken->References(), 1u);
    } else {
      const std::int32_t number = resultCase.failure->number;
      EXPECT_EQ(FailureOf([&] { desktop_.CallMethodForObject(object_, u"CreateItem", {}); }).number, number);
      EXPECT_EQ(FailureOf([&] { desktop_.GetObjectProperty(object_, u"Attachments"); }).number, number);
    }
  }
  EXPECT_EQ(plain->References(), 1u) << "a refused object is released";
}

TEST_F(Automation, ServerFailuresBecomeNumbersAndDescriptions) {
  const auto anyText = std::u16string(u"(system text)");
  struct FailureCase {
    const char* what;
    Reply reply;
    platform::Failure expected;  // a description of anyText: the system's, whatever it says, but with no line end
  };
  const FailureCase cases[] = {
      {"exception with a code", Raises(1234, 0, L"Database is locked"), {1234, u"Database is locked"}},
      {"exception with a run-time error scode", Raises(0, static_cast<SCODE>(0x800A01C2u), L"Wrong"), {450, u"Wrong"}},
      {"exception with another scode", Raises(0, static_cast<SCODE>(0x80040200u), L"Busy"),
       {static_cast<std::int32_t>(0x80040200u), u"Busy"}},
      {"code wins over scode", Raises(7, static_cast<SCODE>(0x800A0001u), L"x"), {7, u"x"}},
      {"exception without description", Raises(0, static_cast<SCODE>(0x80040201u), nullptr),
       {static_cast<std::int32_t>(0x80040201u), u""}},
      {"exception naming no error", Raises(0, 0, L"?"), {static_cast<std::int32_t>(DISP_E_EXCEPTION), u"?"}},
      {"deferred fill-in",
       [](DISPPARAMS&, VARIANT*, EXCEPINFO* exception) {
         exception->pfnDeferredFillIn = FillInLater;
         return DISP_E_EXCEPTION;
       },
       {0x0BAD, u"filled in later"}},
      {"member not found", Returns(DISP_E_MEMBERNOTFOUND), Documented(documented::MemberNotSupported)},
      {"type mismatch", Returns(DISP_E_TYPEMISMATCH), Documented(documented::TypeMismatch)},
      {"overflow", Returns(DISP_E_OVERFLOW), Documented(documented::Overflow)},
      {"wrong argument count", Returns(DISP_E_BADPARAMCOUNT), Documented(documented::WrongArgumentCount)},
      {"argument not optional", Returns(DISP_E_PARAMNOTOPTIONAL), Documented(documented::ArgumentNotOptional)},
      {"out of memory", Returns(E_OUTOFMEMORY), Documented(documented::OutOfMemory)},
      {"plain HRESULT with system text", Returns(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)),
       {static_cast<std::int32_t>(0x800700B7u), anyText}},
      {"access denied", Returns(E_ACCESSDENIED), Documented(documented::PermissionDenied)},
      {"plain HRESULT without system text", Returns(static_cast<HRESULT>(0x8004ABCDu)),
       {static_cast<std::int32_t>(0x8004ABCDu), u""}},
  };
  for (const FailureCase& failureCase : cases) {
    SCOPED_TRACE(failureCase.what);
    server_->ReplyWith(failureCase.reply);
    const platform::Failure failure = FailureOf([&] { desktop_.CallMethod(object_, u"Display", {}); });
    EXPECT_EQ(failure.number, failureCase.expected.number);
    if (failureCase.expected.description == anyText) {
      EXPECT_FALSE(failure.description.empty());
      EXPECT_NE(failure.description.back(), u'\n');
      EXPECT_NE(failure.description.back(), u'\r');
    } else {
      EXPECT_EQ(failure.description, failureCase.expected.description);
    }
  }
}

TEST_F(Automation, AMemberTheObjectLacksFailsAtTheCallThatNamesIt) {
  struct MemberCase {
    const char* what;
    std::u16string member;
    std::size_t lookups;
  };
  const MemberCase cases[] = {
      {"unknown name", u"OPENMAIL", 1},
      {"name cut short by a NUL", std::u16string(u"Display\0Extra", 13), 0},
  };
  for (const MemberCase& memberCase : cases) {
    SCOPED_TRACE(memberCase.what);
    const std::size_t before = server_->Lookups().size();
    const platform::Failure failure = FailureOf([&] { desktop_.CallMethod(object_, memberCase.member, {}); });
    ExpectDocumented(failure, documented::MemberNotSupported);
    EXPECT_EQ(server_->Lookups().size(), before + memberCase.lookups);
  }
  EXPECT_TRUE(server_->Calls().empty());
}

TEST_F(Automation, AnObjectOfAnotherDesktopIsRefused) {
  class Foreign final : public platform::AutomationObject {};
  Foreign foreign;
  const std::int32_t objectRequired = documented::ObjectRequired.number;
  EXPECT_EQ(FailureOf([&] { desktop_.CallMethod(foreign, u"Display", {}); }).number, objectRequired);
  EXPECT_EQ(FailureOf([&] { desktop_.CallMethod(object_, u"EMBEDOBJECT", {Value::ObjectByRef(foreign)}); }).number,
            objectRequired);
  EXPECT_TRUE(server_->Calls().empty());
}

TEST_F(Automation, AThrowWhileBuildingTheArgumentsReleasesWhatWasBuilt) {
  // Without oleaut32's cache a freed BSTR goes straight back to the allocator.
  using SetNoCache = void(WINAPI*)();
  reinterpret_cast<SetNoCache>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "SetOaNoCache"))();
  class Foreign final : public platform::AutomationObject {};
  Foreign foreign;
  ComPtr<RecordingDispatch> other = NewServer({});
  DispatchObject otherObject = ObjectOn(other.Get());
  const std::u16string path = u"C:\\Mail\\a.pdf";
  const ComPtr<AllocationCounter> counter(new AllocationCounter());
  ASSERT_HRESULT_SUCCEEDED(CoRegisterMallocSpy(counter.Get()));
  {
    const UniqueBstr seen(L"counted");
    EXPECT_EQ(counter->Outstanding(), 1) << "the counter sees BSTRs";
  }
  // Built last first: an object and two strings are held when the foreign object is refused.
  const platform::Failure failure = FailureOf([&] {
    desktop_.CallMethod(object_, u"EMBEDOBJECT",
                        {Value::ObjectByRef(foreign), Value::String(u"a"), Value::StringByRef(path),
                         Value::ObjectByRef(otherObject)});
  });
  EXPECT_EQ(counter->Outstanding(), 0) << "every BSTR built is freed";
  EXPECT_HRESULT_SUCCEEDED(CoRevokeMallocSpy());
  EXPECT_EQ(failure.number, documented::ObjectRequired.number);
  EXPECT_EQ(other->References(), 2u) << "the call's own reference is released";
  EXPECT_TRUE(server_->Calls().empty());
  EXPECT_THROW(UniqueBstr(std::wstring_view(L"", UINT_MAX / 2)), std::bad_alloc) << "too long for a BSTR";
}

// Creation by ProgID, against classes registered for the test alone.
constexpr GUID kServedClass = {0x6d1c2a10, 0x5b0e, 0x4c3f, {0x9a, 0x61, 0x2e, 0x7b, 0x14, 0x90, 0xc3, 0x01}};
constexpr GUID kNoDispatchClass = {0x6d1c2a10, 0x5b0e, 0x4c3f, {0x9a, 0x61, 0x2e, 0x7b, 0x14, 0x90, 0xc3, 0x02}};
constexpr GUID kMissingExeClass = {0x6d1c2a10, 0x5b0e, 0x4c3f, {0x9a, 0x61, 0x2e, 0x7b, 0x14, 0x90, 0xc3, 0x03}};
constexpr GUID kMissingDllClass = {0x6d1c2a10, 0x5b0e, 0x4c3f, {0x9a, 0x61, 0x2e, 0x7b, 0x14, 0x90, 0xc3, 0x04}};

class Creation : public ::testing::Test {
 protected:
  platform::win32::Win32Desktop desktop_{u"DesktopTest"};
  RecordingFactory servedFactory_{true};
  RecordingFactory noDispatchFactory_{false};
  ClassRegistration served_{L"QzDesktopTest.Served", kServedClass, L"", L""};
  ClassRegistration noDispatch_{L"QzDesktopTest.NoDispatch", kNoDispatchClass, L"", L""};
  ClassRegistration missingExe_{L"QzDesktopTest.MissingExe", kMissingExeClass, L"LocalServer32",
                                L"C:\\qz-no-such-folder\\server.exe"};
  ClassRegistration missingDll_{L"QzDesktopTest.MissingDll", kMissingDllClass, L"InprocServer32",
                                L"C:\\qz-no-such-folder\\server.dll"};
  ClassObjectRegistration servedObject_{kServedClass, &servedFactory_};
  ClassObjectRegistration noDispatchObject_{kNoDispatchClass, &noDispatchFactory_};
};

TEST_F(Creation, EachCallMakesANewObjectReleasedWithItsOwner) {
  ObjectRef first = desktop_.CreateAutomationObject(u"QzDesktopTest.Served");
  ObjectRef second = desktop_.CreateAutomationObject(u"qzdesktoptest.served");
  ASSERT_EQ(servedFactory_.Made().size(), 2u);
  desktop_.CallMethod(*second, u"Display", {});
  EXPECT_TRUE(servedFactory_.Made()[0]->Calls().empty());
  EXPECT_EQ(servedFactory_.Made()[1]->Calls().size(), 1u);
  first.reset();
  second.reset();
  EXPECT_EQ(servedFactory_.Made()[0]->References(), 1u) << "only the factory's own";
  EXPECT_EQ(servedFactory_.Made()[1]->References(), 1u);
}

TEST_F(Creation, ClassesThatCannotBeCreatedFailWith429AndOthersAsTheyFail) {
  struct CreationCase {
    const char* what;
    std::u16string progId;
    const oracles::DocumentedError& error;
  };
  const CreationCase cases[] = {
      {"no class under the ProgID", u"QzDesktopTest.NotRegistered", documented::CannotCreateObject},
      {"local server missing", u"QzDesktopTest.MissingExe", documented::CannotCreateObject},
      {"in-process server missing", u"QzDesktopTest.MissingDll", documented::CannotCreateObject},
      {"ProgID cut short by a NUL", std::u16string(u"QzDesktopTest.Served\0X", 22), documented::CannotCreateObject},
      {"class without automation", u"QzDesktopTest.NoDispatch", documented::NotAutomationObject},
  };
  for (const CreationCase& creationCase : cases) {
    SCOPED_TRACE(creationCase.what);
    const platform::Failure failure =
        FailureOf([&] { desktop_.CreateAutomationObject(creationCase.progId); });
    ExpectDocumented(failure, creationCase.error);
  }
  EXPECT_TRUE(servedFactory_.Made().empty());
}

}  // namespace
}  // namespace desktop_tests
