#include "model/unProject.h"

#include "platform/unLanguage.h"

#include "model/unDragShift.h"
#include "model/unLinkDraw.h"
#include "model/unLinkList.h"
#include "model/unMissingEntries.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unXmlChildIndex.h"
#include "xml/unXml.h"

TProject::TProject(IComponentList* components, TAddToLog onLog, std::u16string fileName,
                   std::u16string name)
    : FileName(std::move(fileName)), OnLog(std::move(onLog)), Components(components),
      MainModule(std::make_shared<TModule>(this, std::weak_ptr<IModuleList>())) {
  MainModule->SetName(u"Main");
  Name = std::move(name);
  if (!FileName.empty())
    Load(FileName);
}

TProject::~TProject() {
  Close();
}

void TProject::Close() {
  if (!MainModule)
    return;
  MainModule->ReleaseReferences();
  MainModule.reset();
}

std::shared_ptr<IModuleList> TProject::GetMainModules() const {
  return MainModule ? MainModule->GetModules() : nullptr;
}

void TProject::Draw(IComponentList*, TCanvas& canvas) {
  Draw(canvas, nullptr);
}

void TProject::Draw(TCanvas& canvas, const TLink* selected) {
  if (auto modules = GetMainModules())
    DrawLevel(canvas, *modules, selected);
}

void DrawLevel(TCanvas& canvas, IModuleList& modules, const TLink* selected,
               const TDragShift* shift) {
  // The links first: the boxes and their names lie above them; a link that has to cross a box
  // lies above the boxes, so that it is seen.
  const TLinkRouter& routes = LevelRoutes(modules, shift);
  DrawRoutedLinks(canvas, routes, selected, TLinkLayer::Below);
  DrawModules(canvas, modules, shift && !shift->Empty() ? shift : nullptr, &routes);
  DrawRoutedLinks(canvas, routes, selected, TLinkLayer::Above);
}

bool TProject::ForwardLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                          const TLogArgs& args) const {
  return CallLogHandler(OnLog, group, type, format, args);
}

TAddToLog TProject::Forwarder() const {
  return [this](TLogGroupMessage g, TLogTypeMessage t, const std::string& f, const TLogArgs& a) {
    return ForwardLog(g, t, f, a);
  };
}

TResult TProject::Save(const std::u16string& fileName, const TSaveExtra& extra) {
  const std::u16string& file = fileName.empty() ? FileName : fileName;
  if (file.empty())
    return TResult::Failed(Say("Не задано имя файла проекта"));
  try {
    return SaveTo(file, extra);
  } catch (const std::exception&) { // allocation: the tree is too large for this machine
    ForwardLog(lgGeneral, ltError, "Ошибка при сохранении проекта \"%s\"", {file});
    return TResult::Failed(Say("Недостаточно памяти для сохранения проекта"));
  }
}

TResult TProject::SaveTo(const std::u16string& file, const TSaveExtra& extra) const {
  TKvenXmlDocument1 document(u"", Forwarder());
  TKvenXmlNode1* root = document.GetRoot();
  root->SetName(std::u16string(ProjectRootName));
  root->WriteString(u"Name", Name);
  if (MainModule)
    MainModule->SaveToXml(root->GetChild(u"ModuleMain"));
  // After the modules, and only when there are any: older versions read past it.
  if (!Breaks.empty())
    SaveNumbered(*root->GetChild(u"Breaks"), u"Break", static_cast<std::int32_t>(Breaks.size()),
                 [this](std::int32_t i, TKvenXmlNode1* entry) {
                   entry->WriteString(u"Condition", Breaks[static_cast<std::size_t>(i)]);
                 });
  if (extra)
    extra(*root);
  return document.SaveToFile(file);
}

TResult TProject::Load(const std::u16string& fileName) {
  const std::u16string file = fileName.empty() ? FileName : fileName;
  if (file.empty())
    return TResult::Failed(Say("Не задано имя файла проекта"));
  try {
    return LoadFrom(file);
  } catch (const std::exception&) { // allocation: the file describes too much for this machine
    ForwardLog(lgGeneral, ltError, "Ошибка при загрузке проекта \"%s\"", {file});
    return TResult::Failed(Say("Недостаточно памяти для загрузки проекта"));
  }
}

TResult TProject::LoadFrom(const std::u16string& file) {
  TKvenXmlDocument1 document(u"", Forwarder());
  if (TResult read = document.LoadFromFile(file); !read)
    return read;
  // Text without markup parses as a document, but it is not a project: an empty file, a text
  // file or a picture must not open as an empty project that a save then writes over.
  if (!document.HasElement()) {
    document.Fail("В файле \"%s\" нет ни одного элемента XML <%s.%s>",
                  {file, std::string("TProject"), std::string("Load")});
    return TResult::Failed(document.Failure());
  }
  const TKvenXmlNode1* root = document.GetRoot();
  ForeignFile = root->GetName() != ProjectRootName;
  // Another kind of XML file (a page, a configuration) holds no project: it does not open as an
  // empty one. A file of another root that holds a main module still loads, marked foreign.
  if (ForeignFile && !root->FindChild(u"ModuleMain")) {
    document.Fail(
        "В файле \"%s\" нет проекта: его корневой элемент — \"%s\" <%s.%s>",
        {file, std::u16string(root->GetName()), std::string("TProject"), std::string("Load")});
    return TResult::Failed(document.Failure());
  }
  root->ReadString(u"Name", Name);
  const TMissingEntries budget(MaxMissingEntries);
  Breaks.clear();
  const bool breaksRead = LoadNumbered(root->FindChild(u"Breaks"), "TProject", u"Break",
                                       [this](const TKvenXmlNode1* entry) {
                                         std::u16string condition;
                                         if (entry)
                                           entry->ReadString(u"Condition", condition);
                                         if (!condition.empty())
                                           Breaks.push_back(std::move(condition));
                                         return true;
                                       });
  if (breaksRead && (!MainModule || MainModule->LoadFromXml(root->FindChild(u"ModuleMain"))))
    return TResult::Done();
  return TResult::Failed(document.Failure().empty() ? Say("Проект в файле повреждён")
                                                    : document.Failure());
}
