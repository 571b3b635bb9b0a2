<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru_RU">
<context>
    <name>QObject</name>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>Delete Link</source>
        <translation>Delete Link</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Rename</translation>
    </message>
</context>
<context>
    <name>TCanvasView</name>
    <message>
        <source>Связь добавлена</source>
        <translation>Link added</translation>
    </message>
    <message>
        <source>Связь не создана: %1</source>
        <translation>Link not made: %1</translation>
    </message>
    <message>
        <source>Масштаб: %1 %</source>
        <translation>Zoom: %1 %</translation>
    </message>
    <message>
        <source>Add Bend</source>
        <translation>Add Bend</translation>
    </message>
    <message>
        <source>Remove Bend</source>
        <translation>Remove Bend</translation>
    </message>
    <message>
        <source>Move Link</source>
        <translation>Move Link</translation>
    </message>
</context>
<context>
    <name>TFormCheck1</name>
    <message>
        <source>Выбор</source>
        <translation>Choice</translation>
    </message>
    <message>
        <source>Создать новый проект</source>
        <translation>Create a new project</translation>
    </message>
    <message>
        <source>Открыть проект</source>
        <translation>Open a project</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFormModuleMaster</name>
    <message>
        <source>Мастер создания модуля</source>
        <translation>Module Wizard</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>PositionX</source>
        <translation>PositionX</translation>
    </message>
    <message>
        <source>PositionY</source>
        <translation>PositionY</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Подсистема: %1</source>
        <translation>Subsystem: %1</translation>
    </message>
</context>
<context>
    <name>TFormSettings</name>
    <message>
        <source>Настройки програмы</source>
        <translation>Program Settings</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
</context>
<context>
    <name>TLogFormTree</name>
    <message>
        <source>Сообщения программы</source>
        <translation>Program Messages</translation>
    </message>
</context>
<context>
    <name>TMiniMap</name>
    <message>
        <source>Обзор уровня: щелчок показывает это место</source>
        <translation>Level overview: click to show that place</translation>
    </message>
</context>
<context>
    <name>TModuleText</name>
    <message>
        <source>Поле %1: «%2» не является целым числом</source>
        <translation>Field %1: “%2” is not a whole number</translation>
    </message>
    <message>
        <source>Поле %1: «%2» меньше 1: размер — целое число не меньше 1</source>
        <translation>Field %1: “%2” is less than 1: a size is a whole number not less than 1</translation>
    </message>
</context>
<context>
    <name>TPalette</name>
    <message>
        <source>Поиск</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Компонент</source>
        <translation>Component</translation>
    </message>
    <message>
        <source>Название</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>Подсистемы</source>
        <translation>Subsystems</translation>
    </message>
</context>
<context>
    <name>TPictureExport</name>
    <message>
        <source>Неизвестный тип рисунка «%1»: нужен .png или .svg</source>
        <translation>Unknown picture type “%1”: use .png or .svg</translation>
    </message>
    <message>
        <source>Рисунок %1 × %2 слишком велик</source>
        <translation>A picture of %1 × %2 is too large</translation>
    </message>
    <message>
        <source>Файл не записан: %1</source>
        <translation>File not written: %1</translation>
    </message>
    <message>
        <source>Папка не создана: %1</source>
        <translation>Folder not created: %1</translation>
    </message>
</context>
<context>
    <name>TProgrammingImage</name>
    <message>
        <source>Связь не создана: отпустите её на входе другого модуля</source>
        <translation>Link not made: release it on an input of another module</translation>
    </message>
    <message>
        <source>Выход %1</source>
        <translation>Output %1</translation>
    </message>
    <message>
        <source>Вход %1</source>
        <translation>Input %1</translation>
    </message>
    <message>
        <source>, тип %1</source>
        <translation>, type %1</translation>
    </message>
    <message>
        <source>Значение: %1</source>
        <translation>Value: %1</translation>
    </message>
