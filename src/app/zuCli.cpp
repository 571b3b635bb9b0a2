// zu-cli: checks and batch-processes project and XML files without the window.

#include "canvas/unPictureExport.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unNames.h"
#include "model/unParamList.h"
#include "model/unPorts.h"
#include "model/unProject.h"
#include "model/unValueType.h"
#include "platform/unExeFolder.h"
#include "platform/unLanguage.h"
#include "platform/unProgramFolders.h"
#include "platform/unStrings.h"
#include "plugins/unComponentCategory.h"
#include "plugins/unComponentList.h"
#include "plugins/unComponentReport.h"
#include "plugins/unParamAttach.h"
#include "plugins/unProjectRun.h"
#include "plugins/unRunner.h"
#include "xml/unXml.h"

#include <QGuiApplication>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// The program's own standard output, taken before any component is loaded: what a component does
// to descriptor 1 cannot silence or redirect the results.
std::FILE* Out = stdout;

const char* const Usage =
    "Usage: zu-cli COMMAND ...\n"
    "\n"
    "Commands:\n"
    "  project check FILE      load a project file; print its name, the number of modules at\n"
    "                          every depth and the deepest level, the links of every level\n"
    "                          that has some and one line per link that does not resolve\n"
    "                          (exit code 1 then)\n"
    "  project resave IN OUT   load a project file and save it again to OUT\n"
    "  project render FILE OUT [--level PATH]\n"
    "                          draw the project's picture into OUT, a .png or .svg file:\n"
    "                          the main level, or the level PATH names (module names from\n"
    "                          the main module down, joined by '/': \"Main/Filter\")\n"
    "  project run FILE [--ticks N] [--rate HZ] [--watch MODULE.PARAM]... [--csv OUT]\n"
    "                   [--until CONDITION] [--stats] [--components FOLDER]\n"
    "                          run the project's modules in the component host: N ticks\n"
    "                          (default: until interrupted), HZ ticks per second (default 10;\n"
    "                          0: as fast as possible); each watched parameter (MODULE is the\n"
    "                          module's names below the main module joined by '/') is printed,\n"
    "                          one tab-separated row per tick, or written to OUT as CSV; exit\n"
    "                          code 1 with the message when a module failed; the components\n"
    "                          are those of FOLDER (default: the program's folder);\n"
    "                          --until ends the run after the first tick CONDITION holds\n"
    "                          (\"Gen1.Signal > 0.9 and Cmp.Out == true\": comparisons with\n"
    "                          numbers joined by and/or) and prints that tick, exit code 3\n"
    "                          when the run ends without it; --stats tells the ticks, the\n"
    "                          achieved rate and the ticks' lateness (p50, p99, max)\n"
    "  xml roundtrip IN OUT    load any XML file and save it again to OUT\n"
    "  components [FOLDER]     scan FOLDER (default: the program's folder) for plug-in\n"
    "                          components; print each one's report as the components\n"
    "                          browser shows it, by group under \"== GROUP ==\" lines,\n"
    "                          then each skipped file with the reason\n"
    "  --help                  show this text\n"
    "  --version               show the program's version\n"
    "\n"
    "Files are read and written in Windows-1251. Errors go to standard error; the exit code is 0\n"
    "on success, 1 when a file cannot be loaded or saved (or, for components, when a file was\n"
    "skipped), 2 for a wrong command line.\n";

// A text from a component or a file as it is printed: one line of valid UTF-8 whose control
// characters cannot move the terminal's cursor or forge a row or column of the output
// (backslash, tab, line feed, carriage return as "\\", "\t", "\n", "\r", the other control
// characters as "\xNN").
std::string Printable(std::string_view text) {
  const std::string valid = ValidUtf8(text);
  std::string out;
  out.reserve(valid.size());
  for (const char c : valid) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    default:
      if (byte < 0x20 || byte == 0x7f) {
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02x", byte);
        out += code;
      } else {
        out += c;
      }
    }
  }
  return out;
}

std::string Printable(const std::u16string& text) {
  return Printable(Utf16ToUtf8(text));
}

