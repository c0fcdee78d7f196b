#pragma once

#include <QLabel>
#include <QWidget>

#include "ui/qt/bevel_panel.h"
#include "ui/qt/gauge.h"

// The small window shown while card memory moves: a title over a percentage gauge,
// without border or caption, on top of the other windows and centred over its owner.
// It takes no input.
class TProgressF : public QWidget {
 public:
  // Shown at once, centred over `owner`, which destroys it at the latest.
  TProgressF(QWidget* owner, const QString& title);

  // Negative values count as 0; both then let Qt process pending messages.
  void SetMax(int value);
  void SetPosition(int value);

  void PaintNow();
  // Hides the window now and destroys it when control returns to the message loop.
  void Release();

 private:
  ui::qt::BevelPanel* Panel1;
  QLabel* Titre;
  ui::qt::Gauge* Gauge1;
};
