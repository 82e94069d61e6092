// A busy server: calls it turns away with "call again later" are made again
// after a pause until it answers, within a bound, and COM's own retries go
// through the program's message filter on the same terms.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/busy_retry.h"
#include "platform/win32/busy_message_filter.h"
#include "platform/win32/owners.h"
#include "platform/win32/dispatch_call.h"
#include "platform/win32/win32_desktop.h"
#include "recording_dispatch.h"
#include "test_support.h"

namespace desktop_tests {
namespace {

using platform::win32::ComPtr;
using platform::win32::DispatchObject;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Turns the first `busy` calls away, then answers with `then`.
Reply BusyThen(int busy, Reply then) {
  auto left = std::make_shared<int>(busy);
  return [left, then](DISPPARAMS& parameters, VARIANT* result, EXCEPINFO* exception) {
    if (*left > 0) {
      --*left;
      return RPC_E_SERVERCALL_RETRYLATER;
    }
    return then(parameters, result, exception);
  };
}

class BusyServer : public ::testing::Test {
 protected:
  platform::win32::Win32Desktop desktop_{u"DesktopTest"};
  ComPtr<RecordingDispatch> server_{new RecordingDispatch({L"Display", L"CreateItem"})};
  DispatchObject object_{ComPtr<IDispatch>::Share(server_.Get())};
};

milliseconds Since(steady_clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
}

TEST_F(BusyServer, ATurnedAwayCallIsMadeAgainAfterPausesUntilItRuns) {
  ComPtr<RecordingDispatch> item(new RecordingDispatch({}));
  server_->ReplyWith(BusyThen(3, [&](DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
    item.Get()->AddRef();
    result->vt = VT_DISPATCH;
    result->pdispVal = item.Get();
    return S_OK;
  }));
  const steady_clock::time_point start = steady_clock::now();
  platform::ObjectRef made = desktop_.CallMethodForObject(object_, u"CreateItem", {platform::Value::Int16(0)});
  const milliseconds took = Since(start);

  ASSERT_EQ(server_->Calls().size(), 4u) << "three attempts turned away, the fourth ran";
  for (const CallSeen& call : server_->Calls()) {
    ASSERT_EQ(call.arguments.size(), 1u);
    EXPECT_EQ(call.arguments[0].number, 0) << "every attempt is the same call";
  }
  EXPECT_EQ(server_->Lookups().size(), 1u) << "the member is looked up once for the call";
  EXPECT_GE(took, 3 * platform::kBusyRetryPause - milliseconds(30)) << "a pause before each new attempt";
  ASSERT_NE(made, nullptr);
  made.reset();
  EXPECT_EQ(item->References(), 1u) << "the result of the attempt that ran is owned once";
}

TEST_F(BusyServer, TheAnswerAfterTheBusySpellIsTheOutcome) {
  server_->ReplyWith(BusyThen(2, [](DISPPARAMS&, VARIANT*, EXCEPINFO* exception) {
    exception->wCode = 4096;
    exception->bstrDescription = SysAllocString(L"A dialog box is open.");
    return DISP_E_EXCEPTION;
  }));
  const platform::Failure failure = FailureOf([&] { desktop_.CallMethod(object_, u"Display", {}); });
  EXPECT_EQ(failure.number, 4096);
  EXPECT_EQ(failure.description, u"A dialog box is open.");
  EXPECT_EQ(server_->Calls().size(), 3u);
}

TEST_F(BusyServer, ALookupTurnedAwayIsMadeAgain) {
  server_->TurnLookupsAway(2);
  desktop_.CallMethod(object_, u"Display", {});
  EXPECT_EQ(server_->Lookups(), (std::vector<std::wstring>{L"Display", L"Display", L"Display"}));
  EXPECT_EQ(server_->Calls().size(), 1u);
}

TEST_F(BusyServer, ACallRejectedAfterCOMGaveUpIsNotMadeAgain) {
  server_->ReplyWith([](DISPPARAMS&, VARIANT*, EXCEPINFO*) { return RPC_E_CALL_REJECTED; });
  const platform::Failure failure = FailureOf([&] { desktop_.CallMethod(object_, u"Display", {}); });
  EXPECT_EQ(failure.number, static_cast<std::int32_t>(RPC_E_CALL_REJECTED));
  EXPECT_EQ(server_->Calls().size(), 1u);
}

// The filter registered now, without changing what is registered.
ComPtr<IMessageFilter> CurrentFilter() {
  ComPtr<IMessageFilter> current;
  CoRegisterMessageFilter(nullptr, &current);
  CoRegisterMessageFilter(current.Get(), nullptr);
  return current;
}

TEST(MessageFilter, RetriesABusyServerWithinTheBoundAndGivesUpOnARefusal) {
  const platform::win32::MessageFilterRegistration registration;
  ASSERT_TRUE(registration.Registered());
  const ComPtr<IMessageFilter> filter = CurrentFilter();
  ASSERT_TRUE(filter);
  const auto retry = [&](milliseconds since, DWORD rejectType) {
    return filter->RetryRejectedCall(nullptr, static_cast<DWORD>(since.count()), rejectType);
  };
  constexpr DWORD kCancel = static_cast<DWORD>(-1);
  EXPECT_EQ(retry(milliseconds(0), SERVERCALL_RETRYLATER), static_cast<DWORD>(platform::kBusyRetryPause.count()));
  EXPECT_EQ(retry(platform::kBusyRetryBound - milliseconds(1), SERVERCALL_RETRYLATER),
            static_cast<DWORD>(platform::kBusyRetryPause.count()));
  EXPECT_EQ(retry(platform::kBusyRetryBound, SERVERCALL_RETRYLATER), kCancel);
  EXPECT_EQ(retry(milliseconds(0), SERVERCALL_REJECTED), kCancel);
  EXPECT_EQ(filter->HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, nullptr), static_cast<DWORD>(SERVERCALL_ISHANDLED));
  EXPECT_EQ(filter->MessagePending(nullptr, 0, PENDINGTYPE_TOPLEVEL), static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS));
}

TEST(MessageFilter, RegistrationPutsBackTheFilterItReplaced) {
  ASSERT_FALSE(CurrentFilter());
  {
    const platform::win32::MessageFilterRegistration outer;
    const ComPtr<IMessageFilter> outerFilter = CurrentFilter();
    ASSERT_TRUE(outerFilter);
    {
      const platform::win32::MessageFilterRegistration inner;
      EXPECT_NE(CurrentFilter().Get(), outerFilter.Get());
    }
    EXPECT_EQ(CurrentFilter().Get(), outerFilter.Get());
  }
  EXPECT_FALSE(CurrentFilter()) << "none left behind";
}

}  // namespace
}  // namespace desktop_tests
