#include "plugins/unHostProtocol.h"

#include "platform/unLanguage.h"

#include "platform/unStrings.h"

#include "plugins/unCondition.h"

#include <cmath>
#include <cstring>

namespace {

// A text field holding UTF-16 code units; an odd byte count fails the reader.
bool ReadU16(TMessageReader& reader, std::u16string& out) {
  const std::string bytes = reader.Text();
  if (bytes.size() % 2)
    return false;
  out.resize(bytes.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return true;
}

void WriteU16(TMessageWriter& writer, const std::u16string& text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xff));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  writer.Text(bytes);
}

std::u16string* InfoFields(TComponentInfo& info, std::size_t i) {
  std::u16string* const fields[] = {&info.Name,   &info.Title,     &info.Description,
                                    &info.Author, &info.Copyright, &info.HomePage};
  return fields[i];
}

} // namespace

TMessageWriter Encode(const THelloMessage& message) {
  return std::move(TMessageWriter(THostKind::Hello).I32(message.Version));
}

bool Decode(TMessageReader& r, THelloMessage& message) {
  if (r.HostKind() != THostKind::Hello)
    return false;
  message.Version = r.I32();
  return r.Ok() && r.AtEnd();
}

std::string RefusedHello(const std::string& payload) {
  TMessageReader r(payload);
  THelloMessage hello;
  if (!Decode(r, hello))
    return Say("другая сторона не представилась: это не процесс компонентов этой версии");
  if (hello.Version != HostProtocolVersion)
    return Say("другая версия протокола компонентов (%d, нужна %d)",
               {hello.Version, HostProtocolVersion});
  return {};
}

TMessageWriter Encode(const TStopMessage&) {
  return TMessageWriter(THostKind::Stop);
}

bool Decode(TMessageReader& r, TStopMessage&) {
  return r.HostKind() == THostKind::Stop && r.AtEnd();
}

TMessageWriter Encode(const TRateMessage& message) {
  return std::move(TMessageWriter(THostKind::Rate).I64(message.MicroHz));
}

bool Decode(TMessageReader& r, TRateMessage& message) {
  if (r.HostKind() != THostKind::Rate)
    return false;
  message.MicroHz = r.I64();
  return r.Ok() && r.AtEnd() && message.MicroHz >= 0;
}

TMessageWriter Encode(const TControlMessage& message) {
  return std::move(TMessageWriter(THostKind::Control).U8(message.Action));
}

bool Decode(TMessageReader& r, TControlMessage& message) {
  if (r.HostKind() != THostKind::Control)
    return false;
  const std::uint8_t action = r.U8();
  message.Action = static_cast<TControlMessage::TAction>(action);
  return r.Ok() && r.AtEnd() && action >= TControlMessage::Pause && action <= TControlMessage::Step;
}

TMessageWriter Encode(const TPausedMessage& message) {
  return std::move(TMessageWriter(THostKind::Paused).I64(message.Tick).I32(message.Break));
}

bool Decode(TMessageReader& r, TPausedMessage& message) {
  if (r.HostKind() != THostKind::Paused)
    return false;
  message.Tick = r.I64();
  message.Break = r.I32();
  return r.Ok() && r.AtEnd() && message.Tick >= 0 && message.Break >= -1;
}

TMessageWriter Encode(const TStatsMessage& message) {
  TMessageWriter w(THostKind::Stats);
  w.I64(message.Ticks).I64(message.ElapsedNs).I64(message.Paced).I64(message.Late);
  w.I64(message.P50Ns).I64(message.P99Ns).I64(message.MaxNs);
  return w;
}

bool Decode(TMessageReader& r, TStatsMessage& message) {
  if (r.HostKind() != THostKind::Stats)
    return false;
  message = {r.I64(), r.I64(), r.I64(), r.I64(), r.I64(), r.I64(), r.I64()};
  return r.Ok() && r.AtEnd() && message.Ticks >= 0 && message.ElapsedNs >= 0 &&
         message.Paced >= 0 && message.Late >= 0 && message.Late <= message.Paced &&
         message.P50Ns >= 0 && message.P99Ns >= message.P50Ns && message.MaxNs >= message.P99Ns;
}

TMessageWriter Encode(const TReadyMessage& message) {
  return std::move(TMessageWriter(THostKind::Ready).I32(message.Modules));
}

