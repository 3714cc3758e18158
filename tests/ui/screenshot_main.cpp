// Renders the main window to a PNG for the documentation:
//   ui_screenshot OUT.png [home|page N]
#include <QApplication>
#include <QPixmap>

#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libfreetype\n";
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    auto* controller = new korvex::KeyboardViewController;
    korvex::MainWindowController window(controller);
    window.showWindow();
    if (argc >= 4 && QString(argv[2]) == "page") {
        controller->button_action_home();
        controller->selectPage(QString(argv[3]).toInt());
        controller->removePreView();
        controller->selectPage(QString(argv[3]).toInt());
    }
    for (int i = 0; i < 5; ++i) app.processEvents();
    return window.window()->grab().save(argv[1]) ? 0 : 1;
}
