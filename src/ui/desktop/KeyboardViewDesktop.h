#pragma once

// The window's desktop integration: profile files from the profile list,
// "Restore from backup" and "Start with the desktop" on the settings page,
// and the offer of a backup when the settings file is found damaged.

#include <QDialog>
#include <QListWidget>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

#include "ui/keys/PageSheets.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressDialog;
class QPushButton;
class QThread;

namespace korvex {

class KeyboardViewController;
struct BackupInfo;
struct ProfileImport;

class KeyboardViewDesktop : public QObject {
    Q_OBJECT
  public:
    // Adds its controls to the key page and the settings page of the hub.
    explicit KeyboardViewDesktop(KeyboardViewController& hub);
    ~KeyboardViewDesktop() override;

    // Asks for a file to write (save) or read; empty when cancelled. The
    // file dialogs unless replaced.
    std::function<QString(bool save, const QString& suggestion)> chooseFile;

    // --- profile files ----------------------------------------------------
    // The current profile (the selected row) to a file the user picks.
    void exportProfile();
    void exportProfileTo(const QString& path);
    // A file the user picks becomes a new profile, which is then selected.
    // The file work runs on a thread of its own, so the window stays
    // responsive (a busy indicator shows when it takes a while); the result
    // is applied here, and importFinished() follows. One import at a time.
    void importProfile();
    void importProfileFrom(const QString& path);
    bool importRunning() const { return importThread_ != nullptr; }

    // --- backups ------------------------------------------------------------
    // The list of backups with their dates; the choice is restored after a question.
    void showBackupList();
    // A backup of the settings on the shelf the list shows, made off the
    // window's thread; the sheet says where it went or why it failed.
    void backUpNow();
    bool backupRunning() const { return backupThread_ != nullptr; }
  signals:
    void backupFinished();

  public:
    // Replaces the settings with the backup off the window's thread, then
    // loads and sends everything as at a first attach; a sheet says why when
    // it failed. restoreFinished() follows either way. One at a time.
    void restoreBackup(const QString& path);
    bool restoreRunning() const { return restoreThread_ != nullptr; }
  signals:
    void restoreFinished();

  public:
    // The settings file failed its check at start: offer the newest backup.
    void offerNewestBackup(const QString& database, const QString& message);

    // --- autostart ------------------------------------------------------------
    void autostartClicked();
    void loadAutostart();

    // --- controls -----------------------------------------------------------
    QPushButton* profileMenuButton() const { return profileMenu_; }
    QAction* exportAction() const { return export_; }
    QAction* importAction() const { return import_; }
    QPushButton* btn_restorebackup() const { return restore_; }
    QPushButton* btn_backupnow() const { return backupNow_; }
    QCheckBox* autostartBox() const { return autostart_; }
    QDialog* backupDialog() const { return dialog_; }
    QListWidget* backupList() const { return list_; }
    QMessageBox* sheet() const { return sheets_.sheet(); }

    // A backup as the list shows it: local date and time, what it was made before.
    static QString backupLabel(const BackupInfo& backup);

  signals:
    void importFinished();

  private:
    void importDone(const ProfileImport& imported);
    void buildKeyPage(QWidget* page);
    void buildConfigPage(QWidget* page);
    void relabel();
    QString defaultChooseFile(bool save, const QString& suggestion);
    // Runs `work` on a thread of its own, held in `slot` while it runs, and
    // then `done` on the window's thread.
    void runOffThread(QThread*& slot, std::function<void()> work, std::function<void()> done);
    // A modal busy indicator with the text `id` that shows only when the
    // work takes a while.
    QProgressDialog* showProgress(int id, const QString& name);

    KeyboardViewController& hub_;
    PageSheet sheets_;
    QPushButton* profileMenu_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* export_ = nullptr;
    QAction* import_ = nullptr;
    QPushButton* restore_ = nullptr;
    QPushButton* backupNow_ = nullptr;
    QThread* backupThread_ = nullptr;
    QLabel* autostartLabel_ = nullptr;
    QCheckBox* autostart_ = nullptr;
    QThread* importThread_ = nullptr;
    QThread* restoreThread_ = nullptr;
    QPointer<QProgressDialog> importProgress_;
    QPointer<QDialog> dialog_;
    QPointer<QListWidget> list_;
};

}  // namespace korvex
