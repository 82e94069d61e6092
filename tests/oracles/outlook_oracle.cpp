#include "composers.h"

namespace oracles {

std::vector<Step> OutlookRun(const OutlookItem& item) {
  std::vector<Step> steps = {
      Create(u"Outlook.Application", "application"),
      Call("application", u"CreateItem", {Int16(0)}, "mailitem"),
      Set("mailitem", u"To", String(item.address)),
      Set("mailitem", u"Subject", String(item.subject)),
      Set("mailitem", u"Body", String(item.body)),
  };
  AddLookup(steps, item.attachment);
  if (!item.attachment.name.empty()) {
    steps.push_back({.kind = Step::Kind::Get, .object = "mailitem", .member = u"Attachments", .makes = "attachments"});
    const Attachment& attachment = item.attachment;
    steps.push_back(Call("attachments", u"Add",
                         {StringByRef(attachment.fullPath.empty() ? attachment.path : attachment.fullPath)}));
    steps.push_back(Release("attachments"));
  }
  steps.push_back(Set("mailitem", u"ReadReceiptRequested", Boolean(false)));
  steps.push_back(Call("mailitem", u"Display", {}));
  steps.push_back(Release("application", true));
  steps.push_back(Release("mailitem", true));
  return steps;
}

}  // namespace oracles
