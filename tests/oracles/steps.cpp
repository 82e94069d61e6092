#include "steps.h"

#include <algorithm>

namespace oracles {

bool CanFail(const Step& step) {
  using enum Step::Kind;
  return step.kind == Create || step.kind == Call || step.kind == Get || step.kind == Set || step.kind == FindFile;
}

std::vector<Step> FailedAt(const std::vector<Step>& complete, std::size_t failing, std::u16string box) {
  std::vector<Step> steps(complete.begin(), complete.begin() + static_cast<std::ptrdiff_t>(failing) + 1);
  steps.back().failed = true;
  std::vector<std::string> held;
  for (std::size_t i = 0; i < failing; ++i) {
    if (!complete[i].makes.empty()) held.push_back(complete[i].makes);
    if (complete[i].kind == Step::Kind::Release) std::erase(held, complete[i].object);
  }
  const auto releases = [&](bool atExit) {
    for (std::size_t i = failing + 1; i < complete.size(); ++i) {
      const Step& step = complete[i];
      if (step.kind == Step::Kind::Release && step.atExit == atExit &&
          std::ranges::find(held, step.object) != held.end()) {
        steps.push_back(step);
      }
    }
  };
  releases(false);
  steps.push_back({.kind = Step::Kind::Box, .text = std::move(box)});
  releases(true);
  return steps;
}

Argument Int16(int value) { return {.kind = Argument::Kind::Int16, .number = value}; }
Argument String(std::u16string text) { return {.kind = Argument::Kind::String, .text = std::move(text)}; }
Argument StringByRef(std::u16string text) { return {.kind = Argument::Kind::StringByRef, .text = std::move(text)}; }
Argument Boolean(bool value) { return {.kind = Argument::Kind::Boolean, .number = value ? 1 : 0}; }

Step Create(std::u16string progId, std::string makes) {
  return {.kind = Step::Kind::Create, .member = std::move(progId), .makes = std::move(makes)};
}

Step Call(std::string object, std::u16string member, std::vector<Argument> arguments, std::string makes) {
  return {.kind = Step::Kind::Call, .object = std::move(object), .member = std::move(member),
          .arguments = std::move(arguments), .makes = std::move(makes)};
}

Step Set(std::string object, std::u16string member, Argument value) {
  return {.kind = Step::Kind::Set,
          .object = std::move(object),
          .member = std::move(member),
          .arguments = {std::move(value)}};
}

Step Release(std::string object, bool atExit) {
  return {.kind = Step::Kind::Release, .object = std::move(object), .atExit = atExit};
}

void AddLookup(std::vector<Step>& steps, const Attachment& attachment) {
  if (attachment.path.empty()) return;
  steps.push_back({.kind = Step::Kind::FindFile, .member = attachment.path, .text = attachment.name});
  if (attachment.name.empty() || attachment.fullPath.empty()) return;
  steps.push_back({.kind = Step::Kind::FullPath, .member = attachment.path, .text = attachment.fullPath});
}

}  // namespace oracles
