#pragma once
// --json: a command writes one JSON document on standard output and nothing else there; the lines
// for people stay on standard error. Every document carries "schema": 1, and later versions only
// add fields (docs/kelvox-setup.schema.json).
#include <QJsonObject>

class QCommandLineParser;

void addJsonOption(QCommandLineParser& parser);
bool jsonRequested(const QCommandLineParser& parser);

// Writes `document` on standard output as UTF-8, whatever the terminal's encoding; false when it
// could not be written whole (a closed pipe, a full disk).
bool printJson(const QJsonObject& document);
