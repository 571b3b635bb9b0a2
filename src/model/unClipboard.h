#pragma once

#include "platform/unResult.h"

#include <memory>
#include <string>
#include <vector>

class IModule;
class IModuleList;
struct TLink;

// Modules with everything they hold (children, points) and the links among them, as the text of
// a project file whose main module holds just them: what Copy puts on the clipboard and Paste
// takes back.
struct TClipboardContent {
  std::vector<std::shared_ptr<IModule>> Modules;
  std::vector<std::shared_ptr<TLink>> Links;
};

// The text of the modules of the list (in the list's order) and of the list's links that join
// two of them; a link to a module left behind is not taken.
std::u16string CopyModules(const IModuleList& list,
                           const std::vector<std::shared_ptr<IModule>>& modules);

// New modules and links read from such a text; false (nothing read) when the text is no project
// file or holds no module.
bool PasteModules(std::u16string_view text, TClipboardContent& content);

// Writes the modules of the list (with all they hold and the links among them) as a file of the
// same layout; fails with the reason.
TResult ExportModules(const IModuleList& list, const std::vector<std::shared_ptr<IModule>>& modules,
                      const std::u16string& file);
// The text of such a file, to be pasted; fails with the reason when it cannot be read or holds
// no modules.
TResult ReadModulesFile(const std::u16string& file, std::u16string& text);
