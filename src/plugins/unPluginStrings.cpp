#include "plugins/unPluginStrings.h"

std::u16string BstrText(BSTR text) {
  if (!text)
    return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

bool ParamTextTooLong(BSTR text) {
  return text && static_cast<std::size_t>(SysStringLen(text)) * 2 > MaxParamTextBytes;
}

void TakeInfo(TZUInfo& record, TComponentInfo& info) {
  BSTR* const fields[] = {&record.Name,   &record.Title,     &record.Description,
                          &record.Author, &record.Copyright, &record.HomePage};
  std::u16string* const texts[] = {&info.Name,   &info.Title,     &info.Description,
                                   &info.Author, &info.Copyright, &info.HomePage};
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    *texts[i] = BstrText(*fields[i]);
    SysFreeString(*fields[i]);
    *fields[i] = nullptr;
  }
}
