#include "app/color_value.h"

#include <QGuiApplication>
#include <QPalette>

namespace app {

namespace {

struct SystemColor {
  int index;
  QPalette::ColorRole role;
  QRgb fallback;  // without a GUI application
};

// The system colour indexes that have a palette counterpart.
constexpr SystemColor kSystemColors[] = {
    {4, QPalette::Window, 0xF0F0F0},           // menu
    {5, QPalette::Base, 0xFFFFFF},             // window background
    {8, QPalette::Text, 0x000000},             // window text
    {10, QPalette::Mid, 0xB4B4B4},             // active border
    {11, QPalette::Midlight, 0xF4F7FC},        // inactive border
    {12, QPalette::Dark, 0xABABAB},            // application workspace
    {13, QPalette::Highlight, 0x3399FF},       // highlight
    {14, QPalette::HighlightedText, 0xFFFFFF}, // highlighted text
    {15, QPalette::Button, 0xF0F0F0},          // button face
    {16, QPalette::Dark, 0xA0A0A0},            // button shadow
    {17, QPalette::PlaceholderText, 0x6D6D6D}, // grey text
    {18, QPalette::ButtonText, 0x000000},      // button text
    {20, QPalette::Light, 0xFFFFFF},           // button highlight
};

}  // namespace

QColor ColorFromValue(int value) {
  if (value == -1) return QColor();
  const unsigned v = unsigned(value);
  if (IsSystemColorValue(value)) {
    auto find = [](int index) -> const SystemColor* {
      for (const SystemColor& s : kSystemColors)
        if (s.index == index) return &s;
      return nullptr;
    };
    const SystemColor* found = find(int(v & 0xFF));
    if (!found) found = find(15);  // button face for unknown indexes
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
      return QGuiApplication::palette().color(QPalette::Active, found->role);
    return QColor::fromRgb(found->fallback);
  }
  return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

int ColorToValue(const QColor& color) {
  const QRgb c = color.rgb();
  return int(unsigned(qRed(c)) | unsigned(qGreen(c)) << 8 | unsigned(qBlue(c)) << 16);
}

}  // namespace app