// A command line that cannot be followed: what is wrong, in one line, and where the usage is.
int UsageError(const char* format, const TLogArgs& args = {}) {
  std::fprintf(stderr, "zu-cli: %s\n",
               Printable(Say("%s; see zu-cli --help", {Say(format, args)})).c_str());
  return 2;
}

// Collects the messages of one load or save.
struct TMessages {
  TAddToLog Handler() {
    return [this](TLogGroupMessage, TLogTypeMessage type, const std::string& format,
                  const TLogArgs& args) {
      Lines.push_back(std::string(LogTypeAbbreviation(type, "?")) + " " +
                      FormatLogOrAsIs(format, args));
      return true;
    };
  }
  void Print() const {
    for (const auto& line : Lines)
      std::fprintf(stderr, "%s\n", Printable(line).c_str());
  }
  std::vector<std::string> Lines;
};

int Fail(const char* format, const std::string& file, const TMessages& messages) {
  std::fprintf(stderr, "zu-cli: %s\n", Printable(Say(format, {file})).c_str());
  messages.Print();
  return 1;
}

// The registry scans the folder, or without one the program's component folders (beside the
// program, then the user's own where the program keeps its things in the user's folders).
void UseComponentFolder(TComponentList& registry, const std::string& folder) {
  registry.ProbeProgram = ExeFolder() + "zu-probe";
  if (folder.empty()) {
    const std::vector<std::string> folders = ProgramFolders().Components;
    registry.Path = folders.front();
    registry.MorePaths.assign(folders.begin() + 1, folders.end());
  } else {
    registry.Path = folder.ends_with('/') ? folder : folder + "/";
  }
}

// Links name parameters: the components of the folder tell which there are, and the modules
// get their lists.
void AttachProgramComponents(TProject& project, TComponentList& registry,
                             const std::string& folder = {}) {
  UseComponentFolder(registry, folder);
  // The editor's cache of a user's own folders: both ask each file once.
  registry.CacheFile = DefaultComponentCacheFile();
  registry.Refresh();
  if (auto modules = project.GetMainModules())
    AttachParameters(*modules, &registry);
}

// Why the link of the list does not resolve, or empty when it does.
std::string Unresolved(const TLink& link, const IModuleList& list) {
  auto module = [&](const std::shared_ptr<IModule>& m) {
    return "module " + std::to_string(list.IndexOf(m)) + " (" + Utf16ToUtf8(m->GetName()) + ")";
  };
  if (!link.From)
    return "no module \"" + Utf16ToUtf8(link.FromText) + "\" at the output's end";
  if (!link.To)
    return "no module \"" + Utf16ToUtf8(link.ToText) + "\" at the input's end";
  if (ParamIndex(*link.From, true, link.Output) < 0)
    return "no output \"" + Utf16ToUtf8(link.Output) + "\" on " + module(link.From);
  if (ParamIndex(*link.To, false, link.Input) < 0)
    return "no input \"" + Utf16ToUtf8(link.Input) + "\" on " + module(link.To);
  return {};
}

