#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class IModule;
class IModuleList;
class IParamList;

// Subsystems: a module that holds modules takes its ports from the boundary modules among its
// children. A child of type "@input" is an input of its parent, one of type "@output" an output,
// in the order of the child list, each named by the boundary module's name and typed "any".
// Inside, an "@input" module has one output "Value" and an "@output" module one input "Value".
inline constexpr std::u16string_view InputPortType = u"@input";
inline constexpr std::u16string_view OutputPortType = u"@output";
inline constexpr std::u16string_view PortValueName = u"Value";
inline constexpr std::u16string_view PortValueType = u"any";

bool IsInputPort(const IModule& module);
bool IsOutputPort(const IModule& module);
// Either of the two.
bool IsPort(const IModule& module);
// True when the module's children include a boundary module.
bool IsSubsystem(const IModule& module);
// The boundary modules among the module's children that stand for its inputs (or outputs), in
// order.
std::vector<std::shared_ptr<IModule>> PortModules(const IModule& module, bool outputs);
// The boundary module inside the module that stands for its port of that name, or null.
std::shared_ptr<IModule> PortModule(const IModule& module, bool output, const std::u16string& name);

// Gives a boundary module its one parameter, and a module with boundary children their ports
// as its parameter lists; a module whose last boundary child went gets empty lists again. Other
// modules keep theirs. True when the module's lists changed.
bool UpdatePorts(IModule& module);
// UpdatePorts for every module of the list and of the lists below it, deepest first, so that
// a subsystem's ports are known before the level above it is drawn.
void UpdateAllPorts(IModuleList& list);
// True when the list is one of boundary ports (made by UpdatePorts).
bool IsPortList(const IParamList* list);
