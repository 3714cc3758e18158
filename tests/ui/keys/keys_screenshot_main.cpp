// Renders the custom key page with a few assignments, a selected key and its
// key menu to a PNG for the README:
//   keys_screenshot OUT.png
#define QTEST_QPA_MOUSE_HANDLING
#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"
#include "ui/keyboard/KeyboardView.h"
#include "ui/keys/KeyboardViewKeyFunc.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libfreetype\n";
}

int main(int argc, char** argv) {
    using namespace korvex;
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    auto* controller = new KeyboardViewController;
    KeyboardViewController::LinkOptions link;
    link.monitor = std::make_unique<SimulatedMonitor>();
    controller->setLinkOptions(std::move(link));
    MainWindowController window(controller);
    window.showWindow();
    if (!QTest::qWaitFor([&] { return controller->initFinish; }, 5000)) return 1;
    controller->button_keyboard_connect();
    controller->selectPage(KeyboardViewController::kCustomKeyView);

    auto* keys = controller->findChild<KeyboardViewKeyFunc*>();
    for (auto [name, code] : {std::pair{"capsLock", kFnKeyCode}, {"f12", 75}, {"rightAlt", 226}}) {
        controller->currentKeyValue = findKeyByName(name)->code;
        keys->customKeyFuncAction(code);
    }
    KeyboardView* keyboard = keys->customkey_keyboardctrl();
    const QRectF q = keyboard->kbKeyArraySelect()[findKeyByName("q")->layout_index].rect;
    QTest::mouseMove(keyboard, q.center().toPoint());
    QTest::mouseClick(keyboard, Qt::LeftButton, {}, q.center().toPoint());
    keys->keyMenu()->move(keyboard->mapToGlobal(q.center().toPoint()));

    if (!QTest::qWaitFor([&] { return controller->uploadIndicator()->inFlight() == 0; }, 5000))
        return 1;
    QTest::qWait(100);
    QImage shot = window.window()->grab().toImage();
    QPainter painter(&shot);
    painter.drawPixmap(keys->keyMenu()->pos() - window.window()->pos(), keys->keyMenu()->grab());
    painter.end();
    return shot.save(argv[1]) ? 0 : 1;
}
