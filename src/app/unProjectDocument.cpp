#include "app/unProjectDocument.h"

#include "canvas/unQtStrings.h"
#include "model/unClipboard.h"
#include "model/unFindModules.h"
#include "model/unFreePlace.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unNames.h"
#include "model/unParamList.h"
#include "model/unPorts.h"
#include "model/unProject.h"
#include "model/unProjectSnapshot.h"
#include "model/unSubsystem.h"
#include "model/unValueType.h"
#include "platform/unProgramFolders.h"
#include "platform/unStrings.h"
#include "plugins/unComponent.h"
#include "plugins/unCondition.h"
#include "plugins/unParamAttach.h"
#include "xml/unXml.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

TProjectDocument::TProjectDocument(QObject* parent, const std::string& recoveryFolder)
    : QObject(parent), UndoStack(new QUndoStack(this)),
      RecoveryTimer(new QTimer(this)), RecoveryFolders{recoveryFolder} {
  Recoveries.push_back(std::make_unique<TRecovery>(recoveryFolder));
  // The modified mark follows the stack: undoing back to the saved state clears it.
  connect(UndoStack, &QUndoStack::cleanChanged, this, [this](bool clean) {
    if (!Project)
      return;
    Project->Modified = !clean;
    emit ModifiedChanged();
  });
  // Work in progress is kept aside while the project has unsaved changes.
  RecoveryTimer->setInterval(RecoveryIntervalMs);
  connect(RecoveryTimer, &QTimer::timeout, this, [this] {
    if (Project && Project->Modified)
      KeepRecovery();
  });
  RecoveryTimer->start();
}

TProjectDocument::~TProjectDocument() {
  WaitForRecovery();
}

void TProjectDocument::SetProject(std::shared_ptr<TProject> project) {
  // The work kept aside belonged to the project that goes.
  if (Project != project) {
    RemoveRecovery();
    CheckFileBeforeSave = false;
    OnDisk = {};
  }
  Project = std::move(project);
  Path.clear();
  Link.reset();
  UndoStack->clear();
  // A project that comes with changes (recovered work) is not in a saved state.
  if (Project && Project->Modified)
    UndoStack->resetClean();
  SelectionKnown = false;
  emit ProjectChanged();
  // The selection the project came with.
  emit SelectionChanged();
}

void TProjectDocument::CloseProject() {
  if (!Project)
    return;
  Project->Close();
  SetProject(nullptr);
}

std::shared_ptr<IModuleList> TProjectDocument::Level() const {
  if (!Project)
    return nullptr;
  return Path.empty() ? Project->GetMainModules() : Path.back()->GetModules();
}

void TProjectDocument::SetPath(std::vector<std::shared_ptr<IModule>> path) {
  Path = std::move(path);
  Link.reset();
  SelectionKnown = false;
  emit LevelChanged();
  emit SelectionChanged();
}

void TProjectDocument::OpenModule(const std::shared_ptr<IModule>& module) {
  auto modules = Level();
  if (!module || !modules || modules->IndexOf(module) < 0 || !module->GetModules())
    return;
  auto path = Path;
  path.push_back(module);
  SetPath(std::move(path));
}

bool TProjectDocument::Up() {
  if (Path.empty())
    return false;
  // The module left is the one selected above.
  const std::shared_ptr<IModule> left = Path.back();
  auto path = Path;
  path.pop_back();
  SetPath(std::move(path));
  Select(left);
  return true;
}

void TProjectDocument::ShowLevel(std::size_t depth) {
  if (depth >= Path.size())
    return;
  const std::shared_ptr<IModule> below = Path[depth];
  SetPath({Path.begin(), Path.begin() + static_cast<std::ptrdiff_t>(depth)});
  Select(below);
}

namespace {

// The modules from the list down to the one holding the module (the module not included); true
// when it was found.
bool PathTo(const IModuleList& list, const IModule* module,
            std::vector<std::shared_ptr<IModule>>& path) {
  for (std::int32_t i = 0; i < list.Count(); ++i) {
    auto item = list.GetItem(i);
    if (item.get() == module)
      return true;
    if (auto children = item->GetModules()) {
      path.push_back(item);
      if (PathTo(*children, module, path))
        return true;
      path.pop_back();
    }
  }
  return false;
}

// One step for each module the change alters, with its values before and after; modules it
// leaves as they were take no step.
template <class TChange>
std::vector<TChangeModulesCommand::TStep>
StepsOf(const std::vector<std::shared_ptr<IModule>>& modules, unsigned fields, TChange&& change) {
  std::vector<TChangeModulesCommand::TStep> steps;
  for (const auto& module : modules) {
    if (!module)
      continue;
    TChangeModulesCommand::TStep step{module, TModuleValues::Of(*module, fields), {}};
    step.After = step.Before;
    change(step.After);
    if (!(step.After == step.Before))
      steps.push_back(std::move(step));
  }
  return steps;
}

} // namespace

bool TProjectDocument::Reveal(const std::shared_ptr<IModule>& module) {
  auto main = Project ? Project->GetMainModules() : nullptr;
  std::vector<std::shared_ptr<IModule>> path;
  if (!module || !main || !PathTo(*main, module.get(), path))
    return false;
  if (path != Path)
    SetPath(std::move(path));
  Select(module);
  return true;
}

