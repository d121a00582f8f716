#pragma once
// The words for a port's diagnosis: the cause and its fix in one line, in the window's language
// (0 Dutch, 1 German, 2 English; French and Polish take English, as the other boxes do). The
// command line says them in English.
#include <QString>

#include "port_diagnosis.h"

QString diagnosisText(const TPortDiagnosis& diagnosis, int language);
// "COM3: in use by minicom (PID 4711); close that program": one port's line.
QString diagnosisLine(const QString& port, const TPortDiagnosis& diagnosis, int language);
// What stands for the port in the line of a machine without any: "no serial port".
QString noSerialPortText(int language);
// The Connection check's box title line, above its lines.
QString connectionCheckTitle(int language);
// The Help menu's item that runs the check.
QString connectionCheckItemText(int language);
