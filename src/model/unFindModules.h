#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class IModule;
class IModuleList;

// The modules of the list and of every list below it for which the test holds, each before its
// children, in the lists' order.
std::vector<std::shared_ptr<IModule>>
FindModulesWhere(const IModuleList& list, const std::function<bool(const IModule&)>& test);

// The modules of the list and of every list below it whose name or type holds the text (letters
// of either case alike), each before its children, in the lists' order; none for an empty text.
std::vector<std::shared_ptr<IModule>> FindModules(const IModuleList& list,
                                                  std::u16string_view text);
