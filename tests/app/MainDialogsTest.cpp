#include "app/unMainDialogs.h"
#include "platform/unStrings.h"
#include "xml/XmlTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs the step once the file dialog the dialogs open is there.
void WhenDialogShown(std::function<void(QFileDialog&)> step) {
  QTimer::singleShot(0, [step] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    step(*dialog);
  });
}

// Answers the overwrite question that comes up while the step runs, and records it.
void AnswerQuestion(QMessageBox::StandardButton answer, QString* asked) {
  QTimer::singleShot(0, [answer, asked] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr) << "no question";
    *asked = box->text();
    box->button(answer)->click();
  });
}

void TypeName(QFileDialog& dialog, const QString& name) {
  dialog.findChild<QLineEdit*>("fileNameEdit")->setText(name);
}

void Accept(QFileDialog& dialog) {
  QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection);
}

} // namespace

TEST(MainDialogs, AnErrorsDetailsOfAnyLengthAreShownCut) {
  QWidget parent;
  TQtMainDialogs dialogs(&parent);
  QString shown, text;
  for (const int length : {100, 200000}) {
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      shown = box->detailedText();
      text = box->text();
      box->accept();
    });
    dialogs.ShowError("It failed", QString(length, QChar('d')));
    EXPECT_EQ(text, "It failed");
    if (length == 100) {
      EXPECT_EQ(shown, QString(100, QChar('d')));
    } else {
      EXPECT_EQ(shown.size(), static_cast<qsizetype>(ShownTextUnits));
      EXPECT_EQ(shown.back(), QChar(0x2026));
      EXPECT_EQ(shown.left(10), QString(10, QChar('d')));
    }
  }
}

TEST(MainDialogs, SaveAsAsksBeforeAnExistingFileIsReplaced) {
  TTempFolder folder;
  WriteBytes(folder.File("old.xml"), "kept");
  QWidget parent;
  TQtMainDialogs dialogs(&parent);
  QString asked;
  bool stayedOpen = false;
  WhenDialogShown([&](QFileDialog& dialog) {
    dialog.setDirectory(QString::fromStdString(folder.Path.string()));
    TypeName(dialog, "old.xml");
    AnswerQuestion(QMessageBox::No, &asked);
    Accept(dialog);
    stayedOpen = dialog.isVisible();
    dialog.reject();
  });
  EXPECT_EQ(dialogs.ChooseSaveFile(), std::nullopt);
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(asked.contains("old.xml")) << asked.toStdString();
  WhenDialogShown([&](QFileDialog& dialog) {
    TypeName(dialog, "old.xml");
    AnswerQuestion(QMessageBox::Yes, &asked);
    Accept(dialog);
  });
  EXPECT_EQ(dialogs.ChooseSaveFile(), QString::fromStdString((folder.Path / "old.xml").string()));
}

TEST(MainDialogs, ProjectsAreSavedWithTheirOwnExtensionUnlessOneIsTyped) {
  TTempFolder folder;
  WriteBytes(folder.File("old.zuproj"), "kept");
  QWidget parent;
  TQtMainDialogs dialogs(&parent);
  QStringList filters;
  // "old" stands for old.zuproj, which is asked about before it is replaced.
  QString asked;
  WhenDialogShown([&](QFileDialog& dialog) {
    filters = dialog.nameFilters();
    dialog.setDirectory(QString::fromStdString(folder.Path.string()));
    TypeName(dialog, "old");
    AnswerQuestion(QMessageBox::Yes, &asked);
    Accept(dialog);
  });
  EXPECT_EQ(dialogs.ChooseSaveFile(),
            QString::fromStdString((folder.Path / "old.zuproj").string()));
  EXPECT_TRUE(asked.contains("old.zuproj")) << asked.toStdString();
  ASSERT_FALSE(filters.isEmpty());
  EXPECT_TRUE(filters.front().contains("*.zuproj"));
  const struct {
    const char* Typed;
    const char* File;
  } rows[] = {{"p", "p.zuproj"},
              {"p.xml", "p.xml"},
              {"p.zuproj", "p.zuproj"},
              {"/a.b/p", "/a.b/p.zuproj"},
              {"", ""}};
  for (const auto& row : rows)
    EXPECT_EQ(WithProjectSuffix(row.Typed), row.File) << row.Typed;
}

TEST(MainDialogs, AnExportNameWithoutExtensionGetsTheChosenKinds) {
  TTempFolder folder;
  QWidget parent;
  TQtMainDialogs dialogs(&parent);
  const QString dir = QString::fromStdString(folder.Path.string());
  WhenDialogShown([&](QFileDialog& dialog) {
    dialog.setDirectory(dir);
    TypeName(dialog, "picture");
    Accept(dialog);
  });
  EXPECT_EQ(dialogs.ChooseExportFile(), dir + "/picture.png");
  WhenDialogShown([&](QFileDialog& dialog) {
    auto* kinds = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(kinds, nullptr);
    kinds->setCurrentIndex(1);
    emit kinds->activated(1); // as a choice of the user
    TypeName(dialog, "picture");
    Accept(dialog);
  });
  EXPECT_EQ(dialogs.ChooseExportFile(), dir + "/picture.svg");
  // An existing picture of that name is not replaced without asking.
  WriteBytes(folder.File("picture.png"), "old");
  QString asked;
  WhenDialogShown([&](QFileDialog& dialog) {
    TypeName(dialog, "picture");
    AnswerQuestion(QMessageBox::No, &asked);
    Accept(dialog);
    dialog.reject();
  });
  EXPECT_EQ(dialogs.ChooseExportFile(), std::nullopt);
  EXPECT_TRUE(asked.contains("picture.png")) << asked.toStdString();
}

TEST(MainDialogs, FilterExtensions) {
  const struct {
    const char *File, *Filter, *Result;
  } table[] = {{"/a/pic", "SVG (*.svg)", "/a/pic.svg"},
               {"/a/pic", "PNG (*.png)", "/a/pic.png"},
               {"/a/pic.svg", "PNG (*.png)", "/a/pic.svg"},
               {"/a/pic", "", "/a/pic.png"},
               {"/a.b/pic", "SVG (*.svg)", "/a.b/pic.svg"},
               {"", "SVG (*.svg)", ""},
               {"/a/pic", "*.svg", "/a/pic.svg"}};
  for (const auto& row : table)
    EXPECT_EQ(WithFilterSuffix(row.File, row.Filter), row.Result) << row.File << " " << row.Filter;
}
