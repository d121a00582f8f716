#pragma once
// What --json writes, checked against docs/kelvox-setup.schema.json by an independent validator:
// python3's jsonschema (Debian's python3-jsonschema), JSON Schema draft 2020-12.
#include <QByteArray>
#include <QProcess>
#include <QString>

// Nothing when `document` is one JSON document, alone, that the schema takes; else what is wrong.
inline QString schemaViolations(const QByteArray& document) {
  static const char kCheck[] =
      "import json, sys, jsonschema\n"
      "schema = json.load(open(sys.argv[1], encoding='utf-8'))\n"
      "document = json.loads(sys.stdin.buffer.read().decode('utf-8'))\n"
      "validator = jsonschema.Draft202012Validator(schema)\n"
      "errors = ['/'.join(map(str, e.absolute_path)) + ': ' + e.message for e in validator.iter_errors(document)]\n"
      "print('\\n'.join(errors))\n"
      "sys.exit(1 if errors else 0)\n";
  QProcess python;
  python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(kCheck), QStringLiteral(KVX_JSON_SCHEMA)});
  python.write(document);
  python.closeWriteChannel();
  if (!python.waitForFinished(20000)) return QStringLiteral("python3 did not end");
  if (python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0) return {};
  return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError());
}
