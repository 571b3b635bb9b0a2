// zu-cli: checks and batch-processes project and XML files without the window.

#include "canvas/unPictureExport.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unProject.h"
#include "platform/unExeFolder.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"
#include "plugins/unComponentReport.h"
#include "plugins/unParamAttach.h"
#include "plugins/unQuietOutput.h"
#include "xml/unXml.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
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
    "  xml roundtrip IN OUT    load any XML file and save it again to OUT\n"
    "  components [FOLDER]     scan FOLDER (default: the program's folder) for plug-in\n"
    "                          components; print each one's report as the components\n"
    "                          browser shows it, then each skipped file with the reason\n"
    "  --help                  show this text\n"
    "\n"
    "Files are read and written in Windows-1251. Errors go to standard error; the exit code is 0\n"
    "on success, 1 when a file cannot be loaded or saved (or, for components, when a file was\n"
    "skipped), 2 for a wrong command line.\n";

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
      std::fprintf(stderr, "%s\n", line.c_str());
  }
  std::vector<std::string> Lines;
};

int Fail(const char* what, const std::string& file, const TMessages& messages) {
  std::fprintf(stderr, "zu-cli: %s \"%s\"\n", what, file.c_str());
  messages.Print();
  return 1;
}

// Links name parameters: the components beside the program tell which there are, and the modules
// get their lists.
void AttachProgramComponents(TProject& project, TComponentList& registry) {
  registry.ProbeProgram = ExeFolder() + "zu-probe";
  registry.Path = ExeFolder();
  {
    const TQuietOutput quiet;
    registry.Refresh();
  }
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
    return Fail("cannot load the project", file, messages);
  std::fprintf(Out, "Project: %s\n", Utf16ToUtf8(project.GetName()).c_str());
  // Breadth first, one level at a time, so that deep trees need no deep recursion. Each list is
  // named by the path of the modules that hold it.
  struct TLevel {
    std::shared_ptr<IModuleList> List;
    std::string Path;
  };
  std::vector<std::int64_t> perLevel;
  std::vector<TLevel> linked;
  std::vector<TLevel> level{{project.GetMainModules(), "Main"}};
  while (!level.empty()) {
    std::vector<TLevel> next;
    std::int64_t count = 0;
    for (const auto& [list, path] : level) {
      if (!list)
        continue;
      if (list->GetLinks().Count() > 0)
        linked.push_back({list, path});
      for (std::int32_t i = 0; i < list->Count(); ++i) {
        ++count;
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
  if (linked.empty())
    return 0;
  AttachProgramComponents(project, registry);
  int unresolved = 0;
  for (const auto& [list, path] : linked) {
    const TLinkList& links = list->GetLinks();
    std::fprintf(Out, "Links of %s: %d\n", path.c_str(), links.Count());
    for (std::int32_t i = 0; i < links.Count(); ++i) {
      const std::string why = Unresolved(*links.Get(i), *list);
      if (why.empty())
        continue;
      std::fprintf(Out, "Link %d of %s: %s\n", i, path.c_str(), why.c_str());
      ++unresolved;
    }
  }
  return unresolved == 0 ? 0 : 1;
}

int ResaveProject(const std::string& in, const std::string& out) {
  TMessages messages;
  TProject project(nullptr, messages.Handler(), u"", u"");
  if (!project.Load(Utf8ToUtf16(in)))
    return Fail("cannot load the project", in, messages);
  if (!project.Save(Utf8ToUtf16(out)))
    return Fail("cannot save the project to", out, messages);
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
    return Fail("cannot load the project", in, messages);
  // Marks, and the links between them, are drawn as the editor draws them: with the parameters
  // of the components beside the program.
  AttachProgramComponents(project, registry);
  // Drawing needs the toolkit, not a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  std::shared_ptr<IModuleList> level = project.GetMainModules();
  if (levelPath && !(level = LevelOf(project, *levelPath))) {
    std::fprintf(stderr, "zu-cli: no level %s in %s\n", levelPath->c_str(), in.c_str());
    return 1;
  }
  QGuiApplication app(argc, argv);
  QString reason;
  if (!ExportLevelPicture(project, level.get(), QString::fromStdString(out), &reason)) {
    std::fprintf(stderr, "zu-cli: %s\n", reason.toStdString().c_str());
    return 1;
  }
  return 0;
}

int RoundTripXml(const std::string& in, const std::string& out) {
  TMessages messages;
  TKvenXmlDocument1 document(u"", messages.Handler());
  if (!document.LoadFromFile(Utf8ToUtf16(in)))
    return Fail("cannot load the XML file", in, messages);
  if (!document.SaveToFile(Utf8ToUtf16(out)))
    return Fail("cannot save the XML file to", out, messages);
  return 0;
}

int ListComponents(std::string folder) {
  if (folder.empty())
    folder = ExeFolder();
  if (!folder.ends_with('/'))
    folder += '/';
  TComponentList registry;
  registry.ProbeProgram = ExeFolder() + "zu-probe";
  registry.Path = folder;
  registry.Refresh();
  for (std::int32_t i = 0; i < registry.Count(); ++i)
    for (const std::u16string& line : ComponentReport(*registry.GetComponent(i)))
      std::fprintf(Out, "%s\n", Utf16ToUtf8(line).c_str());
  for (const auto& skipped : registry.GetSkipped())
    std::fprintf(Out, "Skipped %s: %s\n", skipped.File.c_str(), skipped.Cause.c_str());
  return registry.GetSkipped().empty() ? 0 : 1;
}

int Run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(Usage, Out);
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
  if (args.size() == 4 && args[0] == "xml" && args[1] == "roundtrip")
    return RoundTripXml(args[2], args[3]);
  std::fputs(Usage, stderr);
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  if (const int copy = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3); copy >= 0)
    if (std::FILE* own = fdopen(copy, "w"))
      Out = own;
  const int code = Run(argc, argv);
  // Results that did not reach the output are a failure, not a silent success.
  if (std::fflush(Out) != 0 || std::ferror(Out)) {
    std::fprintf(stderr, "zu-cli: the output could not be written\n");
    return code == 0 ? 1 : code;
  }
  return code;
}
