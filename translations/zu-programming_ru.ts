<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>QObject</name>
    <message>
        <source>Delete</source>
        <translation>Удаление</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Связь</translation>
    </message>
    <message>
        <source>Delete Link</source>
        <translation>Удаление связи</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Переименовать</translation>
    </message>
</context>
<context>
    <name>TCanvasView</name>
    <message>
        <source>Связь не создана: %1</source>
        <translation>Связь не создана: %1</translation>
    </message>
    <message>
        <source>Связь добавлена</source>
        <translation>Связь добавлена</translation>
    </message>
    <message>
        <source>Масштаб: %1 %</source>
        <translation>Масштаб: %1 %</translation>
    </message>
    <message>
        <source>Add Bend</source>
        <translation>Добавление изгиба</translation>
    </message>
    <message>
        <source>Remove Bend</source>
        <translation>Удаление изгиба</translation>
    </message>
    <message>
        <source>Move Link</source>
        <translation>Перенос связи</translation>
    </message>
</context>
<context>
    <name>TFormCheck1</name>
    <message>
        <source>Выбор</source>
        <translation>Выбор</translation>
    </message>
    <message>
        <source>Создать новый проект</source>
        <translation>Создать новый проект</translation>
    </message>
    <message>
        <source>Открыть проект</source>
        <translation>Открыть проект</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>TFormModuleMaster</name>
    <message>
        <source>Мастер создания модуля</source>
        <translation>Мастер создания модуля</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Описание</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Тип</translation>
    </message>
    <message>
        <source>PositionX</source>
        <translation>Позиция X</translation>
    </message>
    <message>
        <source>PositionY</source>
        <translation>Позиция Y</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Высота</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Ширина</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ок</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Подсистема: %1</source>
        <translation>Подсистема: %1</translation>
    </message>
</context>
<context>
    <name>TFormSettings</name>
    <message>
        <source>Настройки програмы</source>
        <translation>Настройки програмы</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ок</translation>
    </message>
</context>
<context>
    <name>TLogFormTree</name>
    <message>
        <source>Сообщения программы</source>
        <translation>Сообщения программы</translation>
    </message>
</context>
<context>
    <name>TMiniMap</name>
    <message>
        <source>Обзор уровня: щелчок показывает это место</source>
        <translation>Обзор уровня: щелчок показывает это место</translation>
    </message>
</context>
<context>
    <name>TModuleText</name>
    <message>
        <source>Поле %1: «%2» не является целым числом</source>
        <translation>Поле %1: «%2» не является целым числом</translation>
    </message>
    <message>
        <source>Поле %1: «%2» меньше 1: размер — целое число не меньше 1</source>
        <translation>Поле %1: «%2» меньше 1: размер — целое число не меньше 1</translation>
    </message>
</context>
<context>
    <name>TPalette</name>
    <message>
        <source>Поиск</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Компонент</source>
        <translation>Компонент</translation>
    </message>
    <message>
        <source>Название</source>
        <translation>Название</translation>
    </message>
    <message>
        <source>Подсистемы</source>
        <translation>Подсистемы</translation>
    </message>
</context>
<context>
    <name>TPictureExport</name>
    <message>
        <source>Неизвестный тип рисунка «%1»: нужен .png или .svg</source>
        <translation>Неизвестный тип рисунка «%1»: нужен .png или .svg</translation>
    </message>
    <message>
        <source>Рисунок %1 × %2 слишком велик</source>
        <translation>Рисунок %1 × %2 слишком велик</translation>
    </message>
    <message>
        <source>Файл не записан: %1</source>
        <translation>Файл не записан: %1</translation>
    </message>
    <message>
        <source>Папка не создана: %1</source>
        <translation>Папка не создана: %1</translation>
    </message>
</context>
<context>
    <name>TProgrammingImage</name>
    <message>
        <source>Связь не создана: отпустите её на входе другого модуля</source>
        <translation>Связь не создана: отпустите её на входе другого модуля</translation>
    </message>
    <message>
        <source>Выход %1</source>
        <translation>Выход %1</translation>
    </message>
    <message>
        <source>Вход %1</source>
        <translation>Вход %1</translation>
    </message>
    <message>
        <source>, тип %1</source>
        <translation>, тип %1</translation>
    </message>
    <message>
        <source>Значение: %1</source>
        <translation>Значение: %1</translation>
    </message>
