// Helpers the desktop tests share: catching a failure, a scratch folder, and
// COM class registrations that undo themselves.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "documented_errors.h"
#include "platform/automation.h"

namespace desktop_tests {

// The failure body raises; a test failure when it raises none.
template <class Body>
platform::Failure FailureOf(Body&& body) {
  try {
    body();
  } catch (const platform::Failure& failure) {
    return failure;
  }
  ADD_FAILURE() << "no failure was raised";
  return platform::Failure(0, u"(no failure)");
}

// The failure a documented error is, and the check that a failure is it.
inline platform::Failure Documented(const oracles::DocumentedError& error) {
  return platform::Failure(error.number, std::u16string(error.text));
}
inline void ExpectDocumented(const platform::Failure& failure, const oracles::DocumentedError& error) {
  EXPECT_EQ(failure.number, error.number);
  EXPECT_EQ(failure.description, std::u16string(error.text));
}

std::u16string Utf16(const std::wstring& text);

// A fresh folder in the temporary folder, removed with all it holds.
class ScratchFolder {
 public:
  ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  // The folder's path followed by a backslash and name.
  std::wstring Path(const std::wstring& name = L"") const;
  // Writes a file of these bytes and gives it these attributes.
  std::wstring AddFile(const std::wstring& name, const std::string& bytes = "",
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
  std::wstring AddFolder(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// A ProgID and its class in HKEY_LOCAL_MACHINE\Software\Classes (Wine's COM
// reads no per-user classes), with a server entry ("LocalServer32" or
// "InprocServer32", or none), removed again by the destructor.
class ClassRegistration {
 public:
  ClassRegistration(const std::wstring& progId, const GUID& classId, const std::wstring& serverKind,
                    const std::wstring& serverPath);
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;
  ~ClassRegistration();

 private:
  std::wstring progIdKey_;
  std::wstring classKey_;
};

// A class object served from this process while the owner lives.
class ClassObjectRegistration {
 public:
  ClassObjectRegistration(const GUID& classId, IUnknown* factory);
  ClassObjectRegistration(const ClassObjectRegistration&) = delete;
  ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;
  ~ClassObjectRegistration();

 private:
  DWORD cookie_ = 0;
};

}  // namespace desktop_tests
