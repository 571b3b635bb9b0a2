#pragma once

#include "plugins/unComponent.h"
#include "zu_plugin.h"

#include <string>

// The strings a plug-in hands to its host.

// True when the text is above MaxParamTextBytes (its UTF-16 bytes).
bool ParamTextTooLong(BSTR text);
// The text of a BSTR; empty for null.
std::u16string BstrText(BSTR text);
// Moves the six strings out of the record into the description and frees them in the record.
void TakeInfo(TZUInfo& record, TComponentInfo& info);
