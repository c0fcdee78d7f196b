#include "ui/qt/gauge.h"

#include <QPainter>

namespace ui::qt {

Gauge::Gauge(QWidget* parent) : QWidget(parent) {}

void Gauge::SetMax(int value) {
  if (model_.SetMax(value)) update();
}

void Gauge::SetPosition(int value) {
  if (model_.SetPosition(value)) update();
}

void Gauge::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(Qt::black);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));

  const QRect inside = rect().adjusted(1, 1, -1, -1);
  painter.fillRect(inside, Qt::white);
  const int filled = inside.width() * Percent() / 100;
  painter.fillRect(QRect(inside.topLeft(), QSize(filled, inside.height())), Qt::blue);

  // White text in difference mode inverts whatever lies beneath it.
  painter.setCompositionMode(QPainter::CompositionMode_Difference);
  painter.setPen(Qt::white);
  painter.drawText(inside, Qt::AlignCenter, QString("%1%").arg(Percent()));
}

}  // namespace ui::qt
