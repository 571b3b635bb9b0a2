#include "plugins/unRunPlan.h"

#include <cmath>
#include <ctime>

TMessageWriter EncodePlan(const TRunPlan& plan) {
  TMessageWriter w(PlanKind);
  w.I64(static_cast<std::int64_t>(std::llround(plan.RateHz * 1000)));
  w.I64(plan.Ticks).I32(plan.ReportMs);
  w.I32(static_cast<std::int32_t>(plan.Modules.size()));
  for (const TRunModule& m : plan.Modules) {
    w.Text(m.Library).Text(m.Label);
    w.I32(static_cast<std::int32_t>(m.Outputs.size()));
    for (const std::string& o : m.Outputs)
      w.Text(o);
    w.I32(static_cast<std::int32_t>(m.Inputs.size()));
    for (const TRunInput& in : m.Inputs)
      w.Text(in.Name).I32(in.FromModule).I32(in.FromOutput).Text(in.Constant);
  }
  w.I32(static_cast<std::int32_t>(plan.Watch.size()));
  for (const TRunWatch& watch : plan.Watch)
    w.I32(watch.Module).I32(watch.Output);
  return w;
}

bool DecodePlan(TMessageReader& r, TRunPlan& plan) {
  if (r.Kind() != PlanKind)
    return false;
  plan = {};
  const std::int64_t milliHz = r.I64();
  plan.RateHz = static_cast<double>(milliHz) / 1000;
  plan.Ticks = r.I64();
  plan.ReportMs = r.I32();
  if (milliHz < 0 || plan.Ticks < 0 || plan.ReportMs < 0)
    return false;
  const std::uint32_t modules = r.Count(16);
  for (std::uint32_t i = 0; i < modules && r.Ok(); ++i) {
    TRunModule m;
    m.Library = r.Text();
    m.Label = r.Text();
    for (std::uint32_t k = 0, n = r.Count(4); k < n && r.Ok(); ++k)
      m.Outputs.push_back(r.Text());
    for (std::uint32_t k = 0, n = r.Count(16); k < n && r.Ok(); ++k) {
      TRunInput in;
      in.Name = r.Text();
      in.FromModule = r.I32();
      in.FromOutput = r.I32();
      in.Constant = r.Text();
      // A module is fed only by modules before it, through outputs they have.
      if (in.FromModule != -1 &&
          (in.FromModule < 0 || in.FromModule >= static_cast<std::int32_t>(i) ||
           in.FromOutput < 0 ||
           in.FromOutput >= static_cast<std::int32_t>(plan.Modules[in.FromModule].Outputs.size())))
        return false;
      m.Inputs.push_back(std::move(in));
    }
    plan.Modules.push_back(std::move(m));
  }
  for (std::uint32_t k = 0, n = r.Count(8); k < n && r.Ok(); ++k) {
    TRunWatch watch{r.I32(), r.I32()};
    if (watch.Module < 0 || watch.Module >= static_cast<std::int32_t>(plan.Modules.size()) ||
        watch.Output < 0 ||
        watch.Output >= static_cast<std::int32_t>(plan.Modules[watch.Module].Outputs.size()))
      return false;
    plan.Watch.push_back(watch);
  }
  return r.Ok() && r.AtEnd();
}

std::int64_t MonotonicNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::string EscapeValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string UnescapeValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char e = text[++i];
      out += e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    } else {
      out += text[i];
    }
  }
  return out;
}
