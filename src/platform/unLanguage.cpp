#include "platform/unLanguage.h"

#include "platform/unStrings.h"

#include <atomic>
#include <cctype>
#include <unordered_map>

namespace {

// "en_GB.UTF-8@euro" -> "en".
std::string LanguageOf(std::string locale) {
  for (const char end : {'_', '.', '@'})
    if (const std::size_t at = locale.find(end); at != std::string::npos)
      locale.resize(at);
  for (char& c : locale)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return locale;
}

TLanguage Of(const std::string& language) {
  return language == "en" ? TLanguage::English : TLanguage::Russian;
}

// -1: not taken yet.
std::atomic<int> Chosen{-1};

// The English forms of the core's texts for users, by their source.
const std::unordered_map<std::string_view, const char*>& English() {
  static const std::unordered_map<std::string_view, const char*> table = {
      // Links.
      {"Связь соединяет выход одного модуля со входом другого",
       "A link joins an output of one module to an input of another"},
      {"Модуль не соединяется сам с собой", "A module is not linked to itself"},
      {"У модуля «%s» нет выхода «%s»", "Module “%s” has no output “%s”"},
      {"У модуля «%s» нет входа «%s»", "Module “%s” has no input “%s”"},
      {"Типы не совпадают: выход «%s» (%s) и вход «%s» (%s)",
       "The types differ: output “%s” (%s) and input “%s” (%s)"},
      {"Связь замкнула бы цикл: «%s» уже ведёт к «%s»",
       "The link would close a cycle: “%s” already leads to “%s”"},
      // Runs.
      {"Модуль «%s» не запущен: %s", "Module “%s” did not start: %s"},
      {"Модуль «%s», такт %d: %s", "Module “%s”, tick %d: %s"},
      {"шаг не закончился за %d мс; процесс компонентов остановлен",
       "the step did not end within %d ms; the component process was stopped"},
      {"создание экземпляра не закончилось за %d мс; процесс компонентов остановлен",
       "making the instance did not end within %d ms; the component process was stopped"},
      {"освобождение не закончилось за %d мс; процесс компонентов остановлен",
       "freeing the instance did not end within %d ms; the component process was stopped"},
      {"процесс компонентов завершился с кодом %d",
       "the component process ended with exit code %d"},
      {"процесс компонентов завершился", "the component process ended"},
      {"процесс компонентов завершён сигналом %d (%s)",
       "the component process was ended by signal %d (%s)"},
      {"процесс компонентов закрыл канал и не завершился за %d мс; он остановлен",
       "the component process closed its channel and did not end within %d ms; it was stopped"},
      {"непонятный ответ процесса компонентов", "the component process answered nonsense"},
      {"программа компонентов «%s» не найдена", "the component host “%s” is not there"},
      {"план выполнения занимает %d МиБ, больше предела в %d МиБ",
       "the run's plan takes %d MiB, more than the limit of %d MiB"},
      {"не удалось выделить общую память: %s", "no shared memory could be had: %s"},
      {"не удалось открыть канал к процессу компонентов: %s",
       "no channel to the component process could be opened: %s"},
      {"не удалось запустить процесс компонентов: %s",
       "the component process could not be started: %s"},
      {"другая версия протокола компонентов (%d, нужна %d)",
       "another version of the component protocol (%d, %d is needed)"},
      {"другая сторона не представилась: это не процесс компонентов этой версии",
       "the other side did not say who it is: it is no component process of this version"},
      {"исключение в ZU_Plugin_Run", "an exception in ZU_Plugin_Run"},
      {"Математика", "Math"},
      {"Логика", "Logic"},
      {"Время", "Timing"},
      {"Регулирование", "Control"},
      {"Источники", "Sources"},
      {"Тексты", "Text"},
      {"Файлы", "Files"},
      {"Сеть", "Network"},
      {"Устройства", "Devices"},
      {"Прочие", "Other"},
      {"исключение в ZU_Plugin_StepValues", "an exception in ZU_Plugin_StepValues"},
      {"исключение в ZU_Plugin_Load", "an exception in ZU_Plugin_Load"},
      {"ошибка шага: %s", "the step failed: %s"},
      {"экземпляр не создан: %s", "no instance was made: %s"},
      {"библиотека не загружается: %s", "the library does not load: %s"},
      {"у компонента нет процедур выполнения", "the component cannot run"},
      {"план выполнения не прочитан", "the run's plan could not be read"},
      {"%d сообщений модулей пропущено: их было больше %d в секунду",
       "%d messages of modules were left out: there were more than %d a second"},
      {"Модуль «%s» не выполняется: нет компонента «%s»",
       "Module “%s” does not run: there is no component “%s”"},
      {"Модуль «%s» не выполняется: компонент «%s» только описывает модули",
       "Module “%s” does not run: component “%s” only describes modules"},
      {"Вход «%s» модуля «%s» берёт своё значение: связь к нему не ведёт от выполняемого модуля",
       "Input “%s” of module “%s” takes its own value: its link comes from no module that runs"},
      {"Связи образуют цикл через модуль «%s»: проект не запускается",
       "The links close a cycle through module “%s”: the project does not start"},
      // Values.
      {"«%s» — не число (double)", "“%s” is not a number (double)"},
      {"«%s» — не целое число от -2147483648 до 2147483647 (int)",
       "“%s” is not a whole number from -2147483648 to 2147483647 (int)"},
      {"«%s» — не логическое значение: true, false, 1 или 0 (bool)",
       "“%s” is not a truth value: true, false, 1 or 0 (bool)"},
      {"«%s» — не один из вариантов: %s", "“%s” is not one of the choices: %s"},
      {"Модуль «%s», вход «%s»: %s", "Module “%s”, input “%s”: %s"},
      {"Имя «%s» уже есть на этом уровне", "The name “%s” is taken on this level"},
      {"У модуля нет имени", "A module needs a name"},
      {"В файле \"%s\" нет модулей проекта", "The file \"%s\" holds no modules of a project"},
      {"Не выбраны модули для подсистемы", "No modules are chosen for the subsystem"},
      {"Разобрать можно только модуль, в котором есть модули",
       "Only a module that holds modules can be taken apart"},
      // Loading and saving.
      {"Не задано имя файла проекта", "No file name is given for the project"},
      {"Недостаточно памяти для сохранения проекта", "Not enough memory to save the project"},
      {"Недостаточно памяти для загрузки проекта", "Not enough memory to load the project"},
      {"В файле \"%s\" нет ни одного элемента XML <%s.%s>",
       "The file \"%s\" holds no XML element <%s.%s>"},
      {"В файле \"%s\" нет проекта: его корневой элемент — \"%s\" <%s.%s>",
       "The file \"%s\" holds no project: its root element is \"%s\" <%s.%s>"},
      {"Проект в файле повреждён", "The project in the file is damaged"},
      {"Число элементов \"Count\"=%d намного больше числа имеющихся элементов (%d) <%s.%s>",
       "The number of elements \"Count\"=%d is far more than the elements there are (%d) <%s.%s>"},
      {"Недостающих элементов в списках файла больше %d: \"Count\"=%d <%s.%s>",
       "More than %d elements are missing from the file's lists: \"Count\"=%d <%s.%s>"},
      {"Не найден конец комментария \"-->\" Line=%d", "No end of comment \"-->\" Line=%d"},
      {"Не найден закрывающий символ \">\"", "No closing \">\""},
      {"Не найдена закрывающая символ \">\"", "No closing \">\""},
      {"Закрывающий тег \"<%s>\" без открывающего Line=%d",
       "The end tag \"<%s>\" has no start tag Line=%d"},
      {"Не найден закрывающий тег \"</%s>\" Line=%d", "No end tag \"</%s>\" Line=%d"},
      {"Не найден конец раздела \"]]>\" Line=%d", "No end of section \"]]>\" Line=%d"},
      {"Закрывающий тег \"</%s>\" не соответствует элементу \"%s\" Line=%d",
       "The end tag \"</%s>\" does not match the element \"%s\" Line=%d"},
      {"Превышена допустимая глубина вложенности элементов (%d) Line=%d",
       "Elements are nested deeper than allowed (%d) Line=%d"},
      {"Не найден закрывающий тег \"?>\" Line=%d", "No end \"?>\" Line=%d"},
      {"Недостаточно памяти для разбора XML", "Not enough memory to read the XML"},
      {"Не удалось прочитать файл \"%s\": %s", "The file \"%s\" could not be read: %s"},
      {"Файл не разобран как XML", "The file could not be read as XML"},
      {"Недостаточно памяти для записи файла \"%s\"", "Not enough memory to write the file \"%s\""},
      {"Ошибка записи файла \"%s\": %s", "The file \"%s\" could not be written: %s"},
  };
  return table;
}

// The Russian forms of the texts written in English (the command-line tool's), by their source.
const std::unordered_map<std::string_view, const char*>& Russian() {
  static const std::unordered_map<std::string_view, const char*> table = {
      {"cannot load the project \"%s\"", "проект \"%s\" не загружен"},
      {"cannot save the project to \"%s\"", "проект не сохранён в \"%s\""},
      {"cannot load the XML file \"%s\"", "файл XML \"%s\" не загружен"},
      {"cannot save the XML file to \"%s\"", "файл XML не сохранён в \"%s\""},
      {"no level %s in %s", "нет уровня %s в %s"},
      {"cannot read the folder \"%s\": %s", "папка \"%s\" не читается: %s"},
      {"cannot write \"%s\"", "\"%s\" не записывается"},
      {"--until \"%s\": %s", "--until \"%s\": %s"},
      {"\"%s\" did not hold", "\"%s\" не выполнилось"},
      {"\"%s\" held at tick %s", "\"%s\" выполнилось на такте %s"},
      {"ticks %s, rate %s per second, late ticks %s of %s, lateness p50 %s ms, p99 %s ms, max %s "
       "ms",
       "тактов %s, темп %s в секунду, опоздавших тактов %s из %s, опоздание p50 %s мс, p99 %s мс, "
       "наибольшее %s мс"},
      {"no module \"%s\" runs in the project", "в проекте не выполняется модуль \"%s\""},
      {"module \"%s\" has no parameter \"%s\" with a value",
       "у модуля \"%s\" нет параметра \"%s\" со значением"},
      {"the output could not be written", "вывод не записан"},
      {"--csv \"%s\" is the project itself", "--csv \"%s\" — это сам проект"},
      {"%s; see zu-cli --help", "%s; см. zu-cli --help"},
      {"project run has no option \"%s\"", "у project run нет параметра \"%s\""},
      {"%s needs a value", "параметру %s нужно значение"},
      {"--ticks takes a whole number of at least 0, not \"%s\"",
       "--ticks — целое число не меньше 0, а не \"%s\""},
      {"--rate takes a number from 0 to 1000000, not \"%s\"",
       "--rate — число от 0 до 1000000, а не \"%s\""},
      {"--rate %s is below the slowest pace, 0.000001 per second (0 runs as fast as possible)",
       "--rate %s медленнее самого медленного темпа, 0.000001 в секунду (0 — как можно быстрее)"},
      {"no command given", "команда не задана"},
      {"components takes at most one FOLDER", "components принимает не больше одной папки"},
      {"project check takes one FILE", "project check принимает один файл"},
      {"project resave takes IN and OUT", "project resave принимает IN и OUT"},
      {"project render takes FILE, OUT and perhaps --level PATH",
       "project render принимает FILE, OUT и, может быть, --level PATH"},
      {"project run takes FILE and its options", "project run принимает FILE и свои параметры"},
      {"xml roundtrip takes IN and OUT", "xml roundtrip принимает IN и OUT"},
      {"project has no command \"%s\"", "у project нет команды \"%s\""},
      {"project needs a command: check, resave, render or run",
       "project нужна команда: check, resave, render или run"},
      {"unknown command \"%s\"", "неизвестная команда \"%s\""},
  };
  return table;
}

} // namespace