bool Decode(TMessageReader& r, TReadyMessage& message) {
  if (r.HostKind() != THostKind::Ready)
    return false;
  message.Modules = r.I32();
  return r.Ok() && r.AtEnd();
}

TMessageWriter Encode(const TValuesMessage& message) {
  TMessageWriter w(THostKind::Values);
  w.I64(message.Tick).I32(static_cast<std::int32_t>(message.Values.size()));
  for (const TValuesMessage::TValue& v : message.Values)
    w.I32(v.Module).I32(v.Output).Text(v.Text);
  return w;
}

bool Decode(TMessageReader& r, TValuesMessage& message) {
  if (r.HostKind() != THostKind::Values)
    return false;
  message = {};
  message.Tick = r.I64();
  for (std::uint32_t k = 0, n = r.Count(12); k < n && r.Ok(); ++k) {
    TValuesMessage::TValue v;
    v.Module = r.I32();
    v.Output = r.I32();
    v.Text = ValidUtf8(r.Text());
    message.Values.push_back(std::move(v));
  }
  return r.Ok() && r.AtEnd();
}

TMessageWriter Encode(const TRowMessage& message) {
  TMessageWriter w(THostKind::Row);
  w.I64(message.Tick).I32(static_cast<std::int32_t>(message.Values.size()));
  for (const std::string& v : message.Values)
    w.Text(v);
  return w;
}

bool Decode(TMessageReader& r, TRowMessage& message) {
  if (r.HostKind() != THostKind::Row)
    return false;
  message = {};
  message.Tick = r.I64();
  for (std::uint32_t k = 0, n = r.Count(4); k < n && r.Ok(); ++k)
    message.Values.push_back(ValidUtf8(r.Text()));
  return r.Ok() && r.AtEnd();
}

TMessageWriter Encode(const TErrorMessage& message) {
  return std::move(
      TMessageWriter(THostKind::Error).I32(message.Module).I64(message.Tick).Text(message.Text));
}

bool Decode(TMessageReader& r, TErrorMessage& message) {
  if (r.HostKind() != THostKind::Error)
    return false;
  message.Module = r.I32();
  message.Tick = r.I64();
  message.Text = ValidUtf8(r.Text());
  return r.Ok() && r.AtEnd();
}

TMessageWriter Encode(const TLogMessage& message) {
  return std::move(
      TMessageWriter(THostKind::Log).I32(message.Module).I32(message.Type).Text(message.Text));
}

bool Decode(TMessageReader& r, TLogMessage& message) {
  if (r.HostKind() != THostKind::Log)
    return false;
  message.Module = r.I32();
  message.Type = r.I32();
  message.Text = ValidUtf8(r.Text());
  return r.Ok() && r.AtEnd() && message.Type >= 1 && message.Type <= 3;
}

TMessageWriter Encode(const TEndMessage& message) {
  return std::move(TMessageWriter(THostKind::End).I64(message.Ticks));
}

bool Decode(TMessageReader& r, TEndMessage& message) {
  if (r.HostKind() != THostKind::End)
    return false;
  message.Ticks = r.I64();
  return r.Ok() && r.AtEnd();
}

TMessageWriter Encode(const TComponentAnswer& answer) {
  TMessageWriter w(THostKind::Described);
  w.U8(answer.Ok).Text(answer.Cause);
  TComponentInfo info = answer.Info;
  for (std::size_t i = 0; i < 6; ++i)
    WriteU16(w, *InfoFields(info, i));
  w.I32(answer.Version.Major).I32(answer.Version.Minor).I32(answer.Version.Release);
  w.I32(answer.Version.Build);
  w.U8(static_cast<std::uint8_t>(answer.HasRun | answer.HasLoad << 1 | answer.HasUnLoad << 2 |
                                 answer.Executes << 3));
  WriteU16(w, answer.ParamIn);
  WriteU16(w, answer.ParamOut);
  w.Text(answer.Category);
  w.I32(static_cast<std::int32_t>(answer.Log.size()));
  for (const THostLogEntry& entry : answer.Log)
    w.U8(static_cast<std::uint8_t>(entry.Type)).Text(entry.Text);
  return w;
}

