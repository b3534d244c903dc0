#pragma once
// StatusBar1: five text panels of fixed widths (140, 140, 130, 140, 700), the last one
// without a bevel, 23 pixels high. The last panel, which no command writes, shows the hints;
// panel 3 never holds a value, so it makes room while a hint shows (at the window's first
// size only about 190 pixels of the last panel are on screen).
#include <QLabel>
#include <QStatusBar>
#include <array>

namespace app {

class TStatusBar : public QStatusBar {
  Q_OBJECT

 public:
  static constexpr int PanelCount = 5;
  static constexpr std::array<int, PanelCount> PanelWidths{140, 140, 130, 140, 700};

  explicit TStatusBar(QWidget* parent = nullptr);

  QString PanelText(int index) const;
  void SetPanelText(int index, const QString& text);
  // Empties panels first..last.
  void ClearPanels(int first, int last);
  // Paints at once, not at the next event loop turn.
  void RepaintNow();
  QLabel* HintPanel() const { return panels_[PanelCount - 1]; }
  void ShowHint(const QString& text);

 private:
  std::array<QLabel*, PanelCount> panels_{};
};

}  // namespace app
