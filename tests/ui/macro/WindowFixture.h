#pragma once

// The key page's window fixture (simulated keyboard, fresh database, English)
// with lookups of controls by name and the window the key events go to.

#include "../keys/PageTestSupport.h"

namespace korvex::test {

class WindowFixture : public PageTest {
  protected:
    template <typename W>
    W* child(const char* name) const {
        W* w = hub->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    using PageTest::click;
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    QWindow* handle() const { return hub->window()->windowHandle(); }
    SimulatedKeyboard& sim() { return monitor->keyboard(); }
};

}  // namespace korvex::test
