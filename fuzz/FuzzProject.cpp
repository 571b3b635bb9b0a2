// Feeds arbitrary Windows-1251 bytes to the project reader: whatever parses is loaded into a
// project's main module, which must save a text that loads and saves again to the same bytes.

#include "model/unMissingEntries.h"
#include "model/unModule.h"
#include "model/unProject.h"
#include "xml/unXml.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Loads the main module from the document's "ModuleMain" and writes it into a fresh document.
// False when the load fails. A small budget of missing entries keeps each input fast.
bool LoadAndSave(std::string_view bytes, std::string& saved) {
  TKvenXmlDocument1 in;
  if (!in.LoadXmlBytes(bytes))
    return false;
  TProject project(nullptr, {}, u"", u"");
  const TMissingEntries budget(2000);
  auto main = project.GetMainModule();
  if (!main->LoadFromXml(in.GetRoot()->FindChild(u"ModuleMain")))
    return false;
  TKvenXmlDocument1 out;
  out.GetRoot()->SetName(u"Kven_ZU_Programming_Project");
  main->SaveToXml(out.GetRoot()->GetChild(u"ModuleMain"));
  saved = out.GetXmlBytes().ToString();
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string first;
  if (!LoadAndSave(std::string_view(reinterpret_cast<const char*>(data), size), first))
    return 0;
  std::string second;
  if (!LoadAndSave(first, second) || second != first) {
    std::fprintf(stderr, "saved project does not come back:\n%s\n---\n%s\n", first.c_str(),
                 second.c_str());
    std::abort();
  }
  return 0;
}
