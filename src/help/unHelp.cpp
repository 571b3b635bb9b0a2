#include "help/unHelp.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TfmHelp::TfmHelp(QWidget* owner) : QDialog(owner) {
  setObjectName("fmHelp");
  setWindowTitle(QString::fromUtf8("Справка по программе ZUProgramming"));
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
      "Модульное визуальное программирование",
      "",
      "Проект содержит один главный модуль.",
      "",
      "Модуль - это структурная единица, выполняющая какие-то действия.",
      "Модуль имеет входные и выходные параметры.",
      "Модуль может работать с каким либо прибором, отвечать за связь с БД и пр.",
      "Модуль может работа автоматически или по запросу.",
      "",
      "Каждый модуль модуль может содержать в себе вложеные модули.",
      "",
      "Истоки",
      "Мысль собирать программу из блоков на холсте, соединяя входы и выходы, пришла от",
      "визуальных сред разработки с палитрой компонентов, от блок-схем систем управления",
      "и от редакторов потоков данных для измерительных приборов.",
  };
  QStringList lines;
  for (const char* line : Lines)
    lines << QString::fromUtf8(line);
  return lines;
}
