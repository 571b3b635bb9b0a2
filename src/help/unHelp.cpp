#include "help/unHelp.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TfmHelp::TfmHelp(QWidget* owner) : QDialog(owner) {
  setObjectName("fmHelp");
  setWindowTitle(QCoreApplication::translate("TfmHelp", "Справка по программе ZUProgramming"));
  resize(444, 276);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* mmHelp = new QPlainTextEdit(this);
  mmHelp->setObjectName("mmHelp");
  mmHelp->setPlainText(HelpLines().join('\n'));
  mmHelp->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmHelp->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(mmHelp);
}

QStringList TfmHelp::HelpLines() {
  static const char* const Lines[] = {
      QT_TRANSLATE_NOOP("TfmHelp", "Модульное визуальное программирование"),
      "",
      QT_TRANSLATE_NOOP("TfmHelp", "Проект содержит один главный модуль."),
      "",
      QT_TRANSLATE_NOOP("TfmHelp",
                        "Модуль - это структурная единица, выполняющая какие-то действия."),
      QT_TRANSLATE_NOOP("TfmHelp", "Модуль имеет входные и выходные параметры."),
      QT_TRANSLATE_NOOP(
          "TfmHelp", "Модуль может работать с каким либо прибором, отвечать за связь с БД и пр."),
      QT_TRANSLATE_NOOP("TfmHelp", "Модуль может работа автоматически или по запросу."),
      "",
      QT_TRANSLATE_NOOP("TfmHelp", "Каждый модуль модуль может содержать в себе вложеные модули."),
      "",
      QT_TRANSLATE_NOOP("TfmHelp", "Истоки"),
      QT_TRANSLATE_NOOP(
          "TfmHelp",
          "Мысль собирать программу из блоков на холсте, соединяя входы и выходы, пришла от"),
      QT_TRANSLATE_NOOP(
          "TfmHelp",
          "визуальных сред разработки с палитрой компонентов, от блок-схем систем управления"),
      QT_TRANSLATE_NOOP("TfmHelp", "и от редакторов потоков данных для измерительных приборов."),
  };
  QStringList lines;
  for (const char* line : Lines)
    lines << (*line ? QCoreApplication::translate("TfmHelp", line) : QString());
  return lines;
}
