#pragma once
// The window's texts and Qt's own (dialog buttons) in the user's language.
class QCoreApplication;

// Installs the translations for the system locale's languages; English needs none.
void InstallTranslators(QCoreApplication& App);
