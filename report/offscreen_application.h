#pragma once
// A QGuiApplication on the offscreen platform, for drawing text (the month
// charts) where no display is needed: the command-line tool, tests, benchmarks.

#include <QGuiApplication>

namespace nevalorum {

class OffscreenGuiApplication {
  public:
    OffscreenGuiApplication() : application_(argc_, argv_) {}

  private:
    // QGuiApplication keeps these for its lifetime: they are declared first.
    int argc_ = 3;
    char program_[19] = "nevalorum-forecast";
    char platformOption_[10] = "-platform";
    char platform_[10] = "offscreen";
    char* argv_[4] = {program_, platformOption_, platform_, nullptr};
    QGuiApplication application_;
};

}  // namespace nevalorum
