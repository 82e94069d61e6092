#include "runner.h"

#include <cstdio>

#include "settings.h"

namespace e2e {

void Print(std::wstring_view text) {
  const std::string bytes = standins::ToUtf8(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

void Check::That(bool holds, std::wstring_view what) {
  if (!holds) failures_.emplace_back(what);
}

void Check::Equal(std::wstring_view actual, std::wstring_view expected, std::wstring_view what) {
  if (actual != expected) {
    failures_.push_back(std::wstring(what) + L"\n      expected: [" + std::wstring(expected) + L"]\n      actual:   [" +
                        std::wstring(actual) + L"]");
  }
}

void Check::Equal(long long actual, long long expected, std::wstring_view what) {
  if (actual != expected) {
    failures_.push_back(std::wstring(what) + L": expected " + std::to_wstring(expected) + L", got " +
                        std::to_wstring(actual));
  }
}

void Check::Lines(const std::vector<std::wstring>& actual, const std::vector<std::wstring>& expected,
                  std::wstring_view what) {
  if (actual == expected) return;
  std::size_t first = 0;
  while (first < actual.size() && first < expected.size() && actual[first] == expected[first]) ++first;
  std::wstring text = std::wstring(what) + L": differs at line " + std::to_wstring(first + 1) + L"\n      expected:";
  for (const std::wstring& line : expected) text += L"\n        " + line;
  text += L"\n      actual:";
  for (const std::wstring& line : actual) text += L"\n        " + line;
  failures_.push_back(text);
}

std::vector<TestCase>& AllCases() {
  static std::vector<TestCase> cases;
  return cases;
}

bool AddCases(std::vector<TestCase> cases) {
  for (TestCase& one : cases) AllCases().push_back(std::move(one));
  return true;
}

}  // namespace e2e