bool Decode(TMessageReader& r, TComponentAnswer& answer) {
  if (r.HostKind() != THostKind::Described)
    return false;
  answer = {};
  answer.Ok = r.U8() != 0;
  answer.Cause = r.Text();
  bool good = true;
  for (std::size_t i = 0; i < 6; ++i)
    good = ReadU16(r, *InfoFields(answer.Info, i)) && good;
  answer.Version = {r.I32(), r.I32(), r.I32(), r.I32()};
  const std::uint8_t flags = r.U8();
  answer.HasRun = flags & 1;
  answer.HasLoad = flags & 2;
  answer.HasUnLoad = flags & 4;
  answer.Executes = flags & 8;
  good = ReadU16(r, answer.ParamIn) && ReadU16(r, answer.ParamOut) && good;
  answer.Category = ShownText(ValidUtf8(r.Text()), MaxCategoryBytes);
  const std::uint32_t entries = r.Count(5);
  for (std::uint32_t i = 0; i < entries && r.Ok(); ++i) {
    const std::uint8_t type = r.U8();
    std::string text = r.Text();
    if (type > ltInformation)
      return false;
    answer.Log.push_back({static_cast<TLogTypeMessage>(type), ValidUtf8(text)});
  }
  answer.Cause = ValidUtf8(answer.Cause);
  return good && r.Ok() && r.AtEnd();
}

TMessageWriter Encode(const TRunPlan& plan) {
  TMessageWriter w(THostKind::Plan);
  w.I64(static_cast<std::int64_t>(std::llround(plan.RateHz * 1e6)));
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
    w.U8(m.Numeric ? 1 : 0);
    if (m.Numeric)
      for (const std::uint8_t kind : m.OutputKinds)
        w.U8(kind);
  }
  w.I32(static_cast<std::int32_t>(plan.Watch.size()));
  for (const TRunWatch& watch : plan.Watch)
    w.I32(watch.Module).I32(watch.Output);
  w.I32(static_cast<std::int32_t>(plan.Breaks.size()));
  for (const TRunBreak& b : plan.Breaks) {
    w.I32(static_cast<std::int32_t>(b.Terms.size()));
    for (const TRunTerm& t : b.Terms) {
      std::int64_t bits = 0;
      static_assert(sizeof bits == sizeof t.Number);
      std::memcpy(&bits, &t.Number, sizeof bits);
      w.I32(t.Module).I32(t.Output).Text(t.Constant).U8(static_cast<std::uint8_t>(t.Op));
      w.I64(bits).U8(t.And ? 1 : 0);
    }
  }
  return w;
}

bool Decode(TMessageReader& r, TRunPlan& plan) {
  if (r.HostKind() != THostKind::Plan)
    return false;
  plan = {};
  const std::int64_t microHz = r.I64();
  plan.RateHz = static_cast<double>(microHz) / 1e6;
  plan.Ticks = r.I64();
  plan.ReportMs = r.I32();
  if (microHz < 0 || plan.Ticks < 0 || plan.ReportMs < 0)
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
    m.Numeric = r.U8() != 0;
    for (std::size_t k = 0; m.Numeric && k < m.Outputs.size() && r.Ok(); ++k) {
      m.OutputKinds.push_back(r.U8());
      if (m.OutputKinds.back() > rkBool)
        return false;
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
  for (std::uint32_t k = 0, n = r.Count(4); k < n && r.Ok(); ++k) {
    TRunBreak b;
    for (std::uint32_t t = 0, terms = r.Count(22); t < terms && r.Ok(); ++t) {
      TRunTerm term;
      term.Module = r.I32();
      term.Output = r.I32();
      term.Constant = r.Text();
      term.Op = r.U8();
      const std::int64_t bits = r.I64();
      std::memcpy(&term.Number, &bits, sizeof bits);
      const std::uint8_t joined = r.U8();
      term.And = joined == 1;
      const bool named =
          term.Module >= 0 && term.Module < static_cast<std::int32_t>(plan.Modules.size()) &&
          term.Output >= 0 &&
          term.Output < static_cast<std::int32_t>(plan.Modules[term.Module].Outputs.size());
      if ((term.Module != -1 && !named) || term.Op > static_cast<int>(TCompareOp::NotEqual) ||
          joined > 1)
        return false;
      b.Terms.push_back(std::move(term));
    }
    plan.Breaks.push_back(std::move(b));
  }
  return r.Ok() && r.AtEnd();
}
