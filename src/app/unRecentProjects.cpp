#include "app/unRecentProjects.h"

#include "canvas/unQtStrings.h"
#include "xml/unXml.h"

void TRecentProjects::Add(const QString& file) {
  if (file.isEmpty())
    return;
  Files.removeAll(file);
  Files.prepend(file);
  while (Files.size() > Limit)
    Files.removeLast();
}

void TRecentProjects::Load(const TKvenXmlNode1* element) {
  Files.clear();
  if (!element)
    return;
  const TKvenXmlCollection& children = element->GetChildNodes();
  for (std::int32_t i = 0; i < children.GetCount() && Files.size() < Limit; ++i) {
    const TKvenXmlNode1* child = children.GetNode(i);
    const QString file = ToQString(std::u16string(child->GetValue()));
    if (child->GetName() == u"Project" && !file.isEmpty() && !Files.contains(file))
      Files.append(file);
  }
}

void TRecentProjects::Save(TKvenXmlNode1& element) const {
  element.GetChildNodes().Clear();
  for (const QString& file : Files)
    element.GetChildNodes().AddNew(u"Project")->SetValueString(ToU16(file));
}