int CheckProject(const std::string& file) {
  TMessages messages;
  TComponentList registry;
  TProject project(&registry, messages.Handler(), u"", u"");
  if (!project.Load(Utf8ToUtf16(file)))
    return Fail("cannot load the project \"%s\"", file, messages);
  std::fprintf(Out, "Project: %s\n", Printable(project.GetName()).c_str());
  // Breadth first, one level at a time, so that deep trees need no deep recursion. Each list is
  // named by the path of the modules that hold it.
  struct TLevel {
    std::shared_ptr<IModuleList> List;
    std::string Path;
  };
  std::vector<std::int64_t> perLevel;
  std::vector<TLevel> linked, all;
  std::int64_t ports = 0;
  std::vector<TLevel> level{{project.GetMainModules(), "Main"}};
  while (!level.empty()) {
    std::vector<TLevel> next;
    std::int64_t count = 0;
    for (const auto& [list, path] : level) {
      if (!list)
        continue;
      if (list->GetLinks().Count() > 0)
        linked.push_back({list, path});
      all.push_back({list, path});
      for (std::int32_t i = 0; i < list->Count(); ++i) {
        ++count;
        if (IsPort(*list->GetItem(i)))
          ++ports;
        next.push_back({list->GetItem(i)->GetModules(),
                        path + " ▸ " + Utf16ToUtf8(list->GetItem(i)->GetName())});
      }
    }
    if (count == 0)
      break;
    perLevel.push_back(count);
    level = std::move(next);
  }
  std::int64_t total = 0;
  for (std::size_t i = 0; i < perLevel.size(); ++i) {
    std::fprintf(Out, "Depth %zu: %lld module(s)\n", i + 1, static_cast<long long>(perLevel[i]));
    total += perLevel[i];
  }
  std::fprintf(Out, "Modules: %lld\n", static_cast<long long>(total));
  std::fprintf(Out, "Deepest level: %zu\n", perLevel.size());
  std::fprintf(Out, "Ports: %lld\n", static_cast<long long>(ports));
  // Names, values and links read with the components beside the program: they give the types.
  AttachProgramComponents(project, registry);
  int faults = 0;
  for (const auto& [list, path] : all) {
    for (const auto& group : DuplicateNames(*list)) {
      std::string indices;
      for (const std::int32_t i : group)
        indices += (indices.empty() ? "" : ", ") + std::to_string(i);
      std::fprintf(Out, "Name \"%s\" of %s: modules %s\n",
                   Printable(list->GetItem(group.front())->GetName()).c_str(),
                   Printable(path).c_str(), indices.c_str());
      ++faults;
    }
    for (std::int32_t i = 0; i < list->Count(); ++i) {
      const auto module = list->GetItem(i);
      for (const TInputValue& typed : module->GetInputValues()) {
        const auto* params = dynamic_cast<const TParamList*>(module->GetParamIn().get());
        for (std::int32_t k = 0; params && k < params->Count(); ++k)
          if (const TParam* param = params->Get(k); param && param->Name == typed.Name)
            if (const std::string why = ValueProblem(*param, typed.Value); !why.empty()) {
              std::fprintf(Out, "Value of input \"%s\" of %s ▸ %s: %s\n",
                           Printable(typed.Name).c_str(), Printable(path).c_str(),
                           Printable(module->GetName()).c_str(), Printable(why).c_str());
              ++faults;
            }
      }
      // A watch of an output the module's component does not have watches nothing.
      const auto* outputs = dynamic_cast<const TParamList*>(module->GetParamOut().get());
      for (const TWatch& watch : module->GetWatches()) {
        bool known = false;
        for (std::int32_t k = 0; outputs && k < outputs->Count(); ++k)
          known = known || (outputs->Get(k) && outputs->Get(k)->Name == watch.Output);
        if (outputs && !known) {
          std::fprintf(Out, "Watch of %s ▸ %s: no output \"%s\"\n", Printable(path).c_str(),
                       Printable(module->GetName()).c_str(), Printable(watch.Output).c_str());
          ++faults;
        }
      }
    }
  }
  for (const std::u16string& condition : project.GetBreaks()) {
    TCondition read;
    std::string why;
    if (!ParseCondition(Utf16ToUtf8(condition), read, why)) {
      std::fprintf(Out, "Break condition \"%s\": %s\n", Printable(condition).c_str(),
                   Printable(why).c_str());
      ++faults;
    }
  }
  int unresolved = 0;
  for (const auto& [list, path] : linked) {
    const TLinkList& links = list->GetLinks();
    std::fprintf(Out, "Links of %s: %d\n", Printable(path).c_str(), links.Count());
    // Links no edit could make (a file written by hand) are named as a run would refuse them.
    const std::vector<std::shared_ptr<TLink>>& every = links.All();
    std::map<std::size_t, std::string> unlawful;
    for (const TLinkFaultAt& fault : UnlawfulLinks(every)) {
      const TLink& link = *every[fault.Index];
      const std::string to = "module " + std::to_string(list->IndexOf(link.To)) + " (" +
                             Utf16ToUtf8(link.To->GetName()) + ")";
      unlawful[fault.Index] =
          fault.Fault == TLinkFault::SelfLink ? "links " + to + " to itself"
          : fault.Fault == TLinkFault::InputTaken
              ? "is a second link into input \"" + Utf16ToUtf8(link.Input) + "\" of " + to
              : "closes a cycle through " + to;
    }
    for (std::int32_t i = 0; i < links.Count(); ++i) {
      const auto found = unlawful.find(static_cast<std::size_t>(i));
      const std::string why =
          found != unlawful.end() ? found->second : Unresolved(*links.Get(i), *list);
      if (why.empty())
        continue;
      std::fprintf(Out, "Link %d of %s: %s\n", i, Printable(path).c_str(), Printable(why).c_str());
      ++unresolved;
    }
  }
  return unresolved == 0 && faults == 0 ? 0 : 1;
}