</context>
<context>
    <name>TProjectCommands</name>
    <message>
        <source>Вы хотите закрыть текущий проект?</source>
        <translation>Вы хотите закрыть текущий проект?</translation>
    </message>
    <message>
        <source>Ошибка загрузки из файла.</source>
        <translation>Ошибка загрузки из файла.</translation>
    </message>
    <message>
        <source>Файл проекта «%1» изменён другой программой после того, как этот редактор открыл или сохранил его.</source>
        <translation>Файл проекта «%1» изменён другой программой после того, как этот редактор открыл или сохранил его.</translation>
    </message>
    <message>
        <source>Ошибка при сохранении.</source>
        <translation>Ошибка при сохранении.</translation>
    </message>
    <message>
        <source>Перезаписать</source>
        <translation>Перезаписать</translation>
    </message>
    <message>
        <source>Сохранить как...</source>
        <translation>Сохранить как...</translation>
    </message>
    <message>
        <source>Загрузить заново</source>
        <translation>Загрузить заново</translation>
    </message>
    <message>
        <source>Файл проекта «%1» изменён другой программой. Загрузить его заново? Несохранённые изменения будут потеряны.</source>
        <translation>Файл проекта «%1» изменён другой программой. Загрузить его заново? Несохранённые изменения будут потеряны.</translation>
    </message>
    <message>
        <source>Файл проекта «%1» изменён другой программой. Загрузить его заново?</source>
        <translation>Файл проекта «%1» изменён другой программой. Загрузить его заново?</translation>
    </message>
    <message>
        <source>Сохранить изменения в проекте?</source>
        <translation>Сохранить изменения в проекте?</translation>
    </message>
    <message>
        <source>Восстановить несохранённый проект «%1», сохранённый %2?</source>
        <translation>Восстановить несохранённый проект «%1», сохранённый %2?</translation>
    </message>
    <message>
        <source>У проекта несколько уровней. Какой рисунок записать?</source>
        <translation>У проекта несколько уровней. Какой рисунок записать?</translation>
    </message>
    <message>
        <source>Уровень на холсте</source>
        <translation>Уровень на холсте</translation>
    </message>
    <message>
        <source>Все уровни, в папку</source>
        <translation>Все уровни, в папку</translation>
    </message>
    <message>
        <source>Рисунок не сохранён.</source>
        <translation>Рисунок не сохранён.</translation>
    </message>
    <message>
        <source>dd.MM.yyyy HH:mm</source>
        <translation>dd.MM.yyyy HH:mm</translation>
    </message>
