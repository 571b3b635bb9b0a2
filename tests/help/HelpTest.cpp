#include "app/unMain.h"
#include "help/unAbout.h"
#include "help/unHelp.h"
#include "help/unTeach.h"
#include "support/ScriptedMainDialogs.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class TeachTest : public ::testing::Test {
protected:
  void SetUp() override {
    Window = std::make_unique<TfmMain>(std::make_unique<TScriptedMainDialogs>(Script), nullptr,
                                       Utf8ToUtf16(Folder.Path.string() + "/"));
  }
  void Move(QWidget* area) {
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), area->mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area, &move);
  }
  QWidget* TreeArea() { return Window->findChild<QTreeWidget*>("tvMain")->viewport(); }
  QWidget* StatusBar() { return Window->statusBar(); }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
};

const QString TreePage = "DOC\\Programming\\TreeViewMain.html";

} // namespace

TEST_F(TeachTest, BeforeTheFirstTeachMovesDoNothing) {
  Move(TreeArea());
  Move(StatusBar());
  EXPECT_EQ(Window->GetTeach(), nullptr);
  Window->findChild<QAction*>("miTeach")->trigger();
  ASSERT_NE(Window->GetTeach(), nullptr);
  EXPECT_EQ(Window->GetTeach()->windowTitle(), QString::fromUtf8("Обучение"));
  EXPECT_TRUE(Window->GetTeach()->isVisible());
  TfmTeach* first = Window->GetTeach();
  Window->GetTeach()->close(); // only hidden
  Window->findChild<QAction*>("miTeach")->trigger();
  EXPECT_EQ(Window->GetTeach(), first);
}

TEST_F(TeachTest, AQuickRoundTripNavigatesOnceToTheLastArea) {
  Window->ShowTeach();
  TfmTeach& teach = *Window->GetTeach();
  Move(TreeArea());
  Move(StatusBar());
  EXPECT_EQ(teach.GetPage(), "DOC\\Programming\\StatusBarMain.html");
  Move(TreeArea());
  EXPECT_EQ(teach.GetNavigations(), 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return teach.GetNavigations() > 0; }, 5000));
  EXPECT_EQ(teach.GetNavigations(), 1);
  EXPECT_EQ(teach.GetPage(), TreePage);
  EXPECT_EQ(teach.GetAddress(), QUrl::fromLocalFile(QString::fromStdString(Folder.Path.string()) +
                                                    "/DOC/Programming/TreeViewMain.html")
                                    .toString());
}

TEST_F(TeachTest, RestingOnOneAreaNavigatesOnce) {
  Window->ShowTeach();
  TfmTeach& teach = *Window->GetTeach();
  for (int i = 0; i < 8; ++i) {
    Move(TreeArea());
    QTest::qWait(100); // the same page asked again does not restart the count
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return teach.GetNavigations() > 0; }, 5000));
  EXPECT_EQ(teach.GetNavigations(), 1);
}

TEST(HelpWindow, TheTenLinesThenCredits) {
  TfmHelp help;
  EXPECT_EQ(help.windowTitle(), QString::fromUtf8("Справка по программе ZUProgramming"));
  const QStringList lines = TfmHelp::HelpLines();
  const QStringList first = {
      QString::fromUtf8("Модульное визуальное программирование"),
      "",
      QString::fromUtf8("Проект содержит один главный модуль."),
      "",
      QString::fromUtf8("Модуль - это структурная единица, выполняющая какие-то действия."),
      QString::fromUtf8("Модуль имеет входные и выходные параметры."),
      QString::fromUtf8(
          "Модуль может работать с каким либо прибором, отвечать за связь с БД и пр."),
      QString::fromUtf8("Модуль может работа автоматически или по запросу."),
      "",
      QString::fromUtf8("Каждый модуль модуль может содержать в себе вложеные модули.")};
  ASSERT_GT(lines.size(), 12);
  EXPECT_EQ(lines.mid(0, 10), first);
  EXPECT_EQ(lines[10], "");
  EXPECT_FALSE(lines[11].isEmpty());
}

TEST(AboutBox, SevenLinesFromAFullTable) {
  const TfmAbout::TVersionTable full = {
      {"ProductName", "ZU"},     {"ProductVersion", "1.2"},  {"OriginalFilename", "zu.bin"},
      {"InternalName", "zuint"}, {"FileVersion", "1.2.3.4"}, {"LegalCopyright", "(c) Me"},
      {"CompanyName", "Co"},     {"FileDescription", "Ed"},  {"Comments", "ignored"}};
  EXPECT_EQ(TfmAbout::VersionText(full), QString::fromUtf8("ZU (1.2)\nИмя файла: zu.bin\nzuint\n"
                                                           "Версия: 1.2.3.4\n(c) Me\n"
                                                           "Компания: Co\nОписание: Ed\n"));
  TfmAbout::TVersionTable noProduct = full;
  noProduct.erase("ProductName");
  EXPECT_TRUE(
      TfmAbout::VersionText(noProduct).startsWith(QString::fromUtf8("Имя файла: zu.bin\n")));
  EXPECT_FALSE(TfmAbout::VersionText(noProduct).contains("1.2\n") &&
               TfmAbout::VersionText(noProduct).contains("(1.2)"));
  TfmAbout::TVersionTable noVersion = full;
  noVersion["ProductVersion"] = "x"; // one character does not count
  EXPECT_TRUE(TfmAbout::VersionText(noVersion).startsWith("ZU\n"));
}

TEST(AboutBox, TheOwnersCaptionALongTextAndTheLink) {
  QWidget owner;
  owner.setWindowTitle(QString::fromUtf8("Из конфигурации"));
  const TfmAbout::TVersionTable small = {{"ProductName", "ZU"}};
  TfmAbout plain(&owner, &small);
  EXPECT_EQ(plain.windowTitle(), QString::fromUtf8("О программе"));
  // The lines without a line break after the last: no empty line makes the box grow.
  EXPECT_EQ(plain.findChild<QLabel*>("lbCopyright")->text(), "ZU");
  EXPECT_EQ(plain.findChild<QLabel*>("lbName")->text(), QString::fromUtf8("Из конфигурации"));
  EXPECT_EQ(plain.size(), QSize(312, 133));
  const TfmAbout::TVersionTable large = {
      {"ProductName", "ZU"},
      {"FileDescription", std::string(240, 'w').replace(10, 1, " ")},
      {"CompanyName", "A company with a long name that wraps over more than one line"},
      {"LegalCopyright", "Copyright (c) 2026 somebody who writes long copyright lines"}};
  TfmAbout grown(&owner, &large);
  auto* label = grown.findChild<QLabel*>("lbCopyright");
  EXPECT_GT(label->height(), 70);
  EXPECT_EQ(grown.height(), label->height() + 90);
  QUrl opened;
  grown.OpenUrl = [&](const QUrl& url) { opened = url; };
  QTest::mouseClick(grown.findChild<QLabel*>("lbWWW"), Qt::LeftButton);
  EXPECT_EQ(opened, QUrl(TfmAbout::WebAddress));
}