int ResaveProject(const std::string& in, const std::string& out) {
  TMessages messages;
  TProject project(nullptr, messages.Handler(), u"", u"");
  if (!project.Load(Utf8ToUtf16(in)))
    return Fail("cannot load the project \"%s\"", in, messages);
  if (!project.Save(Utf8ToUtf16(out)))
    return Fail("cannot save the project to \"%s\"", out, messages);
  return 0;
}

// The list of modules the path names: names of modules joined by '/', from the main level down
// (the main module's own name may lead); null when a step names no module.
std::shared_ptr<IModuleList> LevelOf(const TProject& project, const std::string& path) {
  auto level = project.GetMainModules();
  std::vector<std::u16string> steps;
  for (std::size_t from = 0; from <= path.size();) {
    const std::size_t slash = std::min(path.find('/', from), path.size());
    if (slash > from)
      steps.push_back(Utf8ToUtf16(path.substr(from, slash - from)));
    from = slash + 1;
  }
  auto main = project.GetMainModule();
  std::size_t first = 0;
  if (!steps.empty() && main && steps[0] == main->GetName())
    first = 1;
  for (std::size_t i = first; level && i < steps.size(); ++i) {
    std::shared_ptr<IModuleList> next;
    for (std::int32_t k = 0; k < level->Count(); ++k)
      if (level->GetItem(k)->GetName() == steps[i]) {
        next = level->GetItem(k)->GetModules();
        break;
      }
    level = next;
  }
  return level;
}

int RenderProject(int argc, char** argv, const std::string& in, const std::string& out,
                  const std::string* levelPath = nullptr) {
  TMessages messages;
  TComponentList registry;
  TProject project(&registry, messages.Handler(), u"", u"");
  if (!project.Load(Utf8ToUtf16(in)))
    return Fail("cannot load the project \"%s\"", in, messages);
  // Marks, and the links between them, are drawn as the editor draws them: with the parameters
  // of the components beside the program.
  AttachProgramComponents(project, registry);
  // Drawing needs the toolkit, not a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  std::shared_ptr<IModuleList> level = project.GetMainModules();
  if (levelPath && !(level = LevelOf(project, *levelPath))) {
    std::fprintf(stderr, "zu-cli: %s\n",
                 Printable(Say("no level %s in %s", {*levelPath, in})).c_str());
    return 1;
  }
  QGuiApplication app(argc, argv);
  QString reason;
  if (!ExportLevelPicture(project, level.get(), QString::fromStdString(out), &reason)) {
    std::fprintf(stderr, "zu-cli: %s\n", Printable(reason.toStdString()).c_str());
    return 1;
  }
  return 0;
}

int RoundTripXml(const std::string& in, const std::string& out) {
  TMessages messages;
  TKvenXmlDocument1 document(u"", messages.Handler());
  if (!document.LoadFromFile(Utf8ToUtf16(in)))
    return Fail("cannot load the XML file \"%s\"", in, messages);
  if (!document.SaveToFile(Utf8ToUtf16(out)))
    return Fail("cannot save the XML file to \"%s\"", out, messages);
  return 0;
}

int ListComponents(const std::string& folder) {
  // A folder named that is not there, or cannot be read, is said so, not listed as empty.
  if (!folder.empty()) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
      std::fprintf(stderr, "zu-cli: %s\n",
                   Printable(Say("cannot read the folder \"%s\": %s",
                                 {folder, std::string(std::strerror(errno))}))
                       .c_str());
      return 1;
    }
    closedir(dir);
  }
  TComponentList registry;
  UseComponentFolder(registry, folder);
  registry.CacheFile = DefaultComponentCacheFile();
  registry.Refresh();
  // By group, each group under its title.
  bool first = true;
  for (const TComponentGroup& group : ComponentGroups(&registry)) {
    std::fprintf(Out, "%s== %s ==\n", first ? "" : "\n", Printable(group.Title).c_str());
    first = false;
    for (const IComponent* c : group.Components)
      for (const std::u16string& line : ComponentReport(*c))
        std::fprintf(Out, "%s\n", Printable(line).c_str());
  }
  for (const auto& skipped : registry.GetSkipped())
    std::fprintf(Out, "Skipped %s: %s\n", Printable(skipped.File).c_str(),
                 Printable(skipped.Cause).c_str());
  return registry.GetSkipped().empty() ? 0 : 1;
}

