#include "tables.h"

namespace e2e {

CallTable NotesTable(const NotesMemo& memo) {
  CallTable table;
  auto& rows = table.rows;
  // The window activation: its own session, released before the composer's.
  rows.push_back({L"create:NotesSession", L"create NotesSession", L" -> session#1", L"", L"session#1"});
  rows.push_back({L"create:NotesSession", L"create NotesSession", L" -> " + memo.session, memo.session, L""});
  rows.push_back({L"GETDATABASE", L"call " + memo.session + L".GETDATABASE(VT_BSTR \"\", VT_BSTR \"\")",
                  L" -> VT_DISPATCH database#1", L"database#1", L""});
  rows.push_back({L"OPENMAIL", L"call database#1.OPENMAIL()", L"", L"", L""});
  rows.push_back({L"CreateDocument", L"call database#1.CreateDocument()", L" -> VT_DISPATCH document#1", L"document#1", L""});
  rows.push_back({L"CREATERICHTEXTITEM", L"call document#1.CREATERICHTEXTITEM(VT_BSTR \"Body\")",
                  L" -> VT_DISPATCH richtext#1", L"richtext#1", L""});
  rows.push_back({L"Subject", L"put document#1.Subject(" + Bstr(memo.subject) + L")", L"", L"", L""});
  rows.push_back({L"SendTo", L"put document#1.SendTo(" + Bstr(memo.address) + L")", L"", L"", L""});
  rows.push_back({L"CopyTo", L"put document#1.CopyTo(" + memo.copyTo + L")", L"", L"", L""});
  rows.push_back({L"BlindCopyTo", L"put document#1.BlindCopyTo(" + Bstr(L"") + L")", L"", L"", L""});
  rows.push_back({L"Body", L"put document#1.Body(" + Bstr(memo.body) + L")", L"", L"", L""});
  if (memo.attachment) {
    rows.push_back({L"EMBEDOBJECT",
                    L"call richtext#1.EMBEDOBJECT(VT_I2 1454, VT_BSTR \"\", " + BstrRef(memo.attachment->path) + L", " +
                        Bstr(memo.attachment->name) + L")",
                    L"", L"", L""});
  }
  rows.push_back({L"create:NotesUIWorkspace", L"create NotesUIWorkspace", L" -> workspace#1", L"workspace#1", L""});
  rows.push_back({L"EDITDOCUMENT", L"call workspace#1.EDITDOCUMENT(VT_BOOL -1, VT_BYREF|VT_DISPATCH document#1)",
                  L" -> VT_DISPATCH uidocument#1", L"", L""});
  rows.push_back({L"GOTOFIELD", L"call uidocument#1.GOTOFIELD(VT_BSTR \"Subject\")", L"", L"", L"uidocument#1"});
  table.exitReleases = {memo.session, L"workspace#1", L"document#1", L"richtext#1", L"database#1"};
  return table;
}

CallTable OutlookTable(const OutlookItem& item) {
  CallTable table;
  auto& rows = table.rows;
  rows.push_back({L"create:Application", L"create Application", L" -> application#1", L"application#1", L""});
  rows.push_back({L"CreateItem", L"call application#1.CreateItem(VT_I2 0)", L" -> VT_DISPATCH mailitem#1", L"mailitem#1", L""});
  rows.push_back({L"To", L"put mailitem#1.To(" + Bstr(item.address) + L")", L"", L"", L""});
  rows.push_back({L"Subject", L"put mailitem#1.Subject(" + Bstr(item.subject) + L")", L"", L"", L""});
  rows.push_back({L"Body", L"put mailitem#1.Body(" + Bstr(item.body) + L")", L"", L"", L""});
  if (item.attachment) {
    rows.push_back({L"Attachments", L"get mailitem#1.Attachments()", L" -> VT_DISPATCH attachments#1", L"", L""});
    rows.push_back({L"Add", L"call attachments#1.Add(" + BstrRef(item.attachment->path) + L")", L"", L"",
                    L"attachments#1"});
  }
  rows.push_back({L"ReadReceiptRequested", L"put mailitem#1.ReadReceiptRequested(VT_BOOL 0)", L"", L"", L""});
  rows.push_back({L"Display", L"call mailitem#1.Display()", L"", L"", L""});
  table.exitReleases = {L"application#1", L"mailitem#1"};
  return table;
}

std::string SimpleMail(const std::wstring& attachmentPath) {
  return "[ADDRESS]\r\nSales Team\r\n[SUBJECT]\r\nQuarterly figures\r\n[BODY]\r\nDear all,\r\n\r\n"
         "the figures are attached.\r\n[ATTACHMENT]\r\n" + Narrow(attachmentPath) + "\r\n";
}

std::string Narrow(const std::wstring& text) {
  std::string bytes;
  for (const wchar_t c : text) bytes += static_cast<char>(c);
  return bytes;
}

}  // namespace e2e
