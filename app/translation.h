#ifndef APP_TRANSLATION_H
#define APP_TRANSLATION_H

class QCoreApplication;

// Qt's own texts (the command line's mistakes and headings, the standard dialog buttons) in
// Spanish, like the rest of the program, from Qt's translation (qtbase_es.qm). Without that file
// Qt's English texts show. Gives whether the translation was loaded; it lives as long as app.
bool installQtTranslation(QCoreApplication& app);

#endif
