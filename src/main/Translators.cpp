#include "main/Translators.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void InstallTranslators(QCoreApplication& App) {
  // Owned by the application, which outlives every window.
  auto* Own = new QTranslator(&App);
  if (Own->load(QLocale(), QStringLiteral("kestrilo"), QStringLiteral("_"), QStringLiteral(":/i18n")))
    QCoreApplication::installTranslator(Own);
  auto* Qt = new QTranslator(&App);
  if (Qt->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(Qt);
}
