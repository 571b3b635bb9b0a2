// The palette: components by group and subsystems, searched, chosen and dragged onto the canvas.
#include "app/unPalette.h"
#include "app/unProjectDocument.h"
#include "canvas/unProgrammingImage.h"
#include "model/unIModule.h"
#include "model/unModuleList.h"
#include "model/unProject.h"
#include "platform/unTypes.h"
#include "plugins/unComponentList.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::string Bin = std::string(ZU_SAMPLES) + "/";

std::unique_ptr<TComponentList> Registry(const std::vector<std::string>& files) {
  auto registry = std::make_unique<TComponentList>();
  registry->ProbeProgram = Bin + "zu-probe";
  for (const std::string& f : files)
    registry->AddComponent(f);
  return registry;
}

QTreeWidgetItem* Entry(QTreeWidget* tree, const QString& name) {
  const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive, 0);
  return found.isEmpty() ? nullptr : found.front();
}

} // namespace

TEST(Palette, ListsComponentsByGroupThenSubsystemsAndSearchesNamesTitlesAndDescriptions) {
  const auto registry =
      Registry({Bin + "And.so", Bin + "Multiply.so", Bin + "Adder.so", Bin + "Sequence.so",
                std::string(ZU_TEST_COMPONENTS) + "/test_misbehaves.so"});
  ASSERT_EQ(registry->Count(), 5);
  TPalette palette;
  palette.Fill(registry.get(), {"/home/u/subsystems/Filter.xml"});
  // Known groups in their order, a component naming none under "Other", subsystems last.
  EXPECT_EQ(palette.Shown(),
            (QStringList{
                QString::fromUtf8("Математика/Adder"), QString::fromUtf8("Математика/Multiply"),
                QString::fromUtf8("Логика/And"), QString::fromUtf8("Источники/Sequence"),
                QString::fromUtf8("Прочие/Misbehaves"), QString::fromUtf8("Подсистемы/Filter")}));
  auto* tree = palette.findChild<QTreeWidget*>("tvPalette");
  ASSERT_TRUE(tree);
  QTreeWidgetItem* multiply = Entry(tree, "Multiply");
  ASSERT_TRUE(multiply);
  EXPECT_EQ(multiply->text(1), QString::fromUtf8("Умножение"));
  EXPECT_EQ(TPalette::EntryOf(multiply), QString::fromStdString("type:" + Bin + "Multiply.so"));
  EXPECT_EQ(TPalette::EntryOf(Entry(tree, "Filter")), "library:/home/u/subsystems/Filter.xml");
  EXPECT_EQ(TPalette::EntryOf(multiply->parent()), ""); // a group is no entry
  // The search field: by title (any case), by description; groups left empty are hidden.
  auto* search = palette.findChild<QLineEdit*>("edPaletteSearch");
  search->setText(QString::fromUtf8("умнож"));
  EXPECT_EQ(palette.Shown(), QStringList{QString::fromUtf8("Математика/Multiply")});
  EXPECT_TRUE(Entry(tree, "And")->parent()->isHidden());
  search->setText("A LIST");
  EXPECT_EQ(palette.Shown(), QStringList{QString::fromUtf8("Источники/Sequence")});
  search->setText("");
  EXPECT_EQ(palette.Shown().size(), 6);
  // Activated (double-click, Enter), an entry asks to be added.
  QString chosen;
  palette.OnChosen = [&](const QString& entry) { chosen = entry; };
  emit tree->itemActivated(multiply, 0);
  EXPECT_EQ(chosen, TPalette::EntryOf(multiply));
  chosen.clear();
  emit tree->itemActivated(multiply->parent(), 0);
  EXPECT_EQ(chosen, "");
  // Dragged (its entries can be, nothing can be dropped on it), it carries its entry.
  EXPECT_TRUE(tree->dragEnabled());
  EXPECT_EQ(tree->dragDropMode(), QAbstractItemView::DragOnly);
  EXPECT_TRUE(tree->rootIsDecorated()); // groups open and close
  const std::unique_ptr<QMimeData> data(tree->model()->mimeData({tree->indexFromItem(multiply)}));
  ASSERT_TRUE(data);
  EXPECT_EQ(QString::fromUtf8(data->data(TPalette::EntryMimeType)), TPalette::EntryOf(multiply));
}

TEST(Palette, TheWindowsPaletteAddsWhatIsChosenOrDroppedOnTheCanvas) {
  TTempFolder folder;
  for (const char* name : {"Multiply.so", "Adder.so"})
    std::filesystem::copy_file(Bin + name, folder.Path / name);
  std::filesystem::create_directory(folder.Path / "Configs");
  TScriptedMainDialogs::TScript script;
  auto window = ShownMainWindow(script, folder.Path);
  window->GetComponents()->ProbeProgram = Bin + "zu-probe";
  script.Dialogs = {[](QDialog&) { return 6; }}; // a new project
  window->Start();
  window->WaitForComponents();
  QApplication::processEvents();
  auto* dock = window->findChild<QDockWidget*>("dkPalette");
  ASSERT_TRUE(dock);
  EXPECT_FALSE(dock->isVisible()); // until View ▸ Palette shows it
  window->findChild<QAction*>("miPalette")->trigger();
  EXPECT_TRUE(dock->isVisible());
  auto* palette = dock->findChild<TPalette*>();
  ASSERT_TRUE(palette);
  EXPECT_EQ(palette->Shown(), (QStringList{QString::fromUtf8("Математика/Adder"),
                                           QString::fromUtf8("Математика/Multiply")}));
  auto* tree = palette->findChild<QTreeWidget*>("tvPalette");
  TProjectDocument& doc = *window->GetDocument();
  auto level = doc.GetProject()->GetMainModules();
  const std::int32_t before = level->Count();
  emit tree->itemActivated(Entry(tree, "Multiply"), 0);
  ASSERT_EQ(level->Count(), before + 1);
  EXPECT_EQ(doc.Selected()->GetName(), u"Multiply1");
  // Dropped on the canvas: a module around the point of the drop.
  TProgrammingImage* canvas = window->findChild<TProgrammingImage*>();
  ASSERT_TRUE(canvas);
  QMimeData data;
  data.setData(TPalette::EntryMimeType, TPalette::EntryOf(Entry(tree, "Adder")).toUtf8());
  const QPoint at(canvas->width() / 3, canvas->height() / 3);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(canvas, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(canvas, &drop);
  ASSERT_EQ(level->Count(), before + 2);
  const auto added = doc.Selected();
  EXPECT_EQ(added->GetName(), u"Adder1");
  const TPoint point = canvas->ToProject(at);
  EXPECT_LT(std::abs(added->GetPosition().X + added->GetWidth() / 2 - point.X) +
                std::abs(added->GetPosition().Y + added->GetHeight() / 2 - point.Y),
            4 * added->GetWidth());
  // One undo step each.
  doc.GetUndoStack()->undo();
  EXPECT_EQ(level->Count(), before + 1);
  // A module exported to the library of subsystems is in the palette at once.
  doc.Select(level->GetItem(level->Count() - 1));
  script.Files = {QString::fromStdString((folder.Path / "Subsystems" / "Twice.zuproj").string())};
  window->findChild<QAction*>("miExportModule")->trigger();
  EXPECT_TRUE(palette->Shown().contains(QString::fromUtf8("Подсистемы/Twice")))
      << palette->Shown().join(", ").toStdString();
}
