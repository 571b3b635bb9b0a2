#pragma once

#include <QStringList>

class TKvenXmlNode1;

// The projects last opened or saved, newest first, each once. Kept in the configuration as an
// element "RecentProjects" with one "Project" element per file.
class TRecentProjects {
public:
  static constexpr int Limit = 8;
  static constexpr const char16_t* ElementName = u"RecentProjects";

  // Puts the file (a full name) first; the oldest beyond the limit goes.
  void Add(const QString& file);
  void Clear() { Files.clear(); }
  const QStringList& GetFiles() const { return Files; }

  // Takes the files the configuration element holds (none without one); empty and repeated
  // names are left out, and those beyond the limit.
  void Load(const TKvenXmlNode1* element);
  // Replaces the element's content with the files.
  void Save(TKvenXmlNode1& element) const;

private:
  QStringList Files;
};
