#pragma once

class QCoreApplication;

// Qt's own texts (the standard buttons はい / いいえ / キャンセル, the file and colour
// dialogs) in Japanese: loads qtbase_ja from Qt's translation folder into the application.
// False when the translation is not installed (the buttons then stay in English).
bool installQtTranslations(QCoreApplication& app);
