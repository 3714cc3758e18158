#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <QThread>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/UploadWorker.h"
#include "session/BusTypes.h"
#include "session/RuleCommands.h"
#include "session/Session.h"

namespace korvex {

// The window's side of the session bus: it owns io.github.korvex.Korvex and
// serves org.freedesktop.Application (launchers start or raise the one
// window) and io.github.korvex.Korvex1 (korvexctl and scripts ask the window
// to switch profiles, send, import, restore, back up). Everything goes
// through the session and the window's own store, so the window shows what
// was done and nothing is written behind its back. Calls run one at a time on
// the window's thread, so two callers never interleave.
class BusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(korvex::BusProfileList Profiles READ profiles)
    Q_PROPERTY(qlonglong ShownProfile READ shownProfile)
    Q_PROPERTY(QString KeyboardState READ keyboardState)
    Q_PROPERTY(QString SettingsFile READ settingsFile)
  public:
    // What only the window can do.
    struct WindowHooks {
        std::function<void()> activate;       // show and raise the window
        std::function<void()> reloadLists;    // the file changed: show it again
        std::function<bool()> reopenStore;    // the file was replaced: open, show, send
        std::function<void(bool)> replacing;  // a restore replaces the file meanwhile
        std::function<bool()> sendMacros;     // the macro image (and keys that follow it)
        std::function<void()> sendStartup;    // everything, as after a replug
    };

    BusService(Session& session, WindowHooks hooks, QObject* parent = nullptr);
    ~BusService() override;

    // Serves the object and claims the name. False without a bus or when
    // another program owns the name (*owned then says so).
    bool claim(QDBusConnection bus, bool* ownedElsewhere = nullptr);

    BusProfileList profiles() const;
    qlonglong shownProfile() const { return session_.shownProfile; }
    QString keyboardState() const;
    QString settingsFile() const;

    // Told of every upload the device thread finished.
    void uploadReported(const UploadReport& report);

  public slots:
    QString SwitchProfile(qlonglong id);
    QString SwitchProfileByName(const QString& name);
    QString NextProfile();
    QString PreviousProfile();
    QString Upload(const QString& kind, qlonglong profile, qlonglong lightId);
    QString Import(const QDBusUnixFileDescriptor& file);
    QString Restore(const QDBusUnixFileDescriptor& file);
    QString Backup();
    QString ListRules();
    QString AddRule(const QString& kind, const QString& match, const QString& title,
                    qlonglong profile);
    QString RemoveRule(qlonglong id);
    QString SetAutoSwitch(bool on);
    QString SetAutoSwitchDefault(qlonglong profile);

  signals:
    void activateRequested();
    // The rules or the switch of automatic switching were changed.
    void autoSwitchChanged();

  private:
    friend class ApplicationAdaptor;
    QString fail(const char* error, const std::string& message);
    // What a call says: its text, or an error (name and message).
    struct Answer {
        std::string text;
        const char* error = nullptr;
    };
    // Runs `work` (file work) on a thread of its own and answers the call
    // when it ends, after `then` on this thread: the window's thread never
    // waits on the disk.
    void answerOffThread(std::function<Answer()> work, std::function<void(Answer&)> then = {});
    QString switched(Session::Switch outcome);
    QString afterSwitch(Session::Switch outcome, const std::string& missing);
    // Answers with a rule command's outcome; a change is announced.
    QString ruleAnswer(const RuleOutcome& outcome, bool changes);
    // The descriptor's file as a path of this process, when it is a regular file.
    std::optional<std::string> regularFile(const QDBusUnixFileDescriptor& file, QString* error);
    void announce();

    Session& session_;
    WindowHooks hooks_;
    QDBusConnection bus_{QString()};
    bool served_ = false;
    // Upload calls waiting for the device thread.
    struct Waiting {
        QDBusMessage call;
        std::vector<std::uint64_t> tickets;
        std::vector<std::string> lines;
        std::vector<std::string> failures;
    };
    std::vector<Waiting> waiting_;
    // Import, restore and backup threads still running.
    std::vector<QThread*> working_;
    // What the last PropertiesChanged said.
    BusProfileList announcedProfiles_;
    qlonglong announcedShown_ = 0;
    QString announcedState_;
};

}  // namespace korvex
