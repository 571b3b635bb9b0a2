#include "model/unProject.h"

#include "model/unModule.h"

TProject::TProject(IComponentList* components, TAddToLog onLog, std::u16string fileName,
                   std::u16string name)
    : FileName(std::move(fileName)), OnLog(std::move(onLog)), Components(components),
      MainModule(std::make_shared<TModule>(this, std::weak_ptr<IModuleList>())) {
  MainModule->SetName(u"Main");
  Name = std::move(name);
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
  try {
    if (auto modules = GetMainModules())
      modules->Draw(canvas);
  } catch (...) {
  }
}