</context>
<context>
    <name>TProjectDocument</name>
    <message>
        <source>Нет проекта</source>
        <translation>Нет проекта</translation>
    </message>
    <message>
        <source>Move</source>
        <translation>Перемещение</translation>
    </message>
    <message>
        <source>Нет поля %1</source>
        <translation>Нет поля %1</translation>
    </message>
    <message>
        <source>Change %1</source>
        <translation>Изменение: %1</translation>
    </message>
    <message>
        <source>Add Module</source>
        <translation>Добавление модуля</translation>
    </message>
    <message>
        <source>Edit Module</source>
        <translation>Изменение модуля</translation>
    </message>
    <message>
        <source>Связь добавлена вместо связи от «%1.%2» к входу «%3»</source>
        <translation>Связь добавлена вместо связи от «%1.%2» к входу «%3»</translation>
    </message>
    <message>
        <source>В тексте нет модулей проекта</source>
        <translation>В тексте нет модулей проекта</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Вставка</translation>
    </message>
    <message>
        <source>модуль не соединяется сам с собой</source>
        <translation>модуль не соединяется сам с собой</translation>
    </message>
    <message>
        <source>у входа может быть только одна связь</source>
        <translation>у входа может быть только одна связь</translation>
    </message>
    <message>
        <source>связь замкнула бы цикл</source>
        <translation>связь замкнула бы цикл</translation>
    </message>
    <message>
        <source>Вставлено без связей (%1): %2</source>
        <translation>Вставлено без связей (%1): %2</translation>
    </message>
    <message>
        <source>Несохранённая работа не записывается в «%1»; она хранится в «%2»</source>
        <translation>Несохранённая работа не записывается в «%1»; она хранится в «%2»</translation>
    </message>
    <message>
        <source>Несохранённая работа не записывается: ни одна папка для неё не доступна (последняя — «%1»)</source>
        <translation>Несохранённая работа не записывается: ни одна папка для неё не доступна (последняя — «%1»)</translation>
    </message>
    <message>
        <source>Проект выполняется: изменения недоступны до остановки (Project ▸ Stop)</source>
        <translation>Проект выполняется: изменения недоступны до остановки (Project ▸ Stop)</translation>
    </message>
    <message>
        <source>Имя «%1» уже есть на этом уровне</source>
        <translation>Имя «%1» уже есть на этом уровне</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Порты бывают только у модуля, в котором есть модули: откройте его</source>
        <translation>Порты бывают только у модуля, в котором есть модули: откройте его</translation>
    </message>
    <message>
        <source>Add Output Port</source>
        <translation>Добавить выходной порт</translation>
    </message>
    <message>
        <source>Add Input Port</source>
        <translation>Добавить входной порт</translation>
    </message>
    <message>
        <source>Make Subsystem</source>
        <translation>Создать подсистему</translation>
    </message>
    <message>
        <source>Explode</source>
        <translation>Разобрать подсистему</translation>
    </message>
    <message>
        <source>Не выбран модуль</source>
        <translation>Не выбран модуль</translation>
    </message>
    <message>
        <source>Нет модуля</source>
        <translation>Нет модуля</translation>
    </message>
    <message>
        <source>Графиков не больше %1</source>
        <translation>Графиков не больше %1</translation>
    </message>
    <message>
        <source>У модуля «%1» нет выхода «%2»</source>
        <translation>У модуля «%1» нет выхода «%2»</translation>
    </message>
    <message>
        <source>Watch %1</source>
        <translation>Наблюдать %1</translation>
    </message>
    <message>
        <source>Stop Watching %1</source>
        <translation>Не наблюдать %1</translation>
    </message>
    <message>
        <source>Change Break Conditions</source>
        <translation>Изменение условий остановки</translation>
    </message>
    <message>
        <source>Неизвестный элемент палитры</source>
        <translation>Неизвестный элемент палитры</translation>
    </message>
    <message>
        <source>Связи нет на этом уровне</source>
        <translation>Связи нет на этом уровне</translation>
    </message>
</context>
<context>
    <name>TPropertyGrid</name>
    <message>
        <source>Выход: </source>
        <translation>Выход: </translation>
    </message>
    <message>
        <source>Текст из %1 знаков показан не целиком, и здесь его не изменить</source>
        <translation>Текст из %1 знаков показан не целиком, и здесь его не изменить</translation>
    </message>
    <message>
        <source>(модуль %1)</source>
        <translation>(модуль %1)</translation>
    </message>
    <message>
        <source>Компонент «%1» не найден: у модуля нет параметров</source>
        <translation>Компонент «%1» не найден: у модуля нет параметров</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Описание</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Тип</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Высота</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Ширина</translation>
    </message>
    <message>
        <source>PositionX</source>
        <translation>Позиция X</translation>
    </message>
    <message>
        <source>PositionY</source>
        <translation>Позиция Y</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Откуда</translation>
    </message>
    <message>
        <source>To</source>
        <translation>Куда</translation>
    </message>
    <message>
        <source>Отметьте, чтобы наблюдать выход в осциллографе</source>
        <translation>Отметьте, чтобы наблюдать выход в осциллографе</translation>
    </message>
</context>
<context>
    <name>TQtMainDialogs</name>
    <message>
        <source>Проекты ZU Programming (*.zuproj)</source>
        <translation>Проекты ZU Programming (*.zuproj)</translation>
    </message>
    <message>
        <source>Проекты в файлах XML (*.xml)</source>
        <translation>Проекты в файлах XML (*.xml)</translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <translation>Все файлы (*)</translation>
    </message>
    <message>
        <source>Файл «%1» уже существует. Заменить его?</source>
        <translation>Файл «%1» уже существует. Заменить его?</translation>
    </message>
</context>
<context>
    <name>TRunControl</name>
    <message>
        <source>Нет открытого проекта</source>
        <translation>Нет открытого проекта</translation>
    </message>
    <message>
        <source>В проекте нет модулей, которые могут выполняться</source>
        <translation>В проекте нет модулей, которые могут выполняться</translation>
    </message>
    <message>
        <source>Условие остановки «%1»: %2</source>
        <translation>Условие остановки «%1»: %2</translation>
    </message>
