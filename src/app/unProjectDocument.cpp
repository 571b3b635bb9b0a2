#include "app/unProjectDocument.h"

#include "canvas/unQtStrings.h"
#include "model/unClipboard.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unModuleList.h"
#include "model/unProject.h"
#include "model/unProjectSnapshot.h"
#include "platform/unStrings.h"
#include "xml/unXml.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>

TProjectDocument::TProjectDocument(QObject* parent, const std::string& recoveryFolder)
    : QObject(parent), UndoStack(new QUndoStack(this)), RecoveryTimer(new QTimer(this)),
      Recovery(recoveryFolder), RecoveryFolder(recoveryFolder) {
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
}

void TProjectDocument::CloseProject() {
  if (!Project)
    return;
  try {
    Project->Close();
  } catch (...) {
  }
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

void TProjectDocument::Select(const std::shared_ptr<IModule>& module) {
  if (auto modules = Level()) {
    // Only the marks there are need clearing.
    if (SelectionKnown)
      for (const auto& selected : SelectionCache)
        selected->SetFocused(WordFalse);
    else
      modules->ClearFocus();
    SelectionCache.clear();
    if (module) {
      module->SetFocused(WordTrue);
      SelectionCache.push_back(module);
    }
    SelectionKnown = true;
  }
  Link.reset();
  emit SelectionChanged();
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

void TProjectDocument::SelectAll() {
  if (auto modules = Level())
    for (std::int32_t i = 0; i < modules->Count(); ++i)
      modules->GetItem(i)->SetFocused(WordTrue);
  Link.reset();
  SelectionKnown = false;
  emit SelectionChanged();
}

void TProjectDocument::SelectionTouched() {
  Link.reset();
  SelectionKnown = false;
  emit SelectionChanged();
}

void TProjectDocument::SelectLink(const std::shared_ptr<TLink>& link) {
  if (auto modules = Level())
    modules->ClearFocus();
  Link = link;
  SelectionKnown = false;
  emit SelectionChanged();
}

void TProjectDocument::ForgetGoneLink() {
  auto modules = Level();
  if (Link && (!modules || modules->GetLinks().IndexOf(Link) < 0))
    Link.reset();
}

std::u16string TProjectDocument::AddLink(const std::shared_ptr<IModule>& from,
                                         const std::u16string& output,
                                         const std::shared_ptr<IModule>& to,
                                         const std::u16string& input) {
  auto modules = Level();
  if (!modules)
    return ToU16(QCoreApplication::translate("TProjectDocument", "Нет проекта"));
  const TLinkCheck check = modules->GetLinks().Check(from, output, to, input);
  if (!check.Ok)
    return check.Reason;
  auto link = std::make_shared<TLink>();
  link->From = from;
  link->Output = output;
  link->To = to;
  link->Input = input;
  Push(new TAddLinkCommand(modules, link, check.Replaced, Changed()));
  return {};
}

std::u16string TProjectDocument::CopyText() const {
  const auto selection = Selection();
  return selection.empty() ? std::u16string() : CopyModules(*Level(), selection);
}

bool TProjectDocument::PasteText(std::u16string_view text, TPoint offset, const TPoint* at) {
  auto modules = Level();
  TClipboardContent content;
  if (!modules || !PasteModules(text, content))
    return false;
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
  for (const auto& m : content.Modules) {
    const TPoint p = m->GetPosition();
    m->SetPosition({p.X + offset.X, p.Y + offset.Y});
  }
  for (const auto& link : content.Links)
    for (TPoint& p : link->Points)
      p = {p.X + offset.X, p.Y + offset.Y};
  if (AttachParameters) {
    auto pasted = std::make_shared<TModuleList>();
    for (const auto& m : content.Modules)
      pasted->Insert(pasted->Count(), m);
    AttachParameters(*pasted);
  }
  Link.reset();
  Push(new TAddModulesCommand(tr("Paste"), modules, content.Modules, content.Links, Changed()));
  SelectionKnown = false;
  emit SelectionChanged();
  return true;
}

void TProjectDocument::DeleteSelected() {
  auto modules = Level();
  if (!modules)
    return;
  if (Link) {
    Push(new TDeleteLinkCommand(modules, Link, Changed()));
    return;
  }
  if (const auto selection = Selection(); !selection.empty())
    Push(new TDeleteModuleCommand(modules, selection, Changed()));
}

void TProjectDocument::Push(QUndoCommand* command) {
  UndoStack->push(command);
  // The modified mark comes with the stack's cleanChanged.
  if (++ChangesSinceRecovery >= RecoveryEveryChanges)
    KeepRecovery();
}

TChanged TProjectDocument::Changed() {
  return [this](const TChange& change) {
    // Modules that come with focus marks (a paste, an undone delete) change the selection; those
    // that go leave it.
    for (const auto& module : change.Added)
      if (module->GetFocused())
        SelectionKnown = false;
    for (const auto& module : change.Removed)
      std::erase(SelectionCache, module);
    KeepPathValid();
    ForgetGoneLink();
    emit ModulesChanged(change);
    emit ContentChanged();
  };
}

void TProjectDocument::MoveByKeys(const std::shared_ptr<IModule>& module, TPoint from) {
  // Presses less than a second apart on one module make one step.
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  if (KeyRun == 0 || now - KeyRunAt > KeyRunGapMs || KeyRunModule.lock() != module)
    ++KeyRun;
  KeyRunAt = now;
  KeyRunModule = module;
  TModuleValues before = TModuleValues::Of(*module);
  before.Position = from;
  Push(new TChangeModuleCommand(tr("Move"), module, before, TModuleValues::Of(*module), Changed(),
                                KeyRun));
  emit ModuleMoving(module);
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
  return Utf8ToUtf16(Recovery.File());
}

bool TProjectDocument::WriteRecovery() {
  // The work as it is now: a write of an older copy first ends.
  WaitForRecovery();
  return KeepRecovery() && WaitForRecovery();
}

bool TProjectDocument::KeepRecovery() {
  // One write at a time, and the window never waits for one: while a write is under way the
  // next change tries again.
  if (Writing.valid() && Writing.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
    return true;
  ChangesSinceRecovery = 0;
  std::error_code ec;
  // Like the configuration, nothing is kept without its folder.
  if (!Project || !std::filesystem::is_directory(RecoveryFolder, ec) || !Recovery.Hold())
    return false;
  WaitForRecovery();
  // The copy is taken here, between two changes; the worker builds the file from it.
  std::shared_ptr<const TProjectSnapshot> snapshot = TProjectSnapshot::Take(*Project);
  if (!snapshot)
    return false;
  Writing = std::async(std::launch::async, [snapshot, file = RecoveryFile()] {
    const std::unique_ptr<TProject> copy = snapshot->Build();
    const std::u16string original = copy->FileName;
    // Written atomically like every project file; the project's own file name goes with it.
    return copy->Save(
        file, [&original](TKvenXmlNode1& root) { root.WriteString(u"RecoveredFrom", original); });
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
  Recovery.Remove();
}

std::vector<TRecovery::TLeft> TProjectDocument::LeftRecoveries() {
  // Only work of editors that no longer run; this editor's own lock is taken afterwards.
  std::vector<TRecovery::TLeft> left = Recovery.Left();
  Recovery.Hold();
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