void TProjectDocument::KeepPathValid() {
  auto list = Project ? Project->GetMainModules() : nullptr;
  for (std::size_t i = 0; i < Path.size(); ++i) {
    if (!list || list->IndexOf(Path[i]) < 0) {
      SetPath({Path.begin(), Path.begin() + static_cast<std::ptrdiff_t>(i)});
      return;
    }
    list = Path[i]->GetModules();
  }
}

std::shared_ptr<IModule> TProjectDocument::Selected() const {
  const auto& selection = Selection();
  return selection.empty() ? nullptr : selection.front();
}

const std::vector<std::shared_ptr<IModule>>& TProjectDocument::Selection() const {
  // The focus marks are read once after each change that may have moved them: a large level is
  // not walked by every view that asks.
  if (!SelectionKnown) {
    SelectionCache.clear();
    if (auto modules = Level())
      for (std::int32_t i = 0; i < modules->Count(); ++i)
        if (auto m = modules->GetItem(i); m->GetFocused())
          SelectionCache.push_back(m);
    SelectionKnown = true;
  }
  return SelectionCache;
}

bool TProjectDocument::IsSelected(const std::shared_ptr<IModule>& module) const {
  const auto& selection = Selection();
  return module && std::find(selection.begin(), selection.end(), module) != selection.end();
}

void TProjectDocument::WriteSelection(const std::vector<std::shared_ptr<IModule>>& modules) {
  auto level = Level();
  if (!level) {
    Link.reset();
    emit SelectionChanged();
    return;
  }
  // Only the marks there are need clearing.
  if (SelectionKnown)
    for (const auto& selected : SelectionCache)
      selected->SetFocused(WordFalse);
  else
    level->ClearFocus();
  std::unordered_set<const IModule*> wanted;
  for (const auto& module : modules)
    if (module)
      wanted.insert(module.get());
  SelectionCache.clear();
  // Only modules of the list shown, in its order (one module is looked for alone).
  if (wanted.size() == 1) {
    const auto& module =
        *std::find_if(modules.begin(), modules.end(), [](const auto& m) { return m != nullptr; });
    if (level->IndexOf(module) >= 0) {
      module->SetFocused(WordTrue);
      SelectionCache.push_back(module);
    }
  } else if (!wanted.empty()) {
    for (std::int32_t i = 0; i < level->Count(); ++i)
      if (auto m = level->GetItem(i); wanted.contains(m.get())) {
        m->SetFocused(WordTrue);
        SelectionCache.push_back(m);
      }
  }
  SelectionKnown = true;
  Link.reset();
  emit SelectionChanged();
}

void TProjectDocument::Select(const std::shared_ptr<IModule>& module) {
  WriteSelection({module});
}

void TProjectDocument::SelectModules(const std::vector<std::shared_ptr<IModule>>& modules) {
  WriteSelection(modules);
}

void TProjectDocument::ToggleSelected(const std::shared_ptr<IModule>& module) {
  if (!module)
    return;
  std::vector<std::shared_ptr<IModule>> selection = Selection();
  if (const auto it = std::find(selection.begin(), selection.end(), module); it != selection.end())
    selection.erase(it);
  else
    selection.push_back(module);
  WriteSelection(selection);
}

void TProjectDocument::AddToSelection(const std::vector<std::shared_ptr<IModule>>& modules) {
  std::vector<std::shared_ptr<IModule>> selection = Selection();
  selection.insert(selection.end(), modules.begin(), modules.end());
  WriteSelection(selection);
}

void TProjectDocument::SelectAll() {
  std::vector<std::shared_ptr<IModule>> all;
  if (auto modules = Level())
    for (std::int32_t i = 0; i < modules->Count(); ++i)
      all.push_back(modules->GetItem(i));
  WriteSelection(all);
}

void TProjectDocument::SelectLink(const std::shared_ptr<TLink>& link) {
  WriteSelection({});
  auto modules = Level();
  Link = modules && link && modules->GetLinks().IndexOf(link) >= 0 ? link : nullptr;
  emit SelectionChanged();
}

void TProjectDocument::ForgetGoneLink() {
  auto modules = Level();
  if (Link && (!modules || modules->GetLinks().IndexOf(Link) < 0))
    Link.reset();
}

void TProjectDocument::SelectionAfterChange() {
  const std::vector<std::shared_ptr<IModule>> before = SelectionCache;
  const bool known = SelectionKnown;
  SelectionKnown = false;
  if (!known || Selection() != before)
    emit SelectionChanged();
}

TEditResult TProjectDocument::Push(QUndoCommand* command, bool evenWhileLocked) {
  // The one place where the lock of a running project holds every edit back.
  if ((IsLocked && !evenWhileLocked) || !Project) {
    delete command;
    return TEditResult::Refused(
        IsLocked ? LockedNote() : QCoreApplication::translate("TProjectDocument", "Нет проекта"));
  }
  UndoStack->push(command);
  // The modified mark comes with the stack's cleanChanged.
  if (++ChangesSinceRecovery >= RecoveryEveryChanges)
    KeepRecovery();
  return TEditResult::Done();
}