</context>
<context>
    <name>TScopeView</name>
    <message>
        <source>Нет наблюдаемых выходов: выберите выход в таблице или на схеме (Наблюдать) и запустите проект</source>
        <translation>Нет наблюдаемых выходов: выберите выход в таблице или на схеме (Наблюдать) и запустите проект</translation>
    </message>
    <message>
        <source>прорежено: пары мин./макс. по %1 тактов</source>
        <translation>прорежено: пары мин./макс. по %1 тактов</translation>
    </message>
    <message>
        <source> с</source>
        <translation> с</translation>
    </message>
</context>
<context>
    <name>TfmAbout</name>
    <message>
        <source>Имя файла: </source>
        <translation>Имя файла: </translation>
    </message>
    <message>
        <source>Версия: </source>
        <translation>Версия: </translation>
    </message>
    <message>
        <source>Компания: </source>
        <translation>Компания: </translation>
    </message>
    <message>
        <source>Описание: </source>
        <translation>Описание: </translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Редактор модульного визуального программирования</source>
        <translation>Редактор модульного визуального программирования</translation>
    </message>
</context>
<context>
    <name>TfmComponents</name>
    <message>
        <source>Компоненты</source>
        <translation>Компоненты</translation>
    </message>
</context>
<context>
    <name>TfmHelp</name>
    <message>
        <source>Справка по программе ZUProgramming</source>
        <translation>Справка по программе ZUProgramming</translation>
    </message>
    <message>
        <source>Модульное визуальное программирование</source>
        <translation>Модульное визуальное программирование</translation>
    </message>
    <message>
        <source>Проект содержит один главный модуль.</source>
        <translation>Проект содержит один главный модуль.</translation>
    </message>
    <message>
        <source>Модуль - это структурная единица, выполняющая какие-то действия.</source>
        <translation>Модуль - это структурная единица, выполняющая какие-то действия.</translation>
    </message>
    <message>
        <source>Модуль имеет входные и выходные параметры.</source>
        <translation>Модуль имеет входные и выходные параметры.</translation>
    </message>
    <message>
        <source>Модуль может работать с каким либо прибором, отвечать за связь с БД и пр.</source>
        <translation>Модуль может работать с каким либо прибором, отвечать за связь с БД и пр.</translation>
    </message>
    <message>
        <source>Модуль может работа автоматически или по запросу.</source>
        <translation>Модуль может работа автоматически или по запросу.</translation>
    </message>
    <message>
        <source>Каждый модуль модуль может содержать в себе вложеные модули.</source>
        <translation>Каждый модуль модуль может содержать в себе вложеные модули.</translation>
    </message>
    <message>
        <source>Истоки</source>
        <translation>Истоки</translation>
    </message>
    <message>
        <source>Мысль собирать программу из блоков на холсте, соединяя входы и выходы, пришла от</source>
        <translation>Мысль собирать программу из блоков на холсте, соединяя входы и выходы, пришла от</translation>
    </message>
    <message>
        <source>визуальных сред разработки с палитрой компонентов, от блок-схем систем управления</source>
        <translation>визуальных сред разработки с палитрой компонентов, от блок-схем систем управления</translation>
    </message>
    <message>
        <source>и от редакторов потоков данных для измерительных приборов.</source>
        <translation>и от редакторов потоков данных для измерительных приборов.</translation>
    </message>
