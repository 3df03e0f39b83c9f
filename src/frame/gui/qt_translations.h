// Qt's own texts (the buttons and captions of the file, colour, print and
// message dialogs) in the program's language: in Japanese mode Qt's
// Japanese catalogue is loaded from Qt's translations folder.
#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

namespace morvex {

// The catalogue Qt's texts need in this language; empty for English, which
// is Qt's own.
QString QtCatalogueFor(bool english);

// Loads and installs the catalogue into the application. Returns the
// installed translator (owned by `app`), or null in English or when the
// catalogue is not there: Qt's texts then stay English.
QTranslator* InstallQtTranslations(QCoreApplication& app, bool english);

}  // namespace morvex