</context>
<context>
    <name>TProjectCommands</name>
    <message>
        <source>Вы хотите закрыть текущий проект?</source>
        <translation>Do you want to close the current project?</translation>
    </message>
    <message>
        <source>Ошибка загрузки из файла.</source>
        <translation>Error loading from the file.</translation>
    </message>
    <message>
        <source>Ошибка при сохранении.</source>
        <translation>Error while saving.</translation>
    </message>
    <message>
        <source>Сохранить изменения в проекте?</source>
        <translation>Save the changes to the project?</translation>
    </message>
    <message>
        <source>Восстановить несохранённый проект «%1», сохранённый %2?</source>
        <translation>Restore the unsaved project “%1”, kept %2?</translation>
    </message>
    <message>
        <source>Рисунок не сохранён.</source>
        <translation>Picture not saved.</translation>
    </message>
    <message>
        <source>Файл проекта «%1» изменён другой программой после того, как этот редактор открыл или сохранил его.</source>
        <translation>The project file “%1” was changed by another program after this editor opened or saved it.</translation>
    </message>
    <message>
        <source>Перезаписать</source>
        <translation>Overwrite</translation>
    </message>
    <message>
        <source>Сохранить как...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>Загрузить заново</source>
        <translation>Reload</translation>
    </message>
    <message>
        <source>Файл проекта «%1» изменён другой программой. Загрузить его заново? Несохранённые изменения будут потеряны.</source>
        <translation>The project file “%1” was changed by another program. Reload it? Unsaved changes will be lost.</translation>
    </message>
    <message>
        <source>Файл проекта «%1» изменён другой программой. Загрузить его заново?</source>
        <translation>The project file “%1” was changed by another program. Reload it?</translation>
    </message>
    <message>
        <source>У проекта несколько уровней. Какой рисунок записать?</source>
        <translation>The project has several levels. Which picture should be written?</translation>
    </message>
    <message>
        <source>Уровень на холсте</source>
        <translation>The level on the canvas</translation>
    </message>
    <message>
        <source>Все уровни, в папку</source>
        <translation>Every level, into a folder</translation>
    </message>
    <message>
        <source>dd.MM.yyyy HH:mm</source>
        <translation>MMM d, yyyy h:mm AP</translation>
    </message>
