#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class IModule;
class IModuleList;
struct TLink;

// How values flow among the modules of one list: from a module's inputs to all of its outputs,
// and for a subsystem from each input port only to the output ports its inside leads it to (so a
// subsystem with two separate channels closes no cycle through the other). Rules over links
// hold in this flow, and so over the levels flattened.
class TLevelGraph {
public:
  // The links among the modules of a list (any list: a paste's, a level's).
  explicit TLevelGraph(const std::vector<std::shared_ptr<TLink>>& links);

  // Whether a value can flow from the input of one module to the output of another along the
  // links (and through subsystems).
  bool Reaches(const IModule& from, const std::u16string& input, const IModule& to,
               const std::u16string& output) const;
  // Whether the links, taken whole, let no value flow back to where it came from.
  bool Acyclic() const;

  // The levels above the list, from the main list down to the one that holds the list's owner:
  // with them a flow may also leave the list by an output port of its owner and come back by one
  // of its input ports along the links of the levels above.
  struct TAbove {
    const IModuleList* List; // a level above
    const IModule* Owner;    // the module of that level whose children the next level is
  };
  void SetAbove(std::vector<TAbove> above) { Above = std::move(above); }

private:
  struct TNode {
    const IModule* Module;
    std::u16string Port; // a subsystem's port; empty for a whole module
    bool Output;
    friend bool operator<(const TNode& a, const TNode& b) {
      if (a.Module != b.Module)
        return a.Module < b.Module;
      if (a.Output != b.Output)
        return a.Output < b.Output;
      return a.Port < b.Port;
    }
    friend bool operator==(const TNode&, const TNode&) = default;
  };
  // Where a link takes a value from, and where it puts it: a subsystem's port, or a whole module.
  TNode Source(const TLink& link) const;
  TNode Target(const TLink& link) const;
  // Where a value goes next from the node.
  void Next(const TNode& node, std::vector<TNode>& out) const;

  bool Subsystem(const IModule* module) const;
  // The output ports a value entering the subsystem by the input port reaches inside.
  const std::vector<std::u16string>& Through(const IModule& subsystem,
                                             const std::u16string& input) const;
  // The input ports of the list's owner that a value leaving it by the output port comes back
  // to along the levels above.
  std::vector<std::u16string> Around(const std::u16string& output) const;

  std::vector<std::shared_ptr<TLink>> Links;
  std::unordered_multimap<const IModule*, const TLink*> From;
  std::vector<TAbove> Above;
  // What the insides of subsystems were found to do, shared with the graphs of their insides.
  using TThroughCache =
      std::map<std::pair<const IModule*, std::u16string>, std::vector<std::u16string>>;
  std::shared_ptr<TThroughCache> Cache;
  mutable std::unordered_map<const IModule*, bool> IsSub;

  friend std::vector<std::u16string> PortsReached(const IModule&, const std::u16string&);
};

// The output ports of the subsystem that a value entering it by the input port reaches inside.
std::vector<std::u16string> PortsReached(const IModule& subsystem, const std::u16string& input);