TNotify TProjectDocument::Notify(std::shared_ptr<IModuleList> list) {
  TNotify notify;
  notify.Changing = [this](const std::vector<std::shared_ptr<IModule>>& modules) {
    emit ModulesChanging(modules);
  };
  notify.Changed = [this, list](const TChange& change) {
    // A subsystem shows the ports its boundary modules give: looked at when boundary modules
    // came, went or changed (a large level's other edits cost nothing here).
    bool ports = false;
    for (const auto* modules : {&change.Added, &change.Removed})
      for (const auto& module : *modules)
        ports = ports || IsPort(*module);
    for (const auto& module : change.Changed)
      ports = UpdatePorts(*module) || IsPort(*module) || ports;
    if (const auto& changed = change.List ? change.List : list; ports && changed)
      if (IModule* owner = changed->GetOwner())
        UpdatePorts(*owner);
    KeepPathValid();
    ForgetGoneLink();
    emit ModulesChanged(change);
    emit ContentChanged();
    // Modules that come with focus marks (a paste, an undone delete) change the selection; those
    // that go leave it.
    SelectionAfterChange();
  };
  return notify;
}

TEditResult TProjectDocument::MoveModules(const std::vector<std::shared_ptr<IModule>>& modules,
                                          TPoint delta) {
  if (delta == TPoint{} || modules.empty())
    return TEditResult::Done();
  std::vector<TChangeModulesCommand::TStep> steps;
  for (const auto& module : modules) {
    if (!module)
      continue;
    TChangeModulesCommand::TStep step{module, TModuleValues::Of(*module, mfPosition), {}};
    step.After.Position = {step.Before.Position.X + delta.X, step.Before.Position.Y + delta.Y};
    steps.push_back(std::move(step));
  }
  return Push(new TChangeModulesCommand(tr("Move"), std::move(steps), mfPosition, Notify(Level())));
}

TEditResult TProjectDocument::MoveByKeys(const std::shared_ptr<IModule>& module, TPoint delta) {
  if (!module || delta == TPoint{})
    return TEditResult::Done();
  if (IsLocked)
    return TEditResult::Refused(LockedNote());
  // Presses less than a second apart on one module make one step.
  const std::int64_t now = Clock ? Clock() : QDateTime::currentMSecsSinceEpoch();
  if (KeyRun == 0 || now - KeyRunAt > KeyRunGapMs || KeyRunModule.lock() != module)
    ++KeyRun;
  KeyRunAt = now;
  KeyRunModule = module;
  TChangeModulesCommand::TStep step{module, TModuleValues::Of(*module, mfPosition), {}};
  step.After.Position = {step.Before.Position.X + delta.X, step.Before.Position.Y + delta.Y};
  return Push(new TChangeModulesCommand(tr("Move"), {std::move(step)}, mfPosition, Notify(Level()),
                                        KeyRun));
}

TEditResult TProjectDocument::SetValue(const std::vector<std::shared_ptr<IModule>>& modules,
                                       const QString& key, const QString& text) {
  unsigned field = 0;
  std::int32_t number = 0;
  if (key == "Name")
    field = mfName;
  else if (key == "Description")
    field = mfDescription;
  else if (key == "Type")
    field = mfType;
  else if (key == "Height")
    field = mfHeight;
  else if (key == "Width")
    field = mfWidth;
  else if (key == "PositionX" || key == "PositionY")
    field = mfPosition;
  else
    return TEditResult::Refused(
        QCoreApplication::translate("TProjectDocument", "Нет поля %1").arg(key), key);
  if (IsNumberField(key))
    if (TEditResult read = ReadModuleNumber(key, text, number); !read)
      return read;
  if (IsLocked)
    return TEditResult::Refused(LockedNote());
  const std::u16string value = ToU16(text);
  if (field == mfName) {
    // Names are unique on a level: one name is never given to several modules.
    const IModule* only = modules.size() == 1 ? modules.front().get() : nullptr;
    if (modules.size() > 1)
      return TEditResult::Refused(
          QCoreApplication::translate("TProjectDocument", "Имя «%1» уже есть на этом уровне")
              .arg(text),
          key);
    if (QString why = NameRefusal(value, only); !why.isEmpty())
      return TEditResult::Refused(why, key);
  }
  std::vector<TChangeModulesCommand::TStep> steps =
      StepsOf(modules, field, [&](TModuleValues& after) {
        if (field == mfName)
          after.Name = value;
        else if (field == mfDescription)
          after.Description = value;
        else if (field == mfType)
          after.Type = value;
        else if (field == mfHeight)
          after.Height = number;
        else if (field == mfWidth)
          after.Width = number;
        else if (key == "PositionX")
          after.Position.X = number;
        else
          after.Position.Y = number;
      });
  if (steps.empty())
    return TEditResult::Done();
  // A boundary module renamed: the links to its port on the level above follow the name.
  std::vector<TRenameLinkEndsCommand::TRename> renames;
  if (field == mfName)
    for (const auto& step : steps)
      if (IsPort(*step.Module))
        for (const auto& link : PortLinks({step.Module})) {
          const bool output = IsOutputPort(*step.Module);
          renames.push_back({link, output, output ? link->Output : link->Input, value});
        }
  auto* change =
      new TChangeModulesCommand(tr("Change %1").arg(key), std::move(steps), field, Notify(Level()));
  if (renames.empty())
    return Push(change);
  return Push(new TGroupCommand(
      tr("Change %1").arg(key),
      {change, new TRenameLinkEndsCommand(ParentLevel(), std::move(renames), Notify())}));
}

