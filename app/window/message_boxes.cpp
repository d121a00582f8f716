#include "message_boxes.h"

#include <QMessageBox>

#include "captions.h"

void TQtMessageBoxes::showPlain(const QString& text) {
  // No parent: the box centres itself on the screen rather than on the window.
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

RelayAnswer TQtMessageBoxes::askRelay(const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  box.setWindowModality(Qt::ApplicationModal);
  box.setEscapeButton(QMessageBox::Cancel);
  box.move(200, 200);  // an explicit position is kept when the box is shown
  switch (box.exec()) {
    case QMessageBox::Yes:
      return RelayAnswer::Yes;
    case QMessageBox::No:
      return RelayAnswer::No;
    default:
      return RelayAnswer::Cancel;
  }
}
