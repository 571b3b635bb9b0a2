#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class IModule;
class IModuleList;

// Names are unique within a level. A name's stem is the name without the digits that end it
// ("Gen12" → "Gen").
std::u16string NameStem(const std::u16string& name);

// The names the modules of the list have.
std::unordered_set<std::u16string> NamesOf(const IModuleList& list);

// The name itself when it is free, otherwise the first free name of its stem: the stem followed
// by 1, 2, ... ("Gen1" → "Gen2" when "Gen1" is taken). An empty name takes the stem "Module".
std::u16string FreeName(const std::unordered_set<std::u16string>& taken,
                        const std::u16string& wanted);
// The first free name of the stem: "Stem1", "Stem2", ... (what the wizard proposes).
std::u16string NumberedName(const std::unordered_set<std::u16string>& taken,
                            const std::u16string& stem);

// FreeName against the names of the list's modules, in one pass that keeps only the numbers of
// the stem (a large level costs no set of all its names).
std::u16string FreeNameIn(const IModuleList& list, const std::u16string& wanted);

// True when another module of the list than `except` has the name.
bool NameTaken(const IModuleList& list, const std::u16string& name, const IModule* except);

// Groups of two or more modules of the list sharing a name, each by the modules' indices in list
// order, the groups in the order of their first module.
std::vector<std::vector<std::int32_t>> DuplicateNames(const IModuleList& list);