TEditResult TProjectDocument::SetInputValue(const std::vector<std::shared_ptr<IModule>>& modules,
                                            const std::u16string& name,
                                            const std::u16string& text) {
  // A typed input takes only a text of its type (an empty text takes the value away).
  if (!text.empty())
    for (const auto& module : modules) {
      const auto* params =
          module ? dynamic_cast<const TParamList*>(module->GetParamIn().get()) : nullptr;
      for (std::int32_t i = 0; params && i < params->Count(); ++i)
        if (const TParam* param = params->Get(i); param && param->Name == name)
          if (const std::string why = ValueProblem(*param, text); !why.empty())
            return TEditResult::Refused(QString::fromStdString(why), ToQString(name));
    }
  std::vector<TChangeModulesCommand::TStep> steps =
      StepsOf(modules, mfInputs, [&](TModuleValues& after) {
        std::vector<TInputValue>& values = after.Inputs;
        const auto it = std::find_if(values.begin(), values.end(),
                                     [&](const TInputValue& v) { return v.Name == name; });
        if (text.empty()) {
          if (it != values.end())
            values.erase(it);
        } else if (it != values.end()) {
          it->Value = text;
        } else {
          values.push_back({name, text});
        }
      });
  if (steps.empty())
    return IsLocked ? TEditResult::Refused(LockedNote()) : TEditResult::Done();
  return Push(new TChangeModulesCommand(tr("Change %1").arg(ToQString(name)), std::move(steps),
                                        mfInputs, Notify(Level())));
}

TEditResult TProjectDocument::SetWatched(const std::shared_ptr<IModule>& module,
                                         const std::u16string& output, bool watched,
                                         std::int32_t plot) {
  if (!module)
    return TEditResult::Refused(QCoreApplication::translate("TProjectDocument", "Нет модуля"));
  if (plot < 0 || plot >= TModule::MaxPlots)
    return TEditResult::Refused(
        QCoreApplication::translate("TProjectDocument", "Графиков не больше %1")
            .arg(TModule::MaxPlots));
  const auto* outputs = dynamic_cast<const TParamList*>(module->GetParamOut().get());
  bool known = false;
  for (std::int32_t i = 0; outputs && i < outputs->Count(); ++i)
    known = known || (outputs->Get(i) && outputs->Get(i)->Name == output);
  if (!known)
    return TEditResult::Refused(
        QCoreApplication::translate("TProjectDocument", "У модуля «%1» нет выхода «%2»")
            .arg(ToQString(module->GetName()), ToQString(output)));
  std::vector<TChangeModulesCommand::TStep> steps =
      StepsOf(std::vector<std::shared_ptr<IModule>>{module}, mfWatches, [&](TModuleValues& after) {
        std::vector<TWatch>& watches = after.Watches;
        const auto it = std::find_if(watches.begin(), watches.end(),
                                     [&](const TWatch& w) { return w.Output == output; });
        if (!watched) {
          if (it != watches.end())
            watches.erase(it);
        } else if (it != watches.end()) {
          it->Plot = plot;
        } else {
          watches.push_back({output, plot});
        }
      });
  if (steps.empty())
    return TEditResult::Done();
  TNotify notify = Notify(Level());
  notify.Changed = [this, inner = notify.Changed](const TChange& change) {
    if (inner)
      inner(change);
    emit WatchesChanged();
  };
  const QString text = watched ? tr("Watch %1").arg(ToQString(output))
                               : tr("Stop Watching %1").arg(ToQString(output));
  return Push(new TChangeModulesCommand(text, std::move(steps), mfWatches, std::move(notify)),
              true);
}

std::vector<std::shared_ptr<IModule>> TProjectDocument::WatchingModules() const {
  if (!Project || !Project->GetMainModules())
    return {};
  return FindModulesWhere(*Project->GetMainModules(),
                          [](const IModule& module) { return !module.GetWatches().empty(); });
}

TEditResult TProjectDocument::SetBreaks(std::vector<std::u16string> conditions) {
  if (!Project)
    return Push(nullptr);
  std::erase_if(conditions, [](const std::u16string& c) {
    return c.find_first_not_of(u" \t") == std::u16string::npos;
  });
  for (const std::u16string& c : conditions) {
    TCondition read;
    std::string why;
    if (!ParseCondition(Utf16ToUtf8(c), read, why))
      return TEditResult::Refused(QString::fromStdString(why), ToQString(c));
  }
  if (conditions == Project->GetBreaks())
    return IsLocked ? TEditResult::Refused(LockedNote()) : TEditResult::Done();
  return Push(
      new TSetBreaksCommand(tr("Change Break Conditions"), *Project, std::move(conditions), [this] {
        emit BreaksChanged();
        emit ContentChanged();
      }));
}

TModuleText TProjectDocument::NewModuleText() {
  const TModule fresh(nullptr, std::weak_ptr<IModuleList>());
  return TModuleText::Of(fresh);
}

TEditResult TProjectDocument::ReadText(const TModuleText& text, TModuleValues& values) const {
  const std::pair<const QString*, std::int32_t*> numbers[] = {{&text.PositionX, &values.Position.X},
                                                              {&text.PositionY, &values.Position.Y},
                                                              {&text.Height, &values.Height},
                                                              {&text.Width, &values.Width}};
  const char* const fields[] = {"PositionX", "PositionY", "Height", "Width"};
  for (std::size_t i = 0; i < std::size(numbers); ++i)
    if (TEditResult read = ReadModuleNumber(fields[i], *numbers[i].first, *numbers[i].second);
        !read)
      return read;
  values.Name = ToU16(text.Name);
  values.Description = ToU16(text.Description);
  values.Type = ToU16(text.Type);
  return TEditResult::Done();
}

