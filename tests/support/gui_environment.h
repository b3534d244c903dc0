#pragma once
// GoogleTest binaries whose code draws text or SVG need Qt's GUI side; the offscreen
// platform is enough. Register once per binary:
//   const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment("name"));
#include <gtest/gtest.h>

#include <QGuiApplication>

class GuiEnvironment : public ::testing::Environment {
 public:
  explicit GuiEnvironment(const char* binaryName) : name_(binaryName) {}
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(name_), nullptr};
    if (!QCoreApplication::instance()) new QGuiApplication(argc, argv);
  }

 private:
  const char* name_;
};
