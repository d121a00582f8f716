#pragma once
// A configuration as --show --json gives it: the settings by name and value, and per day its switch
// times, its ON intervals and its conflicts, by the same week-plan rule as the window's overview.
#include <QJsonObject>
#include <QString>

#include "config_file.h"

QJsonObject planDocument(const QString& file, const TClockConfig& config);
// What --show --json gives when it fails: the file and the one line said on standard error.
QJsonObject planFailure(const QString& file, const QString& error);