</context>
<context>
    <name>TProjectDocument</name>
    <message>
        <source>Нет проекта</source>
        <translation>No project</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>Move</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>Проект выполняется: изменения недоступны до остановки (Project ▸ Stop)</source>
        <translation>The project is running: no changes until it stops (Project ▸ Stop)</translation>
    </message>
    <message>
        <source>Нет поля %1</source>
        <translation>No field %1</translation>
    </message>
    <message>
        <source>Change %1</source>
        <translation>Change %1</translation>
    </message>
    <message>
        <source>Add Module</source>
        <translation>Add Module</translation>
    </message>
    <message>
        <source>Edit Module</source>
        <translation>Edit Module</translation>
    </message>
    <message>
        <source>В тексте нет модулей проекта</source>
        <translation>The text holds no modules of a project</translation>
    </message>
    <message>
        <source>Несохранённая работа не записывается в «%1»; она хранится в «%2»</source>
        <translation>Unsaved work cannot be written to “%1”; it is kept in “%2”</translation>
    </message>
    <message>
        <source>Несохранённая работа не записывается: ни одна папка для неё не доступна (последняя — «%1»)</source>
        <translation>Unsaved work is not kept: no folder can take it (the last tried: “%1”)</translation>
    </message>
    <message>
        <source>модуль не соединяется сам с собой</source>
        <translation>a module is not linked to itself</translation>
    </message>
    <message>
        <source>у входа может быть только одна связь</source>
        <translation>an input takes only one link</translation>
    </message>
    <message>
        <source>связь замкнула бы цикл</source>
        <translation>the link would close a cycle</translation>
    </message>
    <message>
        <source>Вставлено без связей (%1): %2</source>
        <translation>Pasted without %1 link(s): %2</translation>
    </message>
    <message>
        <source>Связь добавлена вместо связи от «%1.%2» к входу «%3»</source>
        <translation>Link added in place of the link from “%1.%2” into the input “%3”</translation>
    </message>
    <message>
        <source>Имя «%1» уже есть на этом уровне</source>
        <translation>The name “%1” is taken on this level</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Порты бывают только у модуля, в котором есть модули: откройте его</source>
        <translation>Only a module that holds modules has ports: open it first</translation>
    </message>
    <message>
        <source>Add Output Port</source>
        <translation>Add Output Port</translation>
    </message>
    <message>
        <source>Add Input Port</source>
        <translation>Add Input Port</translation>
    </message>
    <message>
        <source>Make Subsystem</source>
        <translation>Make Subsystem</translation>
    </message>
    <message>
        <source>Explode</source>
        <translation>Explode</translation>
    </message>
    <message>
        <source>Не выбран модуль</source>
        <translation>No module is chosen</translation>
    </message>
    <message>
        <source>Нет модуля</source>
        <translation>No module</translation>
    </message>
    <message>
        <source>Графиков не больше %1</source>
        <translation>At most %1 plots</translation>
    </message>
    <message>
        <source>У модуля «%1» нет выхода «%2»</source>
        <translation>Module “%1” has no output “%2”</translation>
    </message>
    <message>
        <source>Watch %1</source>
        <translation>Watch %1</translation>
    </message>
    <message>
        <source>Stop Watching %1</source>
        <translation>Stop Watching %1</translation>
    </message>
    <message>
        <source>Change Break Conditions</source>
        <translation>Change Break Conditions</translation>
    </message>
    <message>
        <source>Неизвестный элемент палитры</source>
        <translation>Unknown palette entry</translation>
    </message>
    <message>
        <source>Связи нет на этом уровне</source>
        <translation>The link is not on this level</translation>
    </message>
</context>
<context>
    <name>TPropertyGrid</name>
    <message>
        <source>Выход: </source>
        <translation>Output: </translation>
    </message>
    <message>
        <source>(модуль %1)</source>
        <translation>(module %1)</translation>
    </message>
    <message>
        <source>Компонент «%1» не найден: у модуля нет параметров</source>
        <translation>Component “%1” not found: the module has no parameters</translation>
    </message>
    <message>
        <source>Текст из %1 знаков показан не целиком, и здесь его не изменить</source>
        <translation>A text of %1 characters is shown in part and cannot be edited here</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>PositionX</source>
        <translation>PositionX</translation>
    </message>
    <message>
        <source>PositionY</source>
        <translation>PositionY</translation>
    </message>
    <message>
        <source>From</source>
        <translation>From</translation>
    </message>
    <message>
        <source>To</source>
        <translation>To</translation>
    </message>
    <message>
        <source>Отметьте, чтобы наблюдать выход в осциллографе</source>
        <translation>Tick to watch the output in the scope</translation>
    </message>
</context>
<context>
    <name>TQtMainDialogs</name>
    <message>
        <source>Файл «%1» уже существует. Заменить его?</source>
        <translation>The file “%1” already exists. Replace it?</translation>
    </message>
    <message>
        <source>Проекты ZU Programming (*.zuproj)</source>
        <translation>ZU Programming projects (*.zuproj)</translation>
    </message>
    <message>
        <source>Проекты в файлах XML (*.xml)</source>
        <translation>Projects in XML files (*.xml)</translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <translation>All files (*)</translation>
    </message>
</context>
<context>
    <name>TRunControl</name>
    <message>
        <source>Нет открытого проекта</source>
        <translation>No project is open</translation>
    </message>
    <message>
        <source>В проекте нет модулей, которые могут выполняться</source>
        <translation>The project has no modules that can run</translation>
    </message>
    <message>
        <source>Условие остановки «%1»: %2</source>
        <translation>Break condition “%1”: %2</translation>
    </message>
