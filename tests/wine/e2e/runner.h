// A minimal test runner for the end-to-end cases: named cases in groups,
// checks that record what differs and go on, and one line of totals.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

class Check {
 public:
  void That(bool holds, std::wstring_view what);
  void Equal(std::wstring_view actual, std::wstring_view expected, std::wstring_view what);
  void Equal(long long actual, long long expected, std::wstring_view what);
  // Line by line, with the first difference and both sequences on failure.
  void Lines(const std::vector<std::wstring>& actual, const std::vector<std::wstring>& expected,
             std::wstring_view what);
  // Shown only when the case fails, to explain it.
  void Note(std::wstring_view text) { notes_.emplace_back(text); }

  bool Failed() const { return !failures_.empty(); }
  const std::vector<std::wstring>& Failures() const { return failures_; }
  const std::vector<std::wstring>& Notes() const { return notes_; }

 private:
  std::vector<std::wstring> failures_;
  std::vector<std::wstring> notes_;
};

struct TestCase {
  std::wstring name;  // "group.case"
  std::function<void(Check&)> run;
};

// Every case of the suite, in the order they run.
std::vector<TestCase>& AllCases();

// Adds cases at start-up: `const bool registered = AddCases({...});`.
bool AddCases(std::vector<TestCase> cases);

// Writes UTF-8 to standard output.
void Print(std::wstring_view text);

}  // namespace e2e