bool TProjectDocument::ParamsOfType(const std::u16string& type, const IModule* module,
                                    TModuleValues& values) const {
  if (type.empty())
    return false;
  if (IComponent* component = ComponentOfType(Components ? Components() : nullptr, type)) {
    values.ParamIn = component->GetParamIn();
    values.ParamOut = component->GetParamOut();
    values.TypeTitle = component->GetInfo().Title;
    return true;
  }
  values.TypeTitle.clear();
  // A type no registered component stands behind: no parameters (lists already empty stay).
  auto empty = [](const std::shared_ptr<IParamList>& list) { return list && list->Count() == 0; };
  values.ParamIn =
      module && empty(module->GetParamIn()) ? module->GetParamIn() : std::make_shared<TParamList>();
  values.ParamOut = module && empty(module->GetParamOut()) ? module->GetParamOut()
                                                           : std::make_shared<TParamList>();
  return true;
}

TEditResult TProjectDocument::AddModule(const TModuleText& text) {
  auto level = Level();
  if (!level)
    return TEditResult::Refused(QCoreApplication::translate("TProjectDocument", "Нет проекта"));
  TModuleValues values;
  if (TEditResult read = ReadText(text, values); !read)
    return read;
  // A new module takes the first free name of its stem.
  values.Name = FreeNameIn(*level, values.Name);
  auto module = std::make_shared<TModule>(nullptr, std::weak_ptr<IModuleList>(level));
  const bool params = ParamsOfType(values.Type, nullptr, values);
  const unsigned fields = mfAll & ~mfInputs & ~mfParams;
  values.ApplyTo(*module, params ? fields | mfParams : fields);
  return Push(new TAddModulesCommand(tr("Add Module"), level, {module}, {}, Notify()));
}

TEditResult TProjectDocument::AddComponent(const std::u16string& file, const std::u16string& name,
                                           TPoint centre) {
  TModuleText text = NewModuleText();
  const TPoint corner{centre.X - text.Width.toInt() / 2, centre.Y - text.Height.toInt() / 2};
  const TPoint place = FreePlace(corner, text.Width.toInt(), text.Height.toInt());
  text.Name = ToQString(FreeName(name));
  text.Type = ToQString(file);
  text.PositionX = QString::number(place.X);
  text.PositionY = QString::number(place.Y);
  return AddModule(text);
}

TEditResult TProjectDocument::AddPaletteEntry(const QString& entry, TPoint centre) {
  if (entry.startsWith("type:")) {
    const std::u16string file = entry.mid(5).toStdU16String();
    std::u16string name = QFileInfo(entry.mid(5)).completeBaseName().toStdU16String();
    if (const IComponentList* components = Components ? Components() : nullptr)
      if (const IComponent* c = ComponentOfType(components, file))
        name = c->GetInfo().Name;
    return AddComponent(file, name, centre);
  }
  if (entry.startsWith("library:"))
    return InsertFile(entry.mid(8).toStdU16String(), centre);
  return TEditResult::Refused(
      QCoreApplication::translate("TProjectDocument", "Неизвестный элемент палитры"));
}

TEditResult TProjectDocument::EditModule(const std::shared_ptr<IModule>& module,
                                         const TModuleText& text) {
  if (!module)
    return TEditResult::Done();
  TChangeModulesCommand::TStep step{module, TModuleValues::Of(*module), {}};
  step.After = step.Before;
  if (TEditResult read = ReadText(text, step.After); !read)
    return read;
  if (step.After.Name != step.Before.Name)
    if (QString why = NameRefusal(step.After.Name, module.get()); !why.isEmpty())
      return TEditResult::Refused(why, "Name");
  if (IsPort(*module) || step.After.Type == InputPortType || step.After.Type == OutputPortType) {
    // A boundary module's one value comes with its type, not from a component.
    step.After.ParamIn = step.Before.ParamIn;
    step.After.ParamOut = step.Before.ParamOut;
  } else {
    ParamsOfType(step.After.Type, module.get(), step.After);
  }
  if (step.After == step.Before)
    return IsLocked ? TEditResult::Refused(LockedNote()) : TEditResult::Done();
  // A boundary module renamed: the links to its port on the level above follow the name.
  std::vector<TRenameLinkEndsCommand::TRename> renames;
  if (IsPort(*module) && step.After.Type == step.Before.Type && step.After.Name != step.Before.Name)
    for (const auto& link : PortLinks({module})) {
      const bool output = IsOutputPort(*module);
      renames.push_back({link, output, output ? link->Output : link->Input, step.After.Name});
    }
  auto* change =
      new TChangeModulesCommand(tr("Edit Module"), {std::move(step)}, mfAll, Notify(Level()));
  if (renames.empty())
    return Push(change);
  return Push(new TGroupCommand(
      tr("Edit Module"),
      {change, new TRenameLinkEndsCommand(ParentLevel(), std::move(renames), Notify())}));
}

