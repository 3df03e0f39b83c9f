// Qt's own texts in the program's language.
#include "frame/gui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace morvex {

QString QtCatalogueFor(bool english) { return english ? QString() : QStringLiteral("qtbase_ja"); }

QTranslator* InstallQtTranslations(QCoreApplication& app, bool english) {
    const QString catalogue = QtCatalogueFor(english);
    if (catalogue.isEmpty()) return nullptr;
    auto* translator = new QTranslator(&app);
    if (!translator->load(catalogue, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace morvex
