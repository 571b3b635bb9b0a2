#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>
#include <map>
#include <string>

class QLabel;

// The about box "О программе": the main window's caption as the program's name, the lines of the
// executable's version table, a picture and a link to the maker's site.
class TfmAbout : public QDialog {
  Q_OBJECT
public:
  using TVersionTable = std::map<std::string, std::string>;

  // The name is the owner's caption. Without a table the executable's own is read.
  explicit TfmAbout(QWidget* owner = nullptr, const TVersionTable* table = nullptr);

  // The version text: the product (with its version only after its name), file name, internal
  // name, version, copyright, company and description, each present value on its own line.
  static QString VersionText(const TVersionTable& table);
  // Opens the link in the default handler.
  void lbWWWClick();

  // What opens a link; replaceable, for tests.
  std::function<void(const QUrl&)> OpenUrl;

  static constexpr const char* WebAddress = "https://kven.org/zu-programming/";

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QLabel* lbName;
  QLabel* lbCopyright;
  QLabel* lbWWW;
};