TEditResult TProjectDocument::AddLink(const std::shared_ptr<IModule>& from,
                                      const std::u16string& output,
                                      const std::shared_ptr<IModule>& to,
                                      const std::u16string& input) {
  auto modules = Level();
  if (!modules)
    return TEditResult::Refused(QCoreApplication::translate("TProjectDocument", "Нет проекта"));
  // A cycle is looked for across the levels: out by a port of the level's module and back.
  std::vector<TLevelGraph::TAbove> above;
  std::u16string levelPath;
  if (!Path.empty()) {
    auto list = Project->GetMainModules();
    levelPath = Project->GetMainModule()->GetName() + u"/";
    for (const auto& step : Path) {
      above.push_back({list.get(), step.get()});
      levelPath += step->GetName() + u"/";
      list = step->GetModules();
    }
  }
  const TLinkCheck check = modules->GetLinks().Check(from, output, to, input, above, levelPath);
  if (!check.Ok)
    return TEditResult::Refused(ToQString(check.Reason));
  auto link = std::make_shared<TLink>();
  link->From = from;
  link->Output = output;
  link->To = to;
  link->Input = input;
  const TEditResult pushed = Push(new TAddLinkCommand(modules, link, check.Replaced, Notify()));
  // An input takes one link: the one it had goes, and the user is told which.
  if (!pushed || !check.Replaced)
    return pushed;
  const TLink& old = *check.Replaced;
  return TEditResult::DoneWith(
      QCoreApplication::translate("TProjectDocument",
                                  "Связь добавлена вместо связи от «%1.%2» к входу «%3»")
          .arg(old.From ? ToQString(old.From->GetName()) : ToQString(old.FromText),
               ToQString(old.Output), ToQString(input)));
}

std::u16string TProjectDocument::CopyText() const {
  const auto selection = Selection();
  return selection.empty() ? std::u16string() : CopyModules(*Level(), selection);
}

TEditResult TProjectDocument::PasteText(std::u16string_view text, TPoint offset, const TPoint* at) {
  auto modules = Level();
  if (IsLocked)
    return TEditResult::Refused(LockedNote());
  TClipboardContent content;
  if (!modules || !PasteModules(text, content))
    return TEditResult::Refused(
        QCoreApplication::translate("TProjectDocument", "В тексте нет модулей проекта"));
  if (at) {
    // The middle of the modules' boxes goes where asked.
    TRect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (const auto& m : content.Modules) {
      const TPoint p = m->GetPosition();
      box = {std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X),
             std::max(box.Bottom, p.Y)};
    }
    offset = {at->X - (box.Left + box.Right) / 2, at->Y - (box.Top + box.Bottom) / 2};
  }
  // The pasted modules are the document's own until the command puts them in.
  for (const auto& m : content.Modules) {
    const TPoint p = m->GetPosition();
    m->SetPosition({p.X + offset.X, p.Y + offset.Y});
  }
  for (const auto& link : content.Links)
    for (TPoint& p : link->Points)
      p = {p.X + offset.X, p.Y + offset.Y};
  // Pasted modules take the first free names of their stems.
  std::unordered_set<std::u16string> taken = NamesOf(*modules);
  for (const auto& m : content.Modules) {
    const std::u16string name = ::FreeName(taken, m->GetName());
    m->SetName(name);
    taken.insert(name);
  }
  auto pasted = std::make_shared<TModuleList>();
  for (const auto& m : content.Modules)
    pasted->Insert(pasted->Count(), m);
  ::AttachParameters(*pasted, Components ? Components() : nullptr);
  // A text may hold links no edit could make (a text editor, another program): they stay out.
  const std::vector<TLinkFaultAt> unlawful = UnlawfulLinks(content.Links);
  for (auto it = unlawful.rbegin(); it != unlawful.rend(); ++it)
    content.Links.erase(content.Links.begin() + static_cast<std::ptrdiff_t>(it->Index));
  const TEditResult pushed =
      Push(new TAddModulesCommand(tr("Paste"), modules, content.Modules, content.Links, Notify()));
  if (!pushed || unlawful.empty())
    return pushed;
  const TLinkFault first = unlawful.front().Fault;
  const QString why =
      first == TLinkFault::SelfLink
          ? QCoreApplication::translate("TProjectDocument", "модуль не соединяется сам с собой")
      : first == TLinkFault::InputTaken
          ? QCoreApplication::translate("TProjectDocument", "у входа может быть только одна связь")
          : QCoreApplication::translate("TProjectDocument", "связь замкнула бы цикл");
  return TEditResult::DoneWith(
      QCoreApplication::translate("TProjectDocument", "Вставлено без связей (%1): %2")
          .arg(unlawful.size())
          .arg(why));
}

TEditResult TProjectDocument::SetLinkPoints(const std::shared_ptr<TLink>& link,
                                            std::vector<TPoint> points, const QString& text) {
  auto modules = Level();
  if (!modules || !link || modules->GetLinks().IndexOf(link) < 0)
    return TEditResult::Refused(
        QCoreApplication::translate("TProjectDocument", "Связи нет на этом уровне"));
  if (points == link->Points)
    return TEditResult::Done();
  return Push(new TLinkPointsCommand(text, modules, link, std::move(points), Notify()));
}

TEditResult TProjectDocument::DeleteSelected() {
  auto modules = Level();
  if (!modules)
    return TEditResult::Done();
  if (Link)
    return Push(new TDeleteLinkCommand(modules, Link, Notify()));
  if (const auto selection = Selection(); !selection.empty()) {
    // Boundary modules take the links to their ports on the level above with them.
    const std::vector<std::shared_ptr<TLink>> outside = PortLinks(selection);
    if (outside.empty())
      return Push(new TDeleteModuleCommand(modules, selection, Notify()));
    std::vector<QUndoCommand*> steps{new TDeleteModuleCommand(modules, selection, Notify())};
    for (const auto& link : outside)
      steps.push_back(new TDeleteLinkCommand(ParentLevel(), link, Notify()));
    return Push(new TGroupCommand(tr("Delete"), std::move(steps)));
  }
  return TEditResult::Done();
}

