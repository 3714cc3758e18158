#pragma once

#include <QApplication>
#include <QString>
#include <QVariant>

#include <vector>

#include "ui/NotificationCenter.h"

namespace korvex::test {

// One QApplication for the whole test binary (gtest_main owns main()).
inline QApplication& app() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// Records every payload posted under one name while it lives.
class Recorder {
  public:
    explicit Recorder(const QString& name) {
        token_ = NotificationCenter::defaultCenter().addObserver(
            name, [this](const QVariant& v) { posts.push_back(v); });
    }
    ~Recorder() { NotificationCenter::defaultCenter().removeObserver(token_); }
    std::vector<QVariant> posts;

  private:
    NotificationCenter::Token token_;
};

}  // namespace korvex::test