</context>
<context>
    <name>TfmMain</name>
    <message>
        <source>Проверка компонентов: %1 из %2</source>
        <translation>Проверка компонентов: %1 из %2</translation>
    </message>
    <message>
        <source>Компоненты пропущены (%1): %2</source>
        <translation>Компоненты пропущены (%1): %2</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Очистить</translation>
    </message>
    <message>
        <source>Key</source>
        <translation>Ключ</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Значение</translation>
    </message>
    <message>
        <source>Найти модули по имени или типу:</source>
        <translation>Найти модули по имени или типу:</translation>
    </message>
    <message>
        <source>Модули «%1» не найдены</source>
        <translation>Модули «%1» не найдены</translation>
    </message>
    <message>
        <source>Найдено «%1»: %2 из %3</source>
        <translation>Найдено «%1»: %2 из %3</translation>
    </message>
    <message>
        <source>В буфере обмена нет модулей проекта</source>
        <translation>В буфере обмена нет модулей проекта</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Создать</translation>
    </message>
    <message>
        <source>&amp;Recent Projects</source>
        <translation>&amp;Недавние проекты</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Правка</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Отменить</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Повторить</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Вид</translation>
    </message>
    <message>
        <source>&amp;Project</source>
        <translation>&amp;Проект</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <source>Run R&amp;ate</source>
        <translation>&amp;Темп выполнения</translation>
    </message>
    <message>
        <source>Проект не запущен: %1</source>
        <translation>Проект не запущен: %1</translation>
    </message>
    <message>
        <source>Выполнение остановлено на такте %1</source>
        <translation>Выполнение остановлено на такте %1</translation>
    </message>
    <message>
        <source>Выполнение прервано: %1</source>
        <translation>Выполнение прервано: %1</translation>
    </message>
    <message>
        <source>Выполнение проекта прервано</source>
        <translation>Выполнение проекта прервано</translation>
    </message>
    <message>
        <source>&amp;Module</source>
        <translation>&amp;Модуль</translation>
    </message>
    <message>
        <source>M&amp;ethod</source>
        <translation>&amp;Метод</translation>
    </message>
    <message>
        <source>P&amp;roperty</source>
        <translation>&amp;Свойство</translation>
    </message>
    <message>
        <source>Poin&amp;t</source>
        <translation>&amp;Точка</translation>
    </message>
    <message>
        <source>&amp;Open Project...</source>
        <translation>&amp;Открыть проект...</translation>
    </message>
    <message>
        <source>&amp;Save Project</source>
        <translation>&amp;Сохранить проект</translation>
    </message>
    <message>
        <source>Save Project &amp;As...</source>
        <translation>Сохранить проект &amp;как...</translation>
    </message>
    <message>
        <source>Export &amp;Picture...</source>
        <translation>&amp;Рисунок в файл...</translation>
    </message>
    <message>
        <source>Se&amp;ttings</source>
        <translation>&amp;Настройки</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>В&amp;ыход</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Удалить</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>Выделить &amp;всё</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Вырезать</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Копировать</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>Вст&amp;авить</translation>
    </message>
    <message>
        <source>Dup&amp;licate</source>
        <translation>&amp;Дублировать</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>&amp;Обновить</translation>
    </message>
    <message>
        <source>Zoom &amp;In</source>
        <translation>&amp;Крупнее</translation>
    </message>
    <message>
        <source>Zoom &amp;Out</source>
        <translation>&amp;Мельче</translation>
    </message>
    <message>
        <source>&amp;Actual Size</source>
        <translation>&amp;Настоящий размер</translation>
    </message>
    <message>
        <source>O&amp;pen Module</source>
        <translation>Открыть &amp;модуль</translation>
    </message>
    <message>
        <source>&amp;Up</source>
        <translation>&amp;Вверх</translation>
    </message>
    <message>
        <source>&amp;Fit</source>
        <translation>&amp;Всё целиком</translation>
    </message>
    <message>
        <source>Fi&amp;nd...</source>
        <translation>&amp;Найти...</translation>
    </message>
    <message>
        <source>Find N&amp;ext</source>
        <translation>Найти &amp;далее</translation>
    </message>
    <message>
        <source>&amp;Components</source>
        <translation>&amp;Компоненты</translation>
    </message>
    <message>
        <source>&amp;Log</source>
        <translation>&amp;Журнал</translation>
    </message>
    <message>
        <source>&amp;Teach</source>
        <translation>&amp;Обучение</translation>
    </message>
    <message>
        <source>&amp;Description</source>
        <translation>&amp;Описание</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;О программе</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>&amp;Запустить</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Остановить</translation>
    </message>
    <message>
        <source>&amp;1 per second</source>
        <translation>&amp;1 в секунду</translation>
    </message>
    <message>
        <source>1&amp;0 per second</source>
        <translation>1&amp;0 в секунду</translation>
    </message>
    <message>
        <source>&amp;30 per second</source>
        <translation>&amp;30 в секунду</translation>
    </message>
    <message>
        <source>10&amp;0 per second</source>
        <translation>10&amp;0 в секунду</translation>
    </message>
    <message>
        <source>As &amp;fast as possible</source>
        <translation>&amp;Как можно быстрее</translation>
    </message>
    <message>
        <source>Выберите модуль для вывода</source>
        <translation>Выберите модуль для вывода</translation>
    </message>
    <message>
        <source>Модуль не записан в файл.</source>
        <translation>Модуль не записан в файл.</translation>
    </message>
    <message>
        <source>Модуль «%1» записан в «%2»</source>
        <translation>Модуль «%1» записан в «%2»</translation>
    </message>
    <message>
        <source>&amp;Input Port</source>
        <translation>&amp;Входной порт</translation>
    </message>
    <message>
        <source>O&amp;utput Port</source>
        <translation>В&amp;ыходной порт</translation>
    </message>
    <message>
        <source>Export &amp;Module...</source>
        <translation>Вывести &amp;модуль...</translation>
    </message>
    <message>
        <source>&amp;Make Subsystem</source>
        <translation>Со&amp;здать подсистему</translation>
    </message>
    <message>
        <source>E&amp;xplode</source>
        <translation>Ра&amp;зобрать подсистему</translation>
    </message>
    <message>
        <source>&amp;Scope</source>
        <translation>&amp;Осциллограф</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Пауза</translation>
    </message>
    <message>
        <source>Res&amp;ume</source>
        <translation>Про&amp;должить</translation>
    </message>
    <message>
        <source>S&amp;tep</source>
        <translation>&amp;Шаг</translation>
    </message>
    <message>
        <source>&amp;Break When...</source>
        <translation>&amp;Остановить, когда...</translation>
    </message>
    <message>
        <source>&amp;250 per second</source>
        <translation>&amp;250 в секунду</translation>
    </message>
    <message>
        <source>&amp;500 per second</source>
        <translation>&amp;500 в секунду</translation>
    </message>
    <message>
        <source>1 &amp;000 per second</source>
        <translation>1 &amp;000 в секунду</translation>
    </message>
    <message>
        <source>Выполняется: такт %1, %2 тактов в секунду, опоздавших тактов: %3. %4</source>
        <translation>Выполняется: такт %1, %2 тактов в секунду, опоздавших тактов: %3. %4</translation>
    </message>
    <message>
        <source>Пауза после такта %1</source>
        <translation>Пауза после такта %1</translation>
    </message>
    <message>
        <source>Условие «%1» выполнилось на такте %2: пауза</source>
        <translation>Условие «%1» выполнилось на такте %2: пауза</translation>
    </message>
    <message>
        <source>Break When</source>
        <translation>Остановить, когда</translation>
    </message>
    <message>
        <source>Одно условие в строке: сравнения выхода с числом, соединённые and или or (Gen1.Signal &gt; 0.9 and Cmp.Out == true). Выполнение встаёт на паузу на такте, где условие выполнилось.</source>
        <translation>Одно условие в строке: сравнения выхода с числом, соединённые and или or (Gen1.Signal &gt; 0.9 and Cmp.Out == true). Выполнение встаёт на паузу на такте, где условие выполнилось.</translation>
    </message>
    <message>
        <source>Scope</source>
        <translation>Осциллограф</translation>
    </message>
    <message>
        <source>Follow</source>
        <translation>Следить</translation>
    </message>
    <message>
        <source>Seconds</source>
        <translation>Секунды</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>Показать всё</translation>
    </message>
    <message>
        <source>Файл «%1» не записан</source>
        <translation>Файл «%1» не записан</translation>
    </message>
    <message>
        <source>Export View as CSV...</source>
        <translation>Сохранить видимое в CSV...</translation>
    </message>
    <message>
        <source>Export View as PNG...</source>
        <translation>Сохранить видимое в PNG...</translation>
    </message>
    <message>
        <source>Export History as CSV...</source>
        <translation>Сохранить всю историю в CSV...</translation>
    </message>
    <message>
        <source>Stop Watching %1</source>
        <translation>Не наблюдать %1</translation>
    </message>
    <message>
        <source>Watch %1</source>
        <translation>Наблюдать %1</translation>
    </message>
    <message>
        <source>Watch %1 in a New Plot</source>
        <translation>Наблюдать %1 на новом графике</translation>
    </message>
    <message>
        <source>Palette</source>
        <translation>Палитра</translation>
    </message>
    <message>
        <source>&amp;Palette</source>
        <translation>&amp;Палитра</translation>
    </message>
    <message>
        <source>O&amp;verview</source>
        <translation>О&amp;бзор</translation>
    </message>
</context>
<context>
    <name>TfmTeach</name>
    <message>
        <source>Обучение</source>
        <translation>Обучение</translation>
    </message>
</context>
</TS>