std::shared_ptr<IModuleList> TProjectDocument::ParentLevel() const {
  if (!Project || Path.empty())
    return nullptr;
  return Path.size() == 1 ? Project->GetMainModules() : Path[Path.size() - 2]->GetModules();
}

std::vector<std::shared_ptr<TLink>>
TProjectDocument::PortLinks(const std::vector<std::shared_ptr<IModule>>& ports) const {
  std::vector<std::shared_ptr<TLink>> found;
  const auto above = ParentLevel();
  if (!above)
    return found;
  const std::shared_ptr<IModule> owner = Path.back();
  for (const auto& link : above->GetLinks().All())
    for (const auto& port : ports)
      if ((IsInputPort(*port) && link->To == owner && link->Input == port->GetName()) ||
          (IsOutputPort(*port) && link->From == owner && link->Output == port->GetName())) {
        found.push_back(link);
        break;
      }
  return found;
}

TEditResult TProjectDocument::AddPort(bool output, TPoint at) {
  if (!Project)
    return TEditResult::Refused(QCoreApplication::translate("TProjectDocument", "Нет проекта"));
  if (Path.empty())
    return TEditResult::Refused(QCoreApplication::translate(
        "TProjectDocument", "Порты бывают только у модуля, в котором есть модули: откройте его"));
  TModuleText text = NewModuleText();
  text.Name = ToQString(FreeName(output ? u"Out" : u"In"));
  text.Type = ToQString(std::u16string(output ? OutputPortType : InputPortType));
  text.Width = "60";
  text.Height = "30";
  const TPoint place = FreePlace(at, 60, 30);
  text.PositionX = QString::number(place.X);
  text.PositionY = QString::number(place.Y);
  TModuleValues values;
  if (TEditResult read = ReadText(text, values); !read)
    return read;
  auto level = Level();
  auto module = std::make_shared<TModule>(nullptr, std::weak_ptr<IModuleList>(level));
  values.ApplyTo(*module, mfAll & ~mfInputs & ~mfParams);
  UpdatePorts(*module);
  return Push(new TAddModulesCommand(output ? tr("Add Output Port") : tr("Add Input Port"), level,
                                     {module}, {}, Notify()));
}

TEditResult TProjectDocument::MakeSubsystem() {
  if (IsLocked)
    return TEditResult::Refused(LockedNote());
  TRestructure plan = PlanMakeSubsystem(Level(), Selection());
  if (!plan.Ok)
    return TEditResult::Refused(QString::fromStdString(plan.Reason));
  return Push(new TRestructureCommand(tr("Make Subsystem"), std::move(plan), Notify()));
}

TEditResult TProjectDocument::Explode() {
  if (IsLocked)
    return TEditResult::Refused(LockedNote());
  const auto selection = Selection();
  TRestructure plan = PlanExplode(Level(), selection.size() == 1 ? selection.front() : nullptr);
  if (!plan.Ok)
    return TEditResult::Refused(QString::fromStdString(plan.Reason));
  return Push(new TRestructureCommand(tr("Explode"), std::move(plan), Notify()));
}

TResult TProjectDocument::ExportModule(const std::shared_ptr<IModule>& module,
                                       const std::u16string& file) const {
  auto level = Level();
  if (!module || !level || level->IndexOf(module) < 0)
    return TResult::Failed(
        QCoreApplication::translate("TProjectDocument", "Не выбран модуль").toStdString());
  return ExportModules(*level, {module}, file);
}

TEditResult TProjectDocument::InsertFile(const std::u16string& file, TPoint at) {
  std::u16string text;
  if (TResult read = ReadModulesFile(file, text); !read)
    return TEditResult::Refused(QString::fromStdString(read.Reason));
  return PasteText(text, {}, &at);
}

std::u16string TProjectDocument::FreeName(const std::u16string& stem) const {
  const auto level = Level();
  if (!level)
    return NumberedName({}, stem);
  // The stem with a number: "Gen" itself is never proposed, nor a taken "Gen1".
  const std::u16string base = stem.empty() ? std::u16string(u"Module") : stem;
  return FreeNameIn(*level, base + u"1");
}

QString TProjectDocument::NameRefusal(const std::u16string& name, const IModule* module) const {
  const auto level = Level();
  if (!level || !NameTaken(*level, name, module))
    return {};
  return QCoreApplication::translate("TProjectDocument", "Имя «%1» уже есть на этом уровне")
      .arg(ToQString(name));
}

TPoint TProjectDocument::FreePlace(TPoint near, std::int32_t width, std::int32_t height) const {
  return ::FreePlace(Level().get(), near, width, height);
}

TModuleText TProjectDocument::ProposedModuleText(TPoint near) const {
  TModuleText text = NewModuleText();
  text.Name = ToQString(FreeName(u"Module"));
  const TPoint place = FreePlace(near, text.Width.toInt(), text.Height.toInt());
  text.PositionX = QString::number(place.X);
  text.PositionY = QString::number(place.Y);
  return text;
}

void TProjectDocument::AttachComponents() {
  if (auto modules = Project ? Project->GetMainModules() : nullptr) {
    ::AttachParameters(*modules, Components ? Components() : nullptr);
    Refresh();
  }
}

void TProjectDocument::MarkSaved() {
  CheckFileBeforeSave = false;
  UndoStack->setClean();
  if (Project)
    Project->Modified = false;
  emit ModifiedChanged();
  RemoveRecovery();
}

