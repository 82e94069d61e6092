#include "expected_journal.h"

#include <map>

#include "fake_desktop.h"

namespace testing_support {
namespace {

using oracles::Argument;
using oracles::Step;

// The fake names an object by its ProgID, or by the member that gave it.
using Names = std::map<std::string, std::string>;

std::string Describe(const Argument& argument, const Names& names) {
  switch (argument.kind) {
    case Argument::Kind::Int16: return "Int16 " + std::to_string(argument.number);
    case Argument::Kind::String: return "String " + Quoted(argument.text);
    case Argument::Kind::NullString: return "NullString";
    case Argument::Kind::StringByRef: return "StringByRef " + Quoted(argument.text);
    case Argument::Kind::Boolean: return argument.number != 0 ? "Boolean true" : "Boolean false";
    case Argument::Kind::ObjectByRef: return "ObjectByRef " + names.at(argument.object);
  }
  return "?";
}

std::string Line(const Step& step, const Names& names, platform::WindowHandle window) {
  const std::string member = Utf8(step.member);
  const std::string made = step.makes.empty() ? "" : " -> " + member;
  switch (step.kind) {
    case Step::Kind::Create: return "create " + member;
    case Step::Kind::Call: {
      std::string line = "call " + names.at(step.object) + "." + member + "(";
      for (const Argument& argument : step.arguments) {
        line += (&argument == &step.arguments.front() ? "" : ", ") + Describe(argument, names);
      }
      return line + ")" + made;
    }
    case Step::Kind::Get: return "get " + names.at(step.object) + "." + member + made;
    case Step::Kind::Set:
      return "set " + names.at(step.object) + "." + member + " = " + Describe(step.arguments.front(), names);
    case Step::Kind::Release: return "release " + names.at(step.object);
    case Step::Kind::Pump: return "pump";
    case Step::Kind::FindWindow: return "FindWindowA \"" + member + "\" null -> " + std::to_string(window);
    case Step::Kind::ShowWindow: return "ShowWindow " + std::to_string(window) + " 3";
    case Step::Kind::Foreground: return "SetForegroundWindow " + std::to_string(window);
    case Step::Kind::FindFile: return "find " + Quoted(step.member) + " -> " + Quoted(step.text);
    case Step::Kind::FullPath: return "fullpath " + Quoted(step.member) + " -> " + Quoted(step.text);
    case Step::Kind::Box: return "message 16 " + Quoted(step.text);
  }
  return "?";
}

}  // namespace

std::vector<std::string> JournalOf(const std::vector<oracles::Step>& steps, platform::WindowHandle notesWindow) {
  Names names;
  std::vector<std::string> lines;
  for (const Step& step : steps) {
    lines.push_back(Line(step, names, notesWindow) + (step.failed ? " FAILS" : ""));
    if (!step.makes.empty()) names[step.makes] = Utf8(step.member);
  }
  return lines;
}

}  // namespace testing_support
