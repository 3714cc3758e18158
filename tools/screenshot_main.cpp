// Renders the window on a simulated keyboard, every page in every language at
// 1x and 2x, into a folder: how the look is checked, and the README's pictures.
//   QT_QPA_PLATFORM=offscreen ui_screenshot docs
// writes DIR/<page>-<language>.png and DIR/<page>-<language>@2x.png, and at
// 1x the colour picker and a file dialog (Qt's own, in the same theme).
// Settings go to a temporary folder unless XDG_DATA_HOME is set.
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include "catalog/KeyCatalog.h"
#include "i18n/Language.h"
#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/MainWindowController.h"
#include "ui/Theme.h"
#include "ui/UploadIndicator.h"
#include "ui/keys/KeyboardViewKeyFunc.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libfreetype\n";
}

namespace {

using korvex::KeyboardViewController;

struct Page {
    const char* name;
    int type;  // 0: the home view
};
constexpr Page kPages[] = {
    {"home", 0},
    {"keys", KeyboardViewController::kCustomKeyView},
    {"macros", KeyboardViewController::kMacroView},
    {"light", KeyboardViewController::kLightView},
    {"userlight", KeyboardViewController::kUserLightView},
    {"settings", KeyboardViewController::kConfigView},
};

struct Language {
    const char* name;
    int code;
};
constexpr Language kLanguages[] = {
    {"en", korvex::kLanguageEnglish},
    {"zh_CN", korvex::kLanguageSimplifiedChinese},
    {"zh_TW", korvex::kLanguageTraditionalChinese},
};

bool atRest(KeyboardViewController& hub) {
    return QTest::qWaitFor([&] { return hub.uploadIndicator()->inFlight() == 0; }, 5000);
}

bool save(QWidget* window, const QString& path, int scale) {
    QImage image(window->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::black);
    window->render(&image);
    // No alpha channel: a smaller file.
    if (!image.convertToFormat(QImage::Format_RGB888).save(path)) {
        std::fprintf(stderr, "ui_screenshot: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ui_screenshot DIR\n");
        return 2;
    }
    korvex::theme::applyTheme(app);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) return 1;

    QTemporaryDir data;
    if (qEnvironmentVariableIsEmpty("XDG_DATA_HOME"))
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    auto* hub = new KeyboardViewController;
    KeyboardViewController::LinkOptions link;
    link.monitor = std::make_unique<korvex::SimulatedMonitor>();
    hub->setLinkOptions(std::move(link));
    korvex::MainWindowController window(hub);
    window.showWindow();
    if (!QTest::qWaitFor([&] { return hub->initFinish; }, 5000)) return 1;

    // A few reassigned keys, so the key page shows what that looks like.
    hub->button_keyboard_connect();
    hub->selectPage(KeyboardViewController::kCustomKeyView);
    if (auto* keys = hub->findChild<korvex::KeyboardViewKeyFunc*>()) {
        for (auto [name, code] :
             {std::pair{"capsLock", korvex::kFnKeyCode}, {"f12", 75}, {"rightAlt", 226}}) {
            hub->currentKeyValue = korvex::findKeyByName(name)->code;
            keys->customKeyFuncAction(code);
        }
    }
    // A colourful effect on the light page.
    hub->selectPage(KeyboardViewController::kLightView);
    if (auto* modes = hub->findChild<korvex::ItemListView*>(QStringLiteral("lightmode")))
        modes->setSelectedRow(5);
    QCursor::setPos(0, 0);  // no hover highlight in the pictures

    auto* languages = hub->findChild<QComboBox*>(QStringLiteral("combo_language"));
    if (!languages) return 1;
    for (const Language& language : kLanguages) {
        languages->setCurrentIndex(korvex::languageListIndex(language.code));
        for (const Page& page : kPages) {
            if (page.type == 0) {
                hub->button_action_home();
            } else {
                hub->button_keyboard_connect();
                hub->selectPage(page.type);
            }
            if (!atRest(*hub)) return 1;
            QTest::qWait(50);
            const QString base = out.filePath(QStringLiteral("%1-%2").arg(
                QLatin1String(page.name), QLatin1String(language.name)));
            if (!save(window.window(), base + QStringLiteral(".png"), 1) ||
                !save(window.window(), base + QStringLiteral("@2x.png"), 2))
                return 1;
        }
        QColorDialog* picker = hub->colorPanel();
        picker->show();
        QFileDialog files(window.window());
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.setDirectory(QDir::rootPath());
        files.show();
        QTest::qWait(50);
        const QString suffix = QStringLiteral("-%1.png").arg(QLatin1String(language.name));
        const bool saved = save(picker, out.filePath(QStringLiteral("colour") + suffix), 1) &&
                           save(&files, out.filePath(QStringLiteral("file") + suffix), 1);
        picker->hide();
        files.hide();
        if (!saved) return 1;
    }
    return 0;
}