std::u16string TProjectDocument::RecoveryFile() const {
  return Utf8ToUtf16(Recoveries[RecoveryAt]->File());
}

bool TProjectDocument::RecoveryWanted() const {
  // Like the configuration, nothing is kept without its folder.
  std::error_code ec;
  return Project && !RecoveryGivenUp && std::filesystem::is_directory(RecoveryFolders[0], ec);
}

void TProjectDocument::SetRecoveryFallbacks(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders)
    if (std::find(RecoveryFolders.begin(), RecoveryFolders.end(), folder) ==
        RecoveryFolders.end()) {
      RecoveryFolders.push_back(folder);
      Recoveries.push_back(std::make_unique<TRecovery>(folder));
    }
}

bool TProjectDocument::NextRecoveryFolder() {
  const std::string failed = RecoveryFolders[RecoveryAt];
  while (RecoveryAt + 1 < RecoveryFolders.size()) {
    ++RecoveryAt;
    // A folder of the user's own: made when missing, refused when somebody else's.
    const std::string& folder = RecoveryFolders[RecoveryAt];
    struct stat st {};
    if (MakeFolders(folder) && lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == geteuid() && CurrentRecovery().Hold()) {
      const char* note =
          QT_TRANSLATE_NOOP("TProjectDocument", "Несохранённая работа не записывается в «%1»; она "
                                                "хранится в «%2»");
      const QString from = QString::fromStdString(failed), to = QString::fromStdString(folder);
      emit RecoveryMoved(QCoreApplication::translate("TProjectDocument", note).arg(from, to),
                         QString::fromUtf8(note).arg(from, to));
      return true;
    }
  }
  if (!RecoveryGivenUp) {
    RecoveryGivenUp = true;
    const char* note = QT_TRANSLATE_NOOP("TProjectDocument",
                                         "Несохранённая работа не записывается: ни одна папка для "
                                         "неё не доступна (последняя — «%1»)");
    const QString last = QString::fromStdString(failed);
    emit RecoveryMoved(QCoreApplication::translate("TProjectDocument", note).arg(last),
                       QString::fromUtf8(note).arg(last));
  }
  return false;
}

bool TProjectDocument::WriteRecovery() {
  // The work as it is now: a write of an older copy first ends. A folder that fails gives way
  // to the next.
  WaitForRecovery();
  while (RecoveryWanted()) {
    const std::size_t at = RecoveryAt;
    if (KeepRecovery() && WaitForRecovery())
      return true;
    if (at == RecoveryAt && !NextRecoveryFolder())
      return false;
  }
  return false;
}

bool TProjectDocument::KeepRecovery() {
  // One write at a time, and the window never waits for one: while a write is under way the
  // next change tries again.
  if (Writing.valid() && Writing.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
    return true;
  ChangesSinceRecovery = 0;
  // The last write failed (a full disk, say): the next folder takes the work.
  if (!WaitForRecovery() && RecoveryWanted() && !NextRecoveryFolder())
    return false;
  // A folder that cannot be written gives way to the next.
  if (!RecoveryWanted())
    return false;
  if (!CurrentRecovery().Hold() && !NextRecoveryFolder())
    return false;
  // The copy is taken here, between two changes; the worker builds the file from it.
  std::shared_ptr<const TProjectSnapshot> snapshot = TProjectSnapshot::Take(*Project);
  if (!snapshot)
    return false;
  Writing = std::async(std::launch::async, [snapshot, file = RecoveryFile()] {
    const std::unique_ptr<TProject> copy = snapshot->Build();
    const std::u16string original = copy->FileName;
    // Written atomically like every project file; the project's own file name goes with it.
    return copy
        ->Save(file,
               [&original](TKvenXmlNode1& root) { root.WriteString(u"RecoveredFrom", original); })
        .Ok;
  });
  return true;
}

bool TProjectDocument::WaitForRecovery() {
  if (!Writing.valid())
    return true;
  try {
    return Writing.get();
  } catch (...) {
    return false;
  }
}

bool TProjectDocument::LeaveRecovery() {
  Leaving = Project && Project->Modified && WriteRecovery();
  return Leaving;
}

void TProjectDocument::RemoveRecovery() {
  if (Leaving)
    return;
  ChangesSinceRecovery = 0;
  // A write under way would bring the file back.
  WaitForRecovery();
  for (const auto& recovery : Recoveries)
    recovery->Remove();
}

std::vector<TRecovery::TLeft> TProjectDocument::LeftRecoveries() {
  // Only work of editors that no longer run; this editor's own lock is taken afterwards.
  std::vector<TRecovery::TLeft> left;
  for (const auto& recovery : Recoveries) {
    const std::vector<TRecovery::TLeft> more = recovery->Left();
    left.insert(left.end(), more.begin(), more.end());
  }
  std::stable_sort(
      left.begin(), left.end(),
      [](const TRecovery::TLeft& a, const TRecovery::TLeft& b) { return a.Kept > b.Kept; });
  Recoveries[0]->Hold();
  return left;
}

void TProjectDocument::SetLocked(bool locked) {
  if (locked == IsLocked)
    return;
  IsLocked = locked;
  emit LockChanged();
}

QString TProjectDocument::LockedNote() {
  return QCoreApplication::translate(
      "TProjectDocument", "Проект выполняется: изменения недоступны до остановки (Project ▸ Stop)");
}