</context>
<context>
    <name>TScopeView</name>
    <message>
        <source>Нет наблюдаемых выходов: выберите выход в таблице или на схеме (Наблюдать) и запустите проект</source>
        <translation>No outputs watched: tick an output in the grid or choose Watch on the diagram, then run the project</translation>
    </message>
    <message>
        <source>прорежено: пары мин./макс. по %1 тактов</source>
        <translation>thinned: min/max pairs of %1 ticks</translation>
    </message>
    <message>
        <source> с</source>
        <translation> s</translation>
    </message>
</context>
<context>
    <name>TfmAbout</name>
    <message>
        <source>Имя файла: </source>
        <translation>File name: </translation>
    </message>
    <message>
        <source>Версия: </source>
        <translation>Version: </translation>
    </message>
    <message>
        <source>Компания: </source>
        <translation>Company: </translation>
    </message>
    <message>
        <source>Описание: </source>
        <translation>Description: </translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Редактор модульного визуального программирования</source>
        <translation>Modular visual programming editor</translation>
    </message>
</context>
<context>
    <name>TfmComponents</name>
    <message>
        <source>Компоненты</source>
        <translation>Components</translation>
    </message>
</context>
<context>
    <name>TfmHelp</name>
    <message>
        <source>Справка по программе ZUProgramming</source>
        <translation>ZUProgramming Help</translation>
    </message>
    <message>
        <source>Модульное визуальное программирование</source>
        <translation>Modular visual programming</translation>
    </message>
    <message>
        <source>Проект содержит один главный модуль.</source>
        <translation>A project holds one main module.</translation>
    </message>
    <message>
        <source>Модуль - это структурная единица, выполняющая какие-то действия.</source>
        <translation>A module is a structural unit that performs some actions.</translation>
    </message>
    <message>
        <source>Модуль имеет входные и выходные параметры.</source>
        <translation>A module has input and output parameters.</translation>
    </message>
    <message>
        <source>Модуль может работать с каким либо прибором, отвечать за связь с БД и пр.</source>
        <translation>A module may work with a device, be in charge of talking to a database, and so on.</translation>
    </message>
    <message>
        <source>Модуль может работа автоматически или по запросу.</source>
        <translation>A module may work automatically or on request.</translation>
    </message>
    <message>
        <source>Каждый модуль модуль может содержать в себе вложеные модули.</source>
        <translation>Every module may hold nested modules.</translation>
    </message>
    <message>
        <source>Истоки</source>
        <translation>Origins</translation>
    </message>
    <message>
        <source>Мысль собирать программу из блоков на холсте, соединяя входы и выходы, пришла от</source>
        <translation>The idea of building a program from blocks on a canvas, linking outputs to inputs, came from</translation>
    </message>
    <message>
        <source>визуальных сред разработки с палитрой компонентов, от блок-схем систем управления</source>
        <translation>visual development environments with a palette of components, from the block diagrams of control systems</translation>
    </message>
    <message>
        <source>и от редакторов потоков данных для измерительных приборов.</source>
        <translation>and from data-flow editors for measuring instruments.</translation>
    </message>
