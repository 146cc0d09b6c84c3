#pragma once

class QTranslator;

// Qt's own Simplified Chinese texts (standard buttons, file and colour dialogs),
// installed into the application: the program speaks only that language. The
// translator belongs to the application; none when the system lacks the file.
QTranslator* InstallQtTranslation();
