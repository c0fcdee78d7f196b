#include "ui/qt/progress_window.h"

#include <QFont>

#include "ui/placement.h"
#include "ui/qt/application.h"

namespace {

constexpr QSize kClientSize(313, 59);
constexpr int kTitleFontHeight = 11;
constexpr int kFontHeight = 13;

// Pixel heights, so that the layout does not grow with the screen's font size.
QFont FontOfHeight(QFont font, int pixels) {
  font.setPixelSize(pixels);
  return font;
}

QFont TitleFont() {
  QFont font = FontOfHeight(QFont("MS Sans Serif"), kTitleFontHeight);
  font.setBold(true);
  return font;
}

ui::Size SizeOf(const QSize& size) { return {size.width(), size.height()}; }

QPoint CentredOver(const QRect& owner, const QSize& own) {
  const ui::Point at =
      ui::CentredOver({{owner.left(), owner.top()}, SizeOf(owner.size())}, SizeOf(own));
  return {at.x, at.y};
}

}  // namespace

TProgressF::TProgressF(QWidget* owner, const QString& title)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Panel1(new ui::qt::BevelPanel(2, 2, this)),
      Titre(new QLabel(" ", Panel1)),
      Gauge1(new ui::qt::Gauge(Panel1)) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kClientSize);
  setFont(FontOfHeight(font(), kFontHeight));

  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(rect());

  Titre->setObjectName("Titre");
  Titre->setGeometry(12, 8, 289, 16);
  Titre->setAlignment(Qt::AlignCenter);
  Titre->setFont(TitleFont());
  QPalette black = Titre->palette();
  black.setColor(QPalette::WindowText, Qt::black);
  Titre->setPalette(black);

  Gauge1->setObjectName("Gauge1");
  Gauge1->setGeometry(12, 28, 289, 21);

  move(CentredOver(owner->frameGeometry(), frameGeometry().size()));
  Titre->setText(title);
  show();
}

void TProgressF::SetMax(int value) {
  Gauge1->SetMax(value < 0 ? 0 : value);
  ui::qt::ProcessMessages();
}

void TProgressF::SetPosition(int value) {
  Gauge1->SetPosition(value < 0 ? 0 : value);
  ui::qt::ProcessMessages();
}

void TProgressF::PaintNow() { repaint(); }

void TProgressF::Release() {
  hide();
  deleteLater();
}