TLanguage MessageLanguage(const TGetEnv& env) {
  std::string locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = env(name); value && *value) {
      locale = value;
      break;
    }
  const std::string own = LanguageOf(locale);
  if (own.empty() || own == "c" || own == "posix")
    return TLanguage::Source;
  if (const char* list = env("LANGUAGE")) {
    const std::string entries = list;
    for (std::size_t at = 0; at <= entries.size();) {
      const std::size_t end = std::min(entries.find(':', at), entries.size());
      const std::string language = LanguageOf(entries.substr(at, end - at));
      if (language == "ru" || language == "en")
        return Of(language);
      at = end + 1;
    }
  }
  return own == "en" ? TLanguage::English : own == "ru" ? TLanguage::Russian : TLanguage::Source;
}

TLanguage TextLanguage() {
  int chosen = Chosen.load();
  if (chosen < 0) {
    chosen = static_cast<int>(MessageLanguage(ProcessEnv));
    Chosen.store(chosen);
  }
  return static_cast<TLanguage>(chosen);
}

void SetTextLanguage(TLanguage language) {
  Chosen.store(static_cast<int>(language));
}

const char* EnglishFormat(std::string_view format) {
  const auto found = English().find(format);
  return found == English().end() ? nullptr : found->second;
}

const char* RussianFormat(std::string_view format) {
  const auto found = Russian().find(format);
  return found == Russian().end() ? nullptr : found->second;
}

std::string Say(std::string_view format, const TLogArgs& args) {
  const TLanguage language = TextLanguage();
  const char* translated = language == TLanguage::English   ? EnglishFormat(format)
                           : language == TLanguage::Russian ? RussianFormat(format)
                                                            : nullptr;
  return FormatLogOrAsIs(translated ? std::string_view(translated) : format, args);
}

std::u16string SayWide(std::string_view format, const TLogArgs& args) {
  return Utf8ToUtf16(Say(format, args));
}
