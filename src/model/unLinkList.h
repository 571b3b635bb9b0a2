#pragma once

#include "model/unLevelGraph.h"
#include "model/unLink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IModule;
class IModuleList;
class TKvenXmlNode1;
class TLinkRouter;

// Whether a link may be added, and why not: an input takes one link (a new one replaces it), an
// output may feed many; no link from a module to itself, none that closes a cycle; where both
// parameters have a type, the types are equal or one of them is "any".
struct TLinkCheck {
  bool Ok = false;
  std::u16string Reason;           // why not, for the user
  std::shared_ptr<TLink> Replaced; // the link into the input that the new one replaces
};

// The links among the modules of one list, in order; owned by that list.
class TLinkList {
public:
  std::int32_t Count() const { return static_cast<std::int32_t>(Items.size()); }
  // Null outside 0 .. Count-1.
  std::shared_ptr<TLink> Get(std::int32_t index) const;
  void Add(std::shared_ptr<TLink> link) { Items.push_back(std::move(link)); }
  // Every link, in order; Assign puts exactly these in.
  const std::vector<std::shared_ptr<TLink>>& All() const { return Items; }
  void Assign(std::vector<std::shared_ptr<TLink>> links) { Items = std::move(links); }
  // Puts the link at the index (0 .. Count; others append).
  void Insert(std::int32_t index, std::shared_ptr<TLink> link);
  // Drops the link (by identity); false when it is not held.
  bool Remove(const std::shared_ptr<TLink>& link);
  std::int32_t IndexOf(const std::shared_ptr<TLink>& link) const;
  // The links from or to the module, in order.
  std::vector<std::shared_ptr<TLink>> Of(const std::shared_ptr<IModule>& module) const;
  // The link into the module's input, or null.
  std::shared_ptr<TLink> Into(const std::shared_ptr<IModule>& module,
                              const std::u16string& input) const;
  // Whether the link from the output of one module to the input of another may be added. A cycle
  // is looked for through subsystems, and, with the levels above, out of the list by its owner's
  // ports and back; its modules are named with the level's path before them.
  TLinkCheck Check(const std::shared_ptr<IModule>& from, const std::u16string& output,
                   const std::shared_ptr<IModule>& to, const std::u16string& input,
                   const std::vector<TLevelGraph::TAbove>& above = {},
                   const std::u16string& levelPath = {}) const;
  // Appends the links the element describes ("Count" and "Link0", "Link1", ...), their ends
  // looked up in the modules; false, with a logged reason, for an absurd "Count".
  bool LoadFromXml(const TKvenXmlNode1* element, const IModuleList& modules);
  // Writes every link, its ends as the modules' indices (an end that named no module as the
  // file had it).
  void SaveToXml(TKvenXmlNode1* element, const IModuleList& modules) const;
  // The routes of the links, kept with them (LevelRoutes brings them up to date). A copy of the
  // list starts without routes.
  TLinkRouter& Router() const;

  TLinkList();
  TLinkList(const TLinkList& other);
  TLinkList& operator=(const TLinkList& other);
  ~TLinkList();

private:
  std::vector<std::shared_ptr<TLink>> Items;
  mutable std::unique_ptr<TLinkRouter> Routes;
};

// What is wrong with a link among the links before it.
enum class TLinkFault { None, SelfLink, InputTaken, ClosesCycle };
struct TLinkFaultAt {
  std::size_t Index; // in the links given
  TLinkFault Fault;
};
// The links, in order, that break the rules among those before them that keep them: a link of a
// module to itself, a second link into one input, one that closes a cycle. A link whose ends are
// not both there breaks none of them (it is kept unresolved). Time linear in the links when none
// closes a cycle.
std::vector<TLinkFaultAt> UnlawfulLinks(const std::vector<std::shared_ptr<TLink>>& links);

// The parameter's type ("" when the module or the parameter is not there).
std::u16string ParamType(const IModule& module, bool output, const std::u16string& name);
// The index of the module's parameter of that name, or -1.
std::int32_t ParamIndex(const IModule& module, bool output, const std::u16string& name);
