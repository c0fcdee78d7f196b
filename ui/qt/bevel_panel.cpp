#include "ui/qt/bevel_panel.h"

#include <QPainter>
#include <qdrawutil.h>

namespace ui::qt {

BevelPanel::BevelPanel(int bevelWidth, int borderWidth, QWidget* parent)
    : QWidget(parent), bevelWidth_(bevelWidth), borderWidth_(borderWidth) {
  setAutoFillBackground(true);
}

void BevelPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  qDrawShadePanel(&painter, rect(), palette(), false, bevelWidth_);
  const int inset = bevelWidth_ + borderWidth_;
  qDrawShadePanel(&painter, rect().adjusted(inset, inset, -inset, -inset), palette(), true,
                  bevelWidth_);
}

}  // namespace ui::qt
