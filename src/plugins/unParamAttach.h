#pragma once

#include <memory>
#include <string>

class IComponent;
class IComponentList;
class IModuleList;

// The registered component a module's type names: the one whose library path is the type, or
// whose library is the file the type names under another name (a symbolic link, another path),
// or, when no file has that path, the first whose library has the type's file name; null for an
// empty type, without a registry, or when none matches.
IComponent* ComponentOfType(const IComponentList* registry, const std::u16string& type);

// Gives every module of the list and of the lists below it the parameter lists of its type's
// component (shared, as the wizard gives them). A module whose component is missing keeps its
// type and gets empty lists, so that it shows no marks; a module without a type keeps its lists.
// Boundary modules and subsystems get their ports (UpdateAllPorts).
// Returns how many modules had no component though they have a type.
std::size_t AttachParameters(IModuleList& modules, const IComponentList* registry);
