#include "design_look.h"

#include <QLabel>
#include <QPalette>

void paintSilver(QWidget* widget) {
  QPalette silver = widget->palette();
  silver.setColor(QPalette::Window, QColor(192, 192, 192));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    silver.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
  widget->setPalette(silver);
  widget->setAutoFillBackground(true);
}

QLabel* makeLabel(const QString& name, const QString& text, const QRect& place, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(place);
  return label;
}
