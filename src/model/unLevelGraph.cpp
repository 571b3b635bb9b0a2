#include "model/unLevelGraph.h"

#include "model/unIModule.h"
#include "model/unLink.h"
#include "model/unLinkList.h"
#include "model/unPorts.h"

#include <set>

TLevelGraph::TLevelGraph(const std::vector<std::shared_ptr<TLink>>& links)
    : Links(links), Cache(std::make_shared<TThroughCache>()) {
  for (const auto& link : Links)
    if (link->From && link->To)
      From.emplace(link->From.get(), link.get());
}

bool TLevelGraph::Subsystem(const IModule* module) const {
  const auto [it, added] = IsSub.try_emplace(module, false);
  if (added)
    it->second = IsSubsystem(*module);
  return it->second;
}

TLevelGraph::TNode TLevelGraph::Source(const TLink& link) const {
  return Subsystem(link.From.get()) ? TNode{link.From.get(), link.Output, true}
                                    : TNode{link.From.get(), {}, false};
}

TLevelGraph::TNode TLevelGraph::Target(const TLink& link) const {
  return Subsystem(link.To.get()) ? TNode{link.To.get(), link.Input, false}
                                  : TNode{link.To.get(), {}, false};
}

const std::vector<std::u16string>& TLevelGraph::Through(const IModule& subsystem,
                                                        const std::u16string& input) const {
  const auto key = std::make_pair(&subsystem, input);
  if (const auto known = Cache->find(key); known != Cache->end())
    return known->second;
  // Known as empty while it is worked out: a subsystem that holds itself cannot loop for ever.
  Cache->emplace(key, std::vector<std::u16string>());
  std::vector<std::u16string> reached;
  const auto port = PortModule(subsystem, false, input);
  const auto children = subsystem.GetModules();
  if (port && children) {
    TLevelGraph inside(children->GetLinks().All());
    inside.Cache = Cache;
    std::set<TNode> seen{{port.get(), {}, false}};
    std::vector<TNode> open{{port.get(), {}, false}}, next;
    while (!open.empty()) {
      const TNode at = open.back();
      open.pop_back();
      if (at.Port.empty() && IsOutputPort(*at.Module))
        reached.push_back(at.Module->GetName());
      next.clear();
      inside.Next(at, next);
      for (const TNode& n : next)
        if (seen.insert(n).second)
          open.push_back(n);
    }
  }
  return (*Cache)[key] = std::move(reached);
}

std::vector<std::u16string> TLevelGraph::Around(const std::u16string& output) const {
  std::vector<std::u16string> back;
  if (Above.empty())
    return back;
  const TAbove& level = Above.back();
  TLevelGraph outside(level.List->GetLinks().All());
  outside.Cache = Cache;
  outside.Above.assign(Above.begin(), Above.end() - 1);
  std::set<TNode> seen{{level.Owner, output, true}};
  std::vector<TNode> open{{level.Owner, output, true}}, next;
  while (!open.empty()) {
    const TNode at = open.back();
    open.pop_back();
    if (at.Module == level.Owner && !at.Output && !at.Port.empty())
      back.push_back(at.Port);
    next.clear();
    outside.Next(at, next);
    for (const TNode& n : next)
      if (seen.insert(n).second)
        open.push_back(n);
  }
  return back;
}

void TLevelGraph::Next(const TNode& node, std::vector<TNode>& out) const {
  if (!node.Port.empty() && !node.Output) {
    // Into a subsystem by a port: out by the ports its inside leads to.
    for (const std::u16string& port : Through(*node.Module, node.Port))
      out.push_back({node.Module, port, true});
    return;
  }
  const auto [first, last] = From.equal_range(node.Module);
  for (auto it = first; it != last; ++it)
    if (node.Port.empty() || it->second->Output == node.Port)
      out.push_back(Target(*it->second));
  // Out of the list by its owner's output port, back in by the input ports the levels above
  // lead to.
  if (node.Port.empty() && !Above.empty() && IsOutputPort(*node.Module))
    for (const std::u16string& port : Around(node.Module->GetName()))
      if (auto in = PortModule(*Above.back().Owner, false, port))
        out.push_back({in.get(), {}, false});
}

bool TLevelGraph::Reaches(const IModule& from, const std::u16string& input, const IModule& to,
                          const std::u16string& output) const {
  const TNode start = Subsystem(&from) ? TNode{&from, input, false} : TNode{&from, {}, false};
  const TNode goal = Subsystem(&to) ? TNode{&to, output, true} : TNode{&to, {}, false};
  std::set<TNode> seen{start};
  std::vector<TNode> open{start}, next;
  while (!open.empty()) {
    const TNode at = open.back();
    open.pop_back();
    if (at == goal)
      return true;
    next.clear();
    Next(at, next);
    for (const TNode& n : next)
      if (seen.insert(n).second)
        open.push_back(n);
  }
  return false;
}

bool TLevelGraph::Acyclic() const {
  // Every node after those that lead to it; a node never placed lies on a cycle.
  std::map<TNode, std::size_t> waiting;
  std::vector<TNode> next;
  for (const auto& link : Links) {
    if (!link->From || !link->To)
      continue;
    waiting.try_emplace(Source(*link), 0);
    waiting.try_emplace(Target(*link), 0);
  }
  // The ports a subsystem's input leads to are nodes too.
  std::vector<TNode> nodes;
  for (const auto& [node, count] : waiting)
    nodes.push_back(node);
  for (const TNode& node : nodes) {
    next.clear();
    Next(node, next);
    for (const TNode& n : next)
      ++waiting[n];
  }
  std::vector<TNode> ready;
  for (const auto& [node, count] : waiting)
    if (count == 0)
      ready.push_back(node);
  std::size_t placed = 0;
  while (!ready.empty()) {
    const TNode at = ready.back();
    ready.pop_back();
    ++placed;
    next.clear();
    Next(at, next);
    for (const TNode& n : next)
      if (--waiting[n] == 0)
        ready.push_back(n);
  }
  return placed == waiting.size();
}

std::vector<std::u16string> PortsReached(const IModule& subsystem, const std::u16string& input) {
  const TLevelGraph none({});
  return none.Through(subsystem, input);
}
