#include "ui/MainWindowController.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <utility>

#include "exchange/Autostart.h"
#include "ui/Controls.h"
#include "ui/Images.h"
#include "ui/KeyboardViewController.h"
#include "ui/Theme.h"
#include "ui/UploadIndicator.h"

namespace korvex {

FramelessWindow::FramelessWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint) {
    setObjectName(QStringLiteral("main_window"));
    setWindowIcon(QIcon(imagePath(QStringLiteral("korvex"))));
    // Fixed size: the pages are laid out for it, and there is no zoom.
    setFixedSize(1100, 680);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, theme::kWindowColour);
    palette.setColor(QPalette::WindowText, theme::kTextColour);
    setPalette(palette);
}

void FramelessWindow::closeEvent(QCloseEvent* event) {
    if (hidesOnClose && hidesOnClose()) {
        event->ignore();
        hide();
        emit hiddenOnClose();
        return;
    }
    emit windowWillClose();
    event->accept();
}

void FramelessWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit shown();
}

void FramelessWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit hidden();
}

void FramelessWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), theme::kWindowColour);
    painter.setPen(QColor(60, 60, 64));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

MainWindowController::MainWindowController(KeyboardViewController* controller)
    : window_(new FramelessWindow), controller_(controller) {
    auto* column = new QVBoxLayout(window_);
    column->setContentsMargins(1, 1, 1, 1);
    column->setSpacing(0);

    titleBar_ = new DragView(theme::kTitleColour, window_);
    titleBar_->setObjectName(QStringLiteral("title_view"));
    titleBar_->setFixedHeight(kTitleHeight);
    auto* bar = new QHBoxLayout(titleBar_);
    bar->setContentsMargins(14, 0, 8, 0);
    bar->setSpacing(6);
    auto* logo = new QLabel(titleBar_);
    logo->setPixmap(imagePixmap(QStringLiteral("korvex"), {22, 22}));
    logo->setAttribute(Qt::WA_TransparentForMouseEvents);
    title_ = new QLabel(titleBar_);
    title_->setObjectName(QStringLiteral("window_title"));
    title_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = title_->font();
    font.setPixelSize(14);
    font.setBold(true);
    title_->setFont(font);
    QPalette palette = title_->palette();
    palette.setColor(QPalette::WindowText, theme::kTextColour);
    title_->setPalette(palette);
    bar->addWidget(logo);
    bar->addWidget(title_);
    bar->addSpacing(18);
    bar->addWidget(controller_->uploadIndicator());
    bar->addStretch(1);

    home_ = new ImageButton(QStringLiteral("icon_home"), titleBar_);
    home_->setObjectName(QStringLiteral("home_btn"));
    home_->setHoverImageName(QStringLiteral("icon_home_hover"));
    home_->setFixedSize(32, 32);
    auto* minimise = new ImageButton(QStringLiteral("icon_minimize"), titleBar_);
    minimise->setObjectName(QStringLiteral("minimize_btn"));
    minimise->setFixedSize(32, 32);
    auto* close = new ImageButton(QStringLiteral("icon_close"), titleBar_);
    close->setObjectName(QStringLiteral("close_btn"));
    close->setFixedSize(32, 32);
    bar->addWidget(home_);
    bar->addSpacing(10);
    bar->addWidget(minimise);
    bar->addWidget(close);

    column->addWidget(titleBar_);
    controller_->setParent(window_);
    column->addWidget(controller_, 1);

    connect(home_, &QAbstractButton::clicked, controller_,
            [this] { controller_->button_action_home(); });
    connect(minimise, &QAbstractButton::clicked, window_, &QWidget::showMinimized);
    connect(close, &QAbstractButton::clicked, window_, &QWidget::close);
    connect(controller_, &KeyboardViewController::titleChanged, title_, &QLabel::setText);
    // Icons only: the tooltip and the accessible name say what each does.
    auto relabel = [this, minimise, close] {
        const std::pair<QWidget*, int> named[] = {{home_, 1308}, {minimise, 1309}, {close, 1310}};
        for (const auto& [button, id] : named) {
            button->setToolTip(KeyboardViewController::text(id));
            button->setAccessibleName(KeyboardViewController::text(id));
        }
    };
    relabel();
    connect(controller_, &KeyboardViewController::languageSwitched, this, relabel);
    connect(window_, &FramelessWindow::windowWillClose, this, &MainWindowController::quitRequested);
    connect(window_, &FramelessWindow::hiddenOnClose, this, &MainWindowController::hiddenToTray);
    trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    window_->hidesOnClose = [this] { return closeHidesToTray(); };
    connect(window_, &FramelessWindow::shown, controller_,
            [this] { controller_->viewDidAppear(); });
    connect(window_, &FramelessWindow::hidden, controller_,
            [this] { controller_->viewDidDisappear(); });

    controller_->viewDidLoad();
    centreOnScreen();
}

MainWindowController::~MainWindowController() {
    delete window_;
}

void MainWindowController::centreOnScreen() {
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window_->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window_->move(frame.topLeft());
}

bool MainWindowController::closeHidesToTray() const {
    return isAutostartEnabled() && trayAvailable && trayAvailable();
}

void MainWindowController::showWindow() {
    window_->show();
    window_->raise();
    window_->activateWindow();
    // Tab works at once, without a click into the window first.
    if (!window_->focusWidget()) controller_->focusShownPage();
}

}  // namespace korvex
