#include "ui/desktop/KeyboardViewDesktop.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

#include "exchange/Autostart.h"
#include "exchange/Backups.h"
#include "exchange/ProfileFile.h"
#include "store/DeviceSQLite.h"
#include "store/StorePath.h"
#include "ui/KeyboardViewController.h"
#include "ui/Theme.h"
#include "ui/keys/KeyboardViewKeyFunc.h"

namespace korvex {

namespace {

QString fromStd(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

KeyboardViewDesktop::KeyboardViewDesktop(KeyboardViewController& hub) : QObject(&hub), hub_(hub) {
    setObjectName(QStringLiteral("keyboard_view_desktop"));
    chooseFile = [this](bool save, const QString& suggestion) {
        return defaultChooseFile(save, suggestion);
    };
    if (QWidget* page = hub_.pageView(KeyboardViewController::kCustomKeyView)) buildKeyPage(page);
    if (QWidget* page = hub_.pageView(KeyboardViewController::kConfigView)) buildConfigPage(page);
    connect(&hub_, &KeyboardViewController::languageSwitched, this, [this] { relabel(); });
    // Another program (a desktop settings tool) may switch it meanwhile.
    connect(&hub_, &KeyboardViewController::pageChanged, this, [this](int type) {
        if (type == KeyboardViewController::kConfigView) loadAutostart();
    });
    connect(
        &hub_, &KeyboardViewController::databaseDamaged, this,
        [this](const QString& path, const QString& message) { offerNewestBackup(path, message); });
    relabel();
    loadAutostart();
}

KeyboardViewDesktop::~KeyboardViewDesktop() {
    // The threads work on connections of their own; each ends by itself.
    for (QThread* thread : {importThread_, backupThread_, restoreThread_}) {
        if (!thread) continue;
        thread->wait();
        delete thread;
    }
}

void KeyboardViewDesktop::runOffThread(QThread*& slot, std::function<void()> work,
                                       std::function<void()> done) {
    QThread* thread = QThread::create(std::move(work));
    slot = thread;
    connect(thread, &QThread::finished, this, [thread, &slot, done = std::move(done)] {
        thread->deleteLater();
        slot = nullptr;
        done();
    });
    thread->start();
}

QProgressDialog* KeyboardViewDesktop::showProgress(int id, const QString& name) {
    auto* progress = new QProgressDialog(hub_.text(id), QString(), 0, 0, hub_.window());
    progress->setObjectName(name);
    progress->setWindowModality(Qt::WindowModal);
    progress->setCancelButton(nullptr);
    // Only work that takes a while shows it. The wait starts with the first
    // value; without one the dialog's own four seconds apply.
    progress->setMinimumDuration(300);
    progress->setValue(0);
    return progress;
}

void KeyboardViewDesktop::buildKeyPage(QWidget* page) {
    // Next to the list's own buttons, which end at x 850.
    profileMenu_ = new QPushButton(QString::fromUtf8("\u22ef"), page);
    profileMenu_->setObjectName(QStringLiteral("customkey_btn_profilemenu"));
    profileMenu_->setGeometry(858, 232, 40, 28);
    profileMenu_->setCursor(Qt::PointingHandCursor);
    menu_ = new QMenu(profileMenu_);
    export_ = menu_->addAction(QString());
    export_->setObjectName(QStringLiteral("profile_export"));
    import_ = menu_->addAction(QString());
    import_->setObjectName(QStringLiteral("profile_import"));
    profileMenu_->setMenu(menu_);
    connect(export_, &QAction::triggered, this, [this] { exportProfile(); });
    connect(import_, &QAction::triggered, this, [this] { importProfile(); });
}

void KeyboardViewDesktop::buildConfigPage(QWidget* page) {
    // Beside the two reset buttons, and a row below them.
    restore_ = new QPushButton(page);
    restore_->setObjectName(QStringLiteral("btn_restorebackup"));
    restore_->setGeometry(520, 296, 220, 32);
    restore_->setCursor(Qt::PointingHandCursor);
    connect(restore_, &QPushButton::clicked, this, [this] { showBackupList(); });
    backupNow_ = new QPushButton(page);
    backupNow_->setObjectName(QStringLiteral("btn_backupnow"));
    backupNow_->setGeometry(760, 296, 200, 32);
    backupNow_->setCursor(Qt::PointingHandCursor);
    connect(backupNow_, &QPushButton::clicked, this, [this] { backUpNow(); });

    autostartLabel_ = new QLabel(page);
    autostartLabel_->setObjectName(QStringLiteral("config_label_autostart"));
    autostartLabel_->setGeometry(40, 360, 200, 24);
    QPalette palette = autostartLabel_->palette();
    palette.setColor(QPalette::WindowText, theme::kTextColour);
    autostartLabel_->setPalette(palette);
    autostart_ = new QCheckBox(page);
    autostart_->setObjectName(QStringLiteral("config_btn_autostart"));
    autostart_->setGeometry(330, 360, 120, 24);  // in line with the game mode switches
    autostart_->setCursor(Qt::PointingHandCursor);
    connect(autostart_, &QCheckBox::clicked, this, [this] { autostartClicked(); });
    // The caption tells the state, whoever changed it.
    connect(autostart_, &QCheckBox::toggled, autostart_,
            [this](bool on) { autostart_->setText(hub_.text(on ? 1600 : 1601)); });
}

void KeyboardViewDesktop::relabel() {
    if (export_) export_->setText(hub_.text(900));
    if (import_) import_->setText(hub_.text(901));
    if (profileMenu_) profileMenu_->setToolTip(hub_.text(900) + QLatin1Char('\n') + hub_.text(901));
    if (restore_) restore_->setText(hub_.text(902));
    if (backupNow_) backupNow_->setText(hub_.text(1606));
    if (autostartLabel_) autostartLabel_->setText(hub_.text(903));
    if (autostart_) {
        autostart_->setAccessibleName(hub_.text(903));
        autostart_->setText(hub_.text(autostart_->isChecked() ? 1600 : 1601));
    }
}

QString KeyboardViewDesktop::defaultChooseFile(bool save, const QString& suggestion) {
    QWidget* parent = hub_.window();
    if (!save)
        return QFileDialog::getOpenFileName(parent, hub_.text(901), QDir::homePath(),
                                            hub_.text(904));
    QString path = QFileDialog::getSaveFileName(parent, hub_.text(900), suggestion, hub_.text(904));
    // The filter does not add the extension by itself.
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".json");
    return path;
}

// --- profile files ------------------------------------------------------------

void KeyboardViewDesktop::exportProfile() {
    DeviceSQLite* db = hub_.deviceDB();
    if (!db || !db->isOpen()) return;
    QString name = QStringLiteral("profile");
    for (const ProfileData& p : hub_.profileDatas)
        if (p.profId == hub_.currentProfile)
            name = KeyboardViewKeyFunc::profileDisplayName(p.name, hub_.text);
    // A name may hold a slash; it must not pick another folder.
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    const QString path = chooseFile(true, QDir::home().filePath(name + QStringLiteral(".json")));
    if (!path.isEmpty()) exportProfileTo(path);
}

void KeyboardViewDesktop::exportProfileTo(const QString& path) {
    DeviceSQLite* db = hub_.deviceDB();
    if (!db || !db->isOpen()) return;
    const ProfileExport exported =
        exportProfileToFile(*db, hub_.currentProfile, QFile::encodeName(path).toStdString());
    if (!exported.ok) {
        sheets_.warn(hub_.window(), hub_.text(906).arg(fromStd(exported.message)), {});
        return;
    }
    // Rows a file cannot carry are named, so nothing goes missing unnoticed.
    QStringList skipped;
    for (const std::string& line : exported.skipped) skipped << fromStd(line);
    sheets_.inform(hub_.window(), hub_.text(905).arg(path), skipped.join(QLatin1Char('\n')));
}

void KeyboardViewDesktop::importProfile() {
    DeviceSQLite* db = hub_.deviceDB();
    if (!db || !db->isOpen()) return;
    const QString path = chooseFile(false, {});
    if (!path.isEmpty()) importProfileFrom(path);
}

void KeyboardViewDesktop::importProfileFrom(const QString& path) {
    DeviceSQLite* db = hub_.deviceDB();
    if (!db || !db->isOpen() || importThread_) return;
    const std::string database = db->filePath();
    const std::string file = QFile::encodeName(path).toStdString();
    auto result = std::make_shared<ProfileImport>();
    // Reading, checking, the backup and the transaction all stay off the
    // window's thread; only the outcome comes back to it.
    if (import_) import_->setEnabled(false);
    importProgress_ = showProgress(1050, QStringLiteral("profile_import_progress"));
    runOffThread(
        importThread_,
        [database, file, result] {
            std::optional<BackupShelf> shelf = BackupShelf::standard();
            *result = importProfileFile(database, file, shelf ? &*shelf : nullptr);
        },
        [this, result] {
            if (importProgress_) importProgress_->deleteLater();
            if (import_) import_->setEnabled(true);
            importDone(*result);
            emit importFinished();
        });
}

void KeyboardViewDesktop::importDone(const ProfileImport& imported) {
    if (!imported.ok) {
        sheets_.warn(hub_.window(), hub_.text(908).arg(fromStd(imported.message)), {});
        return;
    }
    {
        // The key tables go out once, after the macro image they name.
        const KeyboardViewController::KeyTablesHeld held(hub_);
        // The store sees the new rows; the lists have to be read again. The
        // import wrote through a connection of its own, so the window takes
        // it in now rather than as another program's change seconds later.
        // Already taken in (a periodic check came first): the lists are read.
        const bool reloaded = hub_.reloadIfChangedOutside();
        if (auto* keys = hub_.findChild<KeyboardViewKeyFunc*>())
            keys->showProfileList(imported.profile, !reloaded);
        // The file's macros join the list: the keyboard gets them too, or the
        // sheet says they do not fit (its keys then play their own functions).
        hub_.sendMacroImageIfBehind();
    }
    QStringList renamed;
    for (const auto& [from, to] : imported.renamedMacros)
        renamed << fromStd(from) + QString::fromUtf8(" \u2192 ") + fromStd(to);
    sheets_.inform(
        hub_.window(),
        hub_.text(907).arg(KeyboardViewKeyFunc::profileDisplayName(imported.name, hub_.text)),
        renamed.isEmpty() ? QString() : hub_.text(909).arg(renamed.join(", ")));
}

// --- backups -------------------------------------------------------------------

QString KeyboardViewDesktop::backupLabel(const BackupInfo& backup) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(backup.created.time_since_epoch())
            .count();
    const QString when = QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().toString(
        QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const int id = backupTagTextId(backup.tag);
    return when + QStringLiteral("  \u2014  ") +
           (id ? KeyboardViewController::text(id) : fromStd(backup.tag));
}

void KeyboardViewDesktop::backUpNow() {
    DeviceSQLite* db = hub_.deviceDB();
    if (!db || !db->isOpen() || backupThread_) return;
    const std::string database = db->filePath();
    auto result = std::make_shared<BackupResult>();
    const std::string noPlace = hub_.text(810).toStdString();
    backupNow_->setEnabled(false);
    runOffThread(
        backupThread_,
        [database, result, noPlace] {
            std::optional<BackupShelf> shelf = BackupShelf::standard();
            if (!shelf) {
                result->message = noPlace;
                return;
            }
            *result = shelf->backup(database, BackupReason::Manual);
        },
        [this, result] {
            if (backupNow_) backupNow_->setEnabled(true);
            if (result->ok)
                sheets_.inform(hub_.window(), hub_.text(1607).arg(fromStd(result->path)), {});
            else
                sheets_.warn(hub_.window(), hub_.text(1608).arg(fromStd(result->message)), {});
            emit backupFinished();
        });
}

void KeyboardViewDesktop::showBackupList() {
    std::optional<BackupShelf> shelf = BackupShelf::standard();
    const std::vector<BackupInfo> backups = shelf ? shelf->list() : std::vector<BackupInfo>{};
    if (backups.empty()) {
        sheets_.inform(hub_.window(), hub_.text(911), {});
        return;
    }
    if (dialog_) dialog_->close();
    auto* dialog = new QDialog(hub_.window());
    dialog->setObjectName(QStringLiteral("backup_dialog"));
    dialog->setWindowTitle(hub_.text(902));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->resize(520, 360);
    auto* column = new QVBoxLayout(dialog);
    auto* hint = new QLabel(hub_.text(910), dialog);
    hint->setWordWrap(true);
    auto* list = new QListWidget(dialog);
    list->setObjectName(QStringLiteral("backup_list"));
    for (const BackupInfo& b : backups) {
        auto* item = new QListWidgetItem(backupLabel(b), list);
        item->setData(Qt::UserRole, fromStd(b.path));
    }
    list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* restore = buttons->addButton(hub_.text(912), QDialogButtonBox::AcceptRole);
    restore->setObjectName(QStringLiteral("backup_restore"));
    QPushButton* cancel = buttons->addButton(hub_.text(927), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("backup_cancel"));
    column->addWidget(hint);
    column->addWidget(list, 1);
    column->addWidget(buttons);
    connect(cancel, &QPushButton::clicked, dialog, &QDialog::close);
    connect(restore, &QPushButton::clicked, this, [this, dialog, list] {
        QListWidgetItem* item = list->currentItem();
        if (!item) return;
        const QString path = item->data(Qt::UserRole).toString();
        const QString label = item->text();
        dialog->close();
        sheets_.confirm(hub_.window(), hub_.text(913), label, hub_.text(3), hub_.text(2),
                        [this, path] { restoreBackup(path); });
    });
    dialog_ = dialog;
    list_ = list;
    dialog->open();
}

void KeyboardViewDesktop::restoreBackup(const QString& path) {
    if (restoreThread_) return;
    std::optional<BackupShelf> shelf = BackupShelf::standard();
    const std::optional<std::string> database = databasePath();
    if (!shelf || !database) {
        sheets_.warn(hub_.window(), hub_.text(914).arg(hub_.text(810)), {});
        emit restoreFinished();
        return;
    }
    auto result = std::make_shared<BackupResult>();
    const std::string file = QFile::encodeName(path).toStdString();
    // The safety copy, the check and the overwrite run off the window's
    // thread, which meanwhile leaves the file alone (it is locked anyway).
    hub_.setStoreReplacing(true);
    QPointer<QProgressDialog> progress = showProgress(1612, QStringLiteral("restore_progress"));
    runOffThread(
        restoreThread_,
        [shelf = std::move(*shelf), database = *database, file, result]() mutable {
            *result = shelf.restore(database, file);
        },
        [this, result, progress] {
            if (progress) progress->deleteLater();
            hub_.setStoreReplacing(false);
            if (result->ok)
                hub_.reopenStore();
            else
                sheets_.warn(hub_.window(), hub_.text(914).arg(fromStd(result->message)), {});
            emit restoreFinished();
        });
}

void KeyboardViewDesktop::offerNewestBackup(const QString& database, const QString& message) {
    std::optional<BackupShelf> shelf = BackupShelf::standard();
    const std::optional<BackupInfo> newest = shelf ? shelf->newest() : std::nullopt;
    if (!newest) {
        sheets_.warn(
            hub_.window(), hub_.text(804),
            hub_.text(916).arg(database + QStringLiteral(" (") + message + QLatin1Char(')')));
        return;
    }
    const QString path = fromStd(newest->path);
    sheets_.confirm(hub_.window(), hub_.text(804), hub_.text(915).arg(backupLabel(*newest)),
                    hub_.text(3), hub_.text(2), [this, path] { restoreBackup(path); });
}

// --- autostart -------------------------------------------------------------------

void KeyboardViewDesktop::autostartClicked() {
    const bool on = autostart_->isChecked();
    // The entry names this very program by its path: the login session has
    // no build folder on its PATH.
    const std::optional<AutostartProgram> program = on ? runningAutostartProgram() : std::nullopt;
    const AutostartResult result =
        on ? enableAutostart(program ? program->path : std::string()) : disableAutostart();
    if (!result.ok) {
        autostart_->setChecked(!on);
        sheets_.warn(hub_.window(), hub_.text(928).arg(fromStd(result.message)), {});
        return;
    }
    if (program && program->inBuildFolder)
        sheets_.warn(hub_.window(), hub_.text(1700).arg(fromStd(program->path)), {});
}

void KeyboardViewDesktop::loadAutostart() {
    if (autostart_) autostart_->setChecked(isAutostartEnabled());
}

}  // namespace korvex
