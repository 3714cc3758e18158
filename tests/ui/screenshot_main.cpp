// Renders the main window with a simulated keyboard attached to a PNG, for
// the documentation and for looking at the artwork:
//   ui_screenshot OUT.png [home | page N | image NAME]
// Settings go to a temporary folder unless XDG_DATA_HOME is set.
#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/UploadIndicator.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libfreetype\n";
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    const QString mode = argc >= 3 ? QString(argv[2]) : QStringLiteral("home");
    const QString arg = argc >= 4 ? QString(argv[3]) : QString();

    if (mode == "image") {
        QSvgRenderer renderer(korvex::imagePath(arg));
        QImage image(renderer.defaultSize() * 2, QImage::Format_ARGB32);
        image.fill(QColor(36, 36, 38));
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        return image.save(argv[1]) ? 0 : 1;
    }

    QTemporaryDir data;
    if (qEnvironmentVariableIsEmpty("XDG_DATA_HOME"))
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    auto* controller = new korvex::KeyboardViewController;
    korvex::KeyboardViewController::LinkOptions link;
    link.monitor = std::make_unique<korvex::SimulatedMonitor>();
    controller->setLinkOptions(std::move(link));
    korvex::MainWindowController window(controller);
    window.showWindow();
    if (!QTest::qWaitFor([&] { return controller->initFinish; }, 5000)) return 1;
    if (mode == "page") {
        controller->button_keyboard_connect();
        controller->selectPage(arg.toInt());
    }
    QCursor::setPos(0, 0);  // no hover highlight in the picture
    // The start-up uploads take a moment; show the window at rest.
    if (!QTest::qWaitFor([&] { return controller->uploadIndicator()->inFlight() == 0; }, 5000))
        return 1;
    QTest::qWait(100);
    // On a real display (Xvfb for the documentation) take the pixels the
    // X server shows; elsewhere render the widgets.
    QWidget* w = window.window();
    QScreen* screen = w->screen();
    const QPixmap shot = QGuiApplication::platformName() == "xcb" && screen
                             ? screen->grabWindow(0, w->x(), w->y(), w->width(), w->height())
                             : w->grab();
    return shot.save(argv[1]) ? 0 : 1;
}