volatile std::sig_atomic_t Interrupted = 0;

// One column of the watched values: an output of a module of the plan, or a typed value.
struct TColumn {
  std::string Name;
  std::int32_t Watch = -1; // index in the plan's watch list; -1: Constant
  std::string Constant;
};

// Finds MODULE.PARAM in the planned run; false with the reason.
bool WatchColumn(const std::string& watched, TProjectRun& run, TColumn& column, std::string& why) {
  const std::size_t dot = watched.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == watched.size()) {
    why = "--watch takes MODULE.PARAM, not \"" + watched + "\"";
    return false;
  }
  column.Name = watched;
  TProjectRun::TSource source;
  if (!run.ValueOf(watched.substr(0, dot), watched.substr(dot + 1), source, why))
    return false;
  if (source.HasConstant) {
    column.Constant = source.Constant;
    return true;
  }
  column.Watch = static_cast<std::int32_t>(run.Plan.Watch.size());
  run.Plan.Watch.push_back({source.Module, source.Output});
  return true;
}

// The ticks' lateness in milliseconds, for --stats.
std::string Ms(std::int64_t ns) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(ns) / 1e6);
  return text;
}

int RunProject(const std::vector<std::string>& args) {
  // project run FILE [options]
  const std::string file = args[2];
  std::int64_t ticks = 0;
  double rate = 10;
  std::vector<std::string> watched;
  std::string csv, components, until;
  bool stats = false;
  for (std::size_t i = 3; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--stats") {
      stats = true;
      continue;
    }
    const bool known = option == "--ticks" || option == "--rate" || option == "--watch" ||
                       option == "--csv" || option == "--components" || option == "--until";
    if (!known)
      return UsageError("project run has no option \"%s\"", {option});
    if (i + 1 >= args.size())
      return UsageError("%s needs a value", {option});
    const std::string& value = args[++i];
    char* end = nullptr;
    if (option == "--ticks") {
      ticks = std::strtoll(value.c_str(), &end, 10);
      if (value.empty() || *end || ticks < 0)
        return UsageError("--ticks takes a whole number of at least 0, not \"%s\"", {value});
    } else if (option == "--rate") {
      rate = std::strtod(value.c_str(), &end);
      if (value.empty() || *end || !(rate >= 0) || rate > 1e6)
        return UsageError("--rate takes a number from 0 to 1000000, not \"%s\"", {value});
      // The slowest pace the host keeps is one tick in a million seconds.
      if (rate > 0 && rate < 1e-6)
        return UsageError(
            "--rate %s is below the slowest pace, 0.000001 per second (0 runs as fast as possible)",
            {value});
    } else if (option == "--watch") {
      watched.push_back(value);
    } else if (option == "--csv") {
      csv = value;
    } else if (option == "--until") {
      until = value;
    } else {
      components = value;
    }
  }
  TMessages messages;
  TComponentList registry;
  TProject project(&registry, messages.Handler(), u"", u"");
  if (!project.Load(Utf8ToUtf16(file)))
    return Fail("cannot load the project \"%s\"", file, messages);
  AttachProgramComponents(project, registry, components);
  TProjectRun run = PlanProjectRun(project, registry);
  for (const std::string& note : run.Notes)
    std::fprintf(stderr, "zu-cli: %s\n", Printable(note).c_str());
  if (!run.Ok) {
    std::fprintf(stderr, "zu-cli: %s\n", Printable(run.Error).c_str());
    return 1;
  }
  if (!until.empty()) {
    TCondition condition;
    std::string why;
    if (!ParseCondition(until, condition, why))
      return UsageError("--until \"%s\": %s", {until, why});
    if (!run.AddBreak(condition, why)) {
      std::fprintf(stderr, "zu-cli: %s\n", Printable(why).c_str());
      return 2;
    }
  }
  std::vector<TColumn> columns(watched.size());
  for (std::size_t i = 0; i < watched.size(); ++i) {
    std::string why;
    if (!WatchColumn(watched[i], run, columns[i], why)) {
      std::fprintf(stderr, "zu-cli: %s\n", Printable(why).c_str());
      return 2;
    }
  }
  // A row comes with each tick's watched outputs: columns of typed values alone watch an output
  // nobody sees, so that their rows come too.
  if (!columns.empty() && run.Plan.Watch.empty())
    for (std::size_t m = 0; m < run.Plan.Modules.size() && run.Plan.Watch.empty(); ++m)
      if (!run.Plan.Modules[m].Outputs.empty())
        run.Plan.Watch.push_back({static_cast<std::int32_t>(m), 0});
  run.Plan.Ticks = ticks;
  run.Plan.RateHz = rate;
  run.Plan.ReportMs = 1000;
  std::ofstream csvFile;
  // The rows never go over what the run reads.
  if (std::error_code ec; !csv.empty() && std::filesystem::equivalent(csv, file, ec)) {
    std::fprintf(stderr, "zu-cli: %s\n",
                 Printable(Say("--csv \"%s\" is the project itself", {csv})).c_str());
    return 2;
  }
  if (!csv.empty()) {
    csvFile.open(csv, std::ios::binary | std::ios::trunc);
    if (!csvFile) {
      std::fprintf(stderr, "zu-cli: %s\n", Printable(Say("cannot write \"%s\"", {csv})).c_str());
      return 1;
    }
  }
  auto writeRow = [&](const std::vector<std::string>& fields) {
    if (csvFile.is_open()) {
      for (std::size_t i = 0; i < fields.size(); ++i)
        csvFile << (i ? "," : "") << CsvField(fields[i]);
      csvFile << "\r\n";
    } else {
      for (std::size_t i = 0; i < fields.size(); ++i)
        std::fprintf(Out, "%s%s", i ? "\t" : "", Printable(fields[i]).c_str());
      std::fputc('\n', Out);
    }
  };
  if (!columns.empty()) {
    std::vector<std::string> header{"tick"};
    for (const TColumn& c : columns)
      header.push_back(c.Name);
    writeRow(header);
  }
  TRunner runner;
  // What the modules tell goes with the program's own messages.
  runner.OnLog = [](const std::string& module, int, const std::string& text) {
    if (module.empty())
      std::fprintf(stderr, "zu-cli: %s\n", Printable(text).c_str());
    else
      std::fprintf(stderr, "zu-cli: Модуль «%s»: %s\n", Printable(module).c_str(),
                   Printable(text).c_str());
  };
  runner.OnRow = [&](std::int64_t tick, const std::vector<std::string>& row) {
    std::vector<std::string> fields{std::to_string(tick)};
    for (const TColumn& c : columns)
      fields.push_back(c.Watch >= 0 ? row[static_cast<std::size_t>(c.Watch)] : c.Constant);
    writeRow(fields);
  };
  // The tick --until's condition first held at; 0: not yet.
  std::int64_t held = 0;
  runner.OnPaused = [&](std::int64_t tick, std::int32_t cause) {
    if (cause == 0 && held == 0) {
      held = tick;
      runner.RequestStop();
    }
  };
  std::string error;
  if (!runner.Start(run.Plan, ExeFolder() + "zu-probe", &error)) {
    std::fprintf(stderr, "zu-cli: %s\n", Printable(error).c_str());
    return 1;
  }
  std::signal(SIGINT, [](int) { Interrupted = 1; });
  std::signal(SIGTERM, [](int) { Interrupted = 1; });
  while (runner.Poll(100))
    if (Interrupted)
      runner.Stop();
  // The rows come before what is said about the end.
  std::fflush(Out);
  if (csvFile.is_open() && !csvFile.flush()) {
    std::fprintf(stderr, "zu-cli: %s\n", Printable(Say("cannot write \"%s\"", {csv})).c_str());
    return 1;
  }
  if (runner.Failed()) {
    std::fprintf(stderr, "zu-cli: %s\n", Printable(runner.GetFailure()).c_str());
    return 1;
  }
  std::fprintf(stderr, "zu-cli: %lld tick(s) of %zu module(s)\n",
               static_cast<long long>(runner.GetTick()), run.Plan.Modules.size());
  if (stats) {
    const TStatsMessage& figures = runner.GetStats();
    const double seconds = static_cast<double>(figures.ElapsedNs) / 1e9;
    char rateText[32];
    std::snprintf(rateText, sizeof rateText, "%.1f",
                  seconds > 0 ? static_cast<double>(figures.Ticks) / seconds : 0.0);
    std::fprintf(stderr, "zu-cli: %s\n",
                 Say("ticks %s, rate %s per second, late ticks %s of %s, lateness p50 %s ms, p99 "
                     "%s ms, max %s ms",
                     {std::to_string(figures.Ticks), std::string(rateText),
                      std::to_string(figures.Late), std::to_string(figures.Paced),
                      Ms(figures.P50Ns), Ms(figures.P99Ns), Ms(figures.MaxNs)})
                     .c_str());
  }
  if (!until.empty()) {
    if (held == 0) {
      std::fprintf(stderr, "zu-cli: %s\n", Printable(Say("\"%s\" did not hold", {until})).c_str());
      return 3;
    }
    std::fprintf(stderr, "zu-cli: %s\n",
                 Printable(Say("\"%s\" held at tick %s", {until, std::to_string(held)})).c_str());
    std::fprintf(Out, "%lld\n", static_cast<long long>(held));
  }
  return 0;
}