</context>
<context>
    <name>TfmMain</name>
    <message>
        <source>Проверка компонентов: %1 из %2</source>
        <translation>Checking components: %1 of %2</translation>
    </message>
    <message>
        <source>Компоненты пропущены (%1): %2</source>
        <translation>Components skipped (%1): %2</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Key</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Найти модули по имени или типу:</source>
        <translation>Find modules by name or type:</translation>
    </message>
    <message>
        <source>Модули «%1» не найдены</source>
        <translation>No modules “%1” found</translation>
    </message>
    <message>
        <source>Найдено «%1»: %2 из %3</source>
        <translation>Found “%1”: %2 of %3</translation>
    </message>
    <message>
        <source>В буфере обмена нет модулей проекта</source>
        <translation>The clipboard holds no project modules</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>&amp;Recent Projects</source>
        <translation>&amp;Recent Projects</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>&amp;Project</source>
        <translation>&amp;Project</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Run R&amp;ate</source>
        <translation>Run R&amp;ate</translation>
    </message>
    <message>
        <source>Проект не запущен: %1</source>
        <translation>The project did not start: %1</translation>
    </message>
    <message>
        <source>Выполнение остановлено на такте %1</source>
        <translation>The run stopped at tick %1</translation>
    </message>
    <message>
        <source>Выполнение прервано: %1</source>
        <translation>The run was broken off: %1</translation>
    </message>
    <message>
        <source>Выполнение проекта прервано</source>
        <translation>The project&apos;s run was broken off</translation>
    </message>
    <message>
        <source>&amp;Module</source>
        <translation>&amp;Module</translation>
    </message>
    <message>
        <source>M&amp;ethod</source>
        <translation>M&amp;ethod</translation>
    </message>
    <message>
        <source>P&amp;roperty</source>
        <translation>P&amp;roperty</translation>
    </message>
    <message>
        <source>Poin&amp;t</source>
        <translation>Poin&amp;t</translation>
    </message>
    <message>
        <source>&amp;Open Project...</source>
        <translation>&amp;Open Project...</translation>
    </message>
    <message>
        <source>&amp;Save Project</source>
        <translation>&amp;Save Project</translation>
    </message>
    <message>
        <source>Save Project &amp;As...</source>
        <translation>Save Project &amp;As...</translation>
    </message>
    <message>
        <source>Export &amp;Picture...</source>
        <translation>Export &amp;Picture...</translation>
    </message>
    <message>
        <source>Se&amp;ttings</source>
        <translation>Se&amp;ttings</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>Dup&amp;licate</source>
        <translation>Dup&amp;licate</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>&amp;Refresh</translation>
    </message>
    <message>
        <source>Zoom &amp;In</source>
        <translation>Zoom &amp;In</translation>
    </message>
    <message>
        <source>Zoom &amp;Out</source>
        <translation>Zoom &amp;Out</translation>
    </message>
    <message>
        <source>&amp;Actual Size</source>
        <translation>&amp;Actual Size</translation>
    </message>
    <message>
        <source>O&amp;pen Module</source>
        <translation>O&amp;pen Module</translation>
    </message>
    <message>
        <source>&amp;Up</source>
        <translation>&amp;Up</translation>
    </message>
    <message>
        <source>&amp;Fit</source>
        <translation>&amp;Fit</translation>
    </message>
    <message>
        <source>Fi&amp;nd...</source>
        <translation>Fi&amp;nd...</translation>
    </message>
    <message>
        <source>Find N&amp;ext</source>
        <translation>Find N&amp;ext</translation>
    </message>
    <message>
        <source>&amp;Components</source>
        <translation>&amp;Components</translation>
    </message>
    <message>
        <source>&amp;Log</source>
        <translation>&amp;Log</translation>
    </message>
    <message>
        <source>&amp;Teach</source>
        <translation>&amp;Teach</translation>
    </message>
    <message>
        <source>&amp;Description</source>
        <translation>&amp;Description</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>&amp;Run</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>&amp;1 per second</source>
        <translation>&amp;1 per second</translation>
    </message>
    <message>
        <source>1&amp;0 per second</source>
        <translation>1&amp;0 per second</translation>
    </message>
    <message>
        <source>&amp;30 per second</source>
        <translation>&amp;30 per second</translation>
    </message>
    <message>
        <source>10&amp;0 per second</source>
        <translation>10&amp;0 per second</translation>
    </message>
    <message>
        <source>As &amp;fast as possible</source>
        <translation>As &amp;fast as possible</translation>
    </message>
    <message>
        <source>Выберите модуль для вывода</source>
        <translation>Choose the module to export</translation>
    </message>
    <message>
        <source>Модуль не записан в файл.</source>
        <translation>The module was not written to the file.</translation>
    </message>
    <message>
        <source>Модуль «%1» записан в «%2»</source>
        <translation>Module “%1” was written to “%2”</translation>
    </message>
    <message>
        <source>&amp;Input Port</source>
        <translation>&amp;Input Port</translation>
    </message>
    <message>
        <source>O&amp;utput Port</source>
        <translation>O&amp;utput Port</translation>
    </message>
    <message>
        <source>Export &amp;Module...</source>
        <translation>Export &amp;Module...</translation>
    </message>
    <message>
        <source>&amp;Make Subsystem</source>
        <translation>&amp;Make Subsystem</translation>
    </message>
    <message>
        <source>E&amp;xplode</source>
        <translation>E&amp;xplode</translation>
    </message>
    <message>
        <source>&amp;Scope</source>
        <translation>&amp;Scope</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>Res&amp;ume</source>
        <translation>Res&amp;ume</translation>
    </message>
    <message>
        <source>S&amp;tep</source>
        <translation>S&amp;tep</translation>
    </message>
    <message>
        <source>&amp;Break When...</source>
        <translation>&amp;Break When...</translation>
    </message>
    <message>
        <source>&amp;250 per second</source>
        <translation>&amp;250 per second</translation>
    </message>
    <message>
        <source>&amp;500 per second</source>
        <translation>&amp;500 per second</translation>
    </message>
    <message>
        <source>1 &amp;000 per second</source>
        <translation>1 &amp;000 per second</translation>
    </message>
    <message>
        <source>Выполняется: такт %1, %2 тактов в секунду, опоздавших тактов: %3. %4</source>
        <translation>Running: tick %1, %2 ticks per second, late ticks: %3. %4</translation>
    </message>
    <message>
        <source>Пауза после такта %1</source>
        <translation>Paused after tick %1</translation>
    </message>
    <message>
        <source>Условие «%1» выполнилось на такте %2: пауза</source>
        <translation>Condition “%1” held at tick %2: paused</translation>
    </message>
    <message>
        <source>Break When</source>
        <translation>Break When</translation>
    </message>
    <message>
        <source>Одно условие в строке: сравнения выхода с числом, соединённые and или or (Gen1.Signal &gt; 0.9 and Cmp.Out == true). Выполнение встаёт на паузу на такте, где условие выполнилось.</source>
        <translation>One condition per line: comparisons of an output with a number, joined by and or or (Gen1.Signal &gt; 0.9 and Cmp.Out == true). The run pauses at the tick where a condition holds.</translation>
    </message>
    <message>
        <source>Scope</source>
        <translation>Scope</translation>
    </message>
    <message>
        <source>Follow</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>Seconds</source>
        <translation>Seconds</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>Show All</translation>
    </message>
    <message>
        <source>Файл «%1» не записан</source>
        <translation>File “%1” was not written</translation>
    </message>
    <message>
        <source>Export View as CSV...</source>
        <translation>Export View as CSV...</translation>
    </message>
    <message>
        <source>Export View as PNG...</source>
        <translation>Export View as PNG...</translation>
    </message>
    <message>
        <source>Export History as CSV...</source>
        <translation>Export History as CSV...</translation>
    </message>
    <message>
        <source>Stop Watching %1</source>
        <translation>Stop Watching %1</translation>
    </message>
    <message>
        <source>Watch %1</source>
        <translation>Watch %1</translation>
    </message>
    <message>
        <source>Watch %1 in a New Plot</source>
        <translation>Watch %1 in a New Plot</translation>
    </message>
    <message>
        <source>Palette</source>
        <translation>Palette</translation>
    </message>
    <message>
        <source>&amp;Palette</source>
        <translation>&amp;Palette</translation>
    </message>
    <message>
        <source>O&amp;verview</source>
        <translation>O&amp;verview</translation>
    </message>
</context>
<context>
    <name>TfmTeach</name>
    <message>
        <source>Обучение</source>
        <translation>Teaching</translation>
    </message>
</context>
</TS>
