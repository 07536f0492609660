#pragma once
// The user's settings of the window, kept between runs: recent lists, the every-device run.
#include <QSettings>

inline QSettings UserSettings() { return QSettings(QStringLiteral("Kestrilo"), QStringLiteral("Kestrilo")); }