int Run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(Usage, Out);
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::fprintf(Out, "zu-cli (ZU Programming) %s\n", ZU_VERSION);
    return 0;
  }
  if (args.size() == 3 && args[0] == "project" && args[1] == "check")
    return CheckProject(args[2]);
  if (args.size() == 4 && args[0] == "project" && args[1] == "resave")
    return ResaveProject(args[2], args[3]);
  if (!args.empty() && args.size() <= 2 && args[0] == "components")
    return ListComponents(args.size() == 2 ? args[1] : "");
  if (args.size() == 4 && args[0] == "project" && args[1] == "render")
    return RenderProject(argc, argv, args[2], args[3]);
  if (args.size() == 6 && args[0] == "project" && args[1] == "render" && args[4] == "--level")
    return RenderProject(argc, argv, args[2], args[3], &args[5]);
  if (args.size() >= 3 && args[0] == "project" && args[1] == "run")
    return RunProject(args);
  if (args.size() == 4 && args[0] == "xml" && args[1] == "roundtrip")
    return RoundTripXml(args[2], args[3]);
  // What is wrong, as near to the mistake as the words allow.
  if (args.empty())
    return UsageError("no command given");
  const bool project = args[0] == "project" && args.size() >= 2;
  if (args[0] == "components")
    return UsageError("components takes at most one FOLDER");
  if (project && args[1] == "check")
    return UsageError("project check takes one FILE");
  if (project && args[1] == "resave")
    return UsageError("project resave takes IN and OUT");
  if (project && args[1] == "render")
    return UsageError("project render takes FILE, OUT and perhaps --level PATH");
  if (project && args[1] == "run")
    return UsageError("project run takes FILE and its options");
  if (args[0] == "xml" && args.size() >= 2 && args[1] == "roundtrip")
    return UsageError("xml roundtrip takes IN and OUT");
  if (args[0] == "project" && args.size() >= 2)
    return UsageError("project has no command \"%s\"", {args[1]});
  if (args[0] == "project")
    return UsageError("project needs a command: check, resave, render or run");
  return UsageError("unknown command \"%s\"", {args[0]});
}

} // namespace

int main(int argc, char** argv) {
  if (const int copy = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3); copy >= 0)
    if (std::FILE* own = fdopen(copy, "w"))
      Out = own;
  const int code = Run(argc, argv);
  // Results that did not reach the output are a failure, not a silent success.
  if (std::fflush(Out) != 0 || std::ferror(Out)) {
    std::fprintf(stderr, "zu-cli: %s\n", Say("the output could not be written").c_str());
    return code == 0 ? 1 : code;
  }
  return code;
}
