#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unProject.h"
#include "platform/unIntText.h"
#include "platform/unStrings.h"
#include "xml/unXml.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <tinyxml2.h>

namespace {

void Describe(IModule& m, int i) {
  const std::u16string n = IntToText(i);
  m.SetName(u"Модуль " + n);
  m.SetDescription(u"Описание " + n + u" & <x>");
  m.SetType(u"/opt/zu/libcomp" + IntToText(i % 7) + u".so");
  m.SetPosition({100 + i % 1500, 80 + (i / 1500) * 30});
  m.SetHeight(60 + i % 40);
  m.SetWidth(90 + i % 30);
  m.SetFocused(ToWordBool(i % 97 == 0));
}

// A project with `count` first-level modules, or, when nested, three levels of `count` modules
// in all (each first-level module has children, each child has children).
std::unique_ptr<TProject> MakeProject(int count, bool nested) {
  auto project = std::make_unique<TProject>(nullptr, TAddToLog(), u"", u"Проект");
  auto top = project->GetMainModules();
  if (!nested) {
    for (int i = 0; i < count; ++i)
      Describe(*top->AddNew(), i);
    return project;
  }
  int k = 1;
  while ((k + 1) + (k + 1) * (k + 1) + (k + 1) * (k + 1) * (k + 1) <= count)
    ++k;
  int i = 0;
  for (int a = 0; a < k; ++a) {
    auto first = top->AddNew();
    Describe(*first, i++);
    for (int b = 0; b < k; ++b) {
      auto second = first->GetModules()->AddNew();
      Describe(*second, i++);
      for (int c = 0; c < k; ++c)
        Describe(*second->GetModules()->AddNew(), i++);
    }
  }
  return project;
}

// The project's file bytes, as TProject.Save writes them; generated once per shape.
const std::string& ProjectBytes(int count, bool nested = false) {
  static std::map<std::pair<int, bool>, std::string> cache;
  auto key = std::make_pair(count, nested);
  auto it = cache.find(key);
  if (it != cache.end())
    return it->second;
  auto project = MakeProject(count, nested);
  const auto file = std::filesystem::temp_directory_path() / "zu-bench-project.xml";
  project->Save(Utf8ToUtf16(file.string()));
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(file);
  return cache.emplace(key, std::move(bytes)).first->second;
}

void SetBytes(benchmark::State& state, const std::string& bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}

// Parses the bytes into a fresh document on every iteration.
void LoadRepeatedly(benchmark::State& state, const std::string& bytes) {
  for (auto _ : state) {
    TKvenXmlDocument1 doc;
    if (!doc.LoadXmlBytes(bytes))
      state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(doc.GetRoot());
  }
  SetBytes(state, bytes);
}

void BM_LoadXml(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(static_cast<int>(state.range(0)));
  LoadRepeatedly(state, bytes);
}
BENCHMARK(BM_LoadXml)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// LoadXml alone: freeing each tree is left out of the time, as for BM_PugixmlLoadOnly.
void BM_LoadXmlOnly(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(10000);
  for (auto _ : state) {
    auto doc = std::make_unique<TKvenXmlDocument1>();
    if (!doc->LoadXmlBytes(bytes))
      state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(doc->GetRoot());
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  SetBytes(state, bytes);
}
BENCHMARK(BM_LoadXmlOnly)->Unit(benchmark::kMillisecond);

void BM_LoadXmlNested(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(10000, true);
  LoadRepeatedly(state, bytes);
}
BENCHMARK(BM_LoadXmlNested)->Unit(benchmark::kMillisecond);

// The same text without a single entity: every value is taken in one piece.
void BM_LoadXmlWithoutEntities(benchmark::State& state) {
  std::string bytes = ProjectBytes(10000);
  for (std::size_t p = bytes.find("&amp;"); p != std::string::npos; p = bytes.find("&amp;", p))
    bytes.replace(p, 5, "and");
  LoadRepeatedly(state, bytes);
}
BENCHMARK(BM_LoadXmlWithoutEntities)->Unit(benchmark::kMillisecond);

void BM_GetXml(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(static_cast<int>(state.range(0)));
  TKvenXmlDocument1 doc;
  doc.LoadXmlBytes(bytes);
  for (auto _ : state)
    benchmark::DoNotOptimize(doc.GetXml());
  SetBytes(state, bytes);
}
BENCHMARK(BM_GetXml)->Arg(10000)->Unit(benchmark::kMillisecond);

// The tree to Windows-1251 text, as a file is written.
void BM_GetXmlBytes(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(static_cast<int>(state.range(0)));
  TKvenXmlDocument1 doc;
  doc.LoadXmlBytes(bytes);
  for (auto _ : state) {
    TByteBuffer out = doc.GetXmlBytes();
    if (out.size() + 2 != bytes.size())
      state.SkipWithError("text differs from the file");
    benchmark::DoNotOptimize(out);
  }
  SetBytes(state, bytes);
}
BENCHMARK(BM_GetXmlBytes)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// pugixml refuses the "<? xml" line (a space after "<?"), so it gets the text from the root on,
// some fifty bytes less.
std::string_view FromRoot(const std::string& bytes) {
  return std::string_view(bytes).substr(bytes.find('<', 2));
}

void BM_PugixmlLoad(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(static_cast<int>(state.range(0)));
  const std::string_view root = FromRoot(bytes);
  for (auto _ : state) {
    pugi::xml_document doc;
    pugi::xml_parse_result r = doc.load_buffer(root.data(), root.size());
    if (!r)
      state.SkipWithError("pugixml parse failed");
    benchmark::DoNotOptimize(doc.first_child());
  }
  SetBytes(state, bytes);
}
BENCHMARK(BM_PugixmlLoad)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_PugixmlLoadOnly(benchmark::State& state) {
  const std::string_view root = FromRoot(ProjectBytes(10000));
  for (auto _ : state) {
    auto doc = std::make_unique<pugi::xml_document>();
    if (!doc->load_buffer(root.data(), root.size()))
      state.SkipWithError("pugixml parse failed");
    benchmark::DoNotOptimize(doc->first_child());
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  SetBytes(state, ProjectBytes(10000));
}
BENCHMARK(BM_PugixmlLoadOnly)->Unit(benchmark::kMillisecond);

void BM_PugixmlSave(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(static_cast<int>(state.range(0)));
  pugi::xml_document doc;
  doc.load_buffer(FromRoot(bytes).data(), FromRoot(bytes).size());
  struct TWriter : pugi::xml_writer {
    void write(const void* data, size_t size) override {
      Out.append(static_cast<const char*>(data), size);
    }
    std::string Out;
  };
  for (auto _ : state) {
    TWriter writer;
    writer.Out.reserve(bytes.size());
    doc.save(writer, "  ");
    benchmark::DoNotOptimize(writer.Out);
  }
  SetBytes(state, bytes);
}
BENCHMARK(BM_PugixmlSave)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Tinyxml2Parse(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    tinyxml2::XMLDocument doc;
    if (doc.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS)
      state.SkipWithError("tinyxml2 parse failed");
    benchmark::DoNotOptimize(doc.RootElement());
  }
  SetBytes(state, bytes);
}
BENCHMARK(BM_Tinyxml2Parse)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Tinyxml2Print(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(static_cast<int>(state.range(0)));
  tinyxml2::XMLDocument doc;
  doc.Parse(bytes.data(), bytes.size());
  for (auto _ : state) {
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    benchmark::DoNotOptimize(printer.CStr());
  }
  SetBytes(state, bytes);
}
BENCHMARK(BM_Tinyxml2Print)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ProjectLoad(benchmark::State& state) {
  const std::string& bytes = ProjectBytes(10000);
  const auto file = std::filesystem::temp_directory_path() / "zu-bench-load.xml";
  std::ofstream(file, std::ios::binary) << bytes;
  const std::u16string name = Utf8ToUtf16(file.string());
  for (auto _ : state) {
    TProject project(nullptr, TAddToLog(), u"", u"");
    if (!project.Load(name) || project.GetMainModules()->Count() != 10000)
      state.SkipWithError("load failed");
  }
  std::filesystem::remove(file);
  SetBytes(state, bytes);
}
BENCHMARK(BM_ProjectLoad)->Unit(benchmark::kMillisecond);

void BM_ProjectSave(benchmark::State& state) {
  auto project = MakeProject(10000, false);
  const auto file = std::filesystem::temp_directory_path() / "zu-bench-save.xml";
  const std::u16string name = Utf8ToUtf16(file.string());
  for (auto _ : state)
    if (!project->Save(name))
      state.SkipWithError("save failed");
  SetBytes(state, ProjectBytes(10000));
  std::filesystem::remove(file);
}
BENCHMARK(BM_ProjectSave)->Unit(benchmark::kMillisecond);

// The same project with 10 000 links, each module's output to the next one's input.
std::unique_ptr<TProject> MakeLinkedProject() {
  auto project = MakeProject(10000, false);
  auto modules = project->GetMainModules();
  for (int i = 0; i < 10000; ++i) {
    auto link = std::make_shared<TLink>();
    link->From = modules->GetItem(i);
    link->Output = u"Sum";
    link->To = modules->GetItem((i + 1) % 10000);
    link->Input = u"A";
    modules->GetLinks().Add(link);
  }
  return project;
}

void BM_ProjectLoadLinked(benchmark::State& state) {
  const auto file = std::filesystem::temp_directory_path() / "zu-bench-load-linked.xml";
  const std::u16string name = Utf8ToUtf16(file.string());
  MakeLinkedProject()->Save(name);
  for (auto _ : state) {
    TProject project(nullptr, TAddToLog(), u"", u"");
    if (!project.Load(name) || project.GetMainModules()->GetLinks().Count() != 10000)
      state.SkipWithError("load failed");
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_ProjectLoadLinked)->Unit(benchmark::kMillisecond);

void BM_ProjectSaveLinked(benchmark::State& state) {
  auto project = MakeLinkedProject();
  const auto file = std::filesystem::temp_directory_path() / "zu-bench-save-linked.xml";
  const std::u16string name = Utf8ToUtf16(file.string());
  for (auto _ : state)
    if (!project->Save(name))
      state.SkipWithError("save failed");
  std::filesystem::remove(file);
}
BENCHMARK(BM_ProjectSaveLinked)->Unit(benchmark::kMillisecond);

// The linked project's text parsed alone: how much of the links' share the tree itself takes.
void BM_LoadXmlLinked(benchmark::State& state) {
  const auto file = std::filesystem::temp_directory_path() / "zu-bench-linked-bytes.xml";
  MakeLinkedProject()->Save(Utf8ToUtf16(file.string()));
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(file);
  LoadRepeatedly(state, bytes);
}
BENCHMARK(BM_LoadXmlLinked)->Unit(benchmark::kMillisecond);

// The 10 000 links read from a tree parsed beforehand: the model's own share of a linked load.
void BM_LinksFromTree(benchmark::State& state) {
  auto project = MakeLinkedProject();
  TKvenXmlDocument1 doc;
  TKvenXmlNode1* links = doc.GetRoot()->GetChild(u"Links");
  project->GetMainModules()->GetLinks().SaveToXml(links, *project->GetMainModules());
  for (auto _ : state) {
    TLinkList list;
    if (!list.LoadFromXml(links, *project->GetMainModules()) || list.Count() != 10000)
      state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_LinksFromTree)->Unit(benchmark::kMillisecond);

} // namespace
