#include "session/BusService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QVariantList>

#include <algorithm>

#include <sys/stat.h>

#include "device/KeyboardLink.h"
#include "exchange/Backups.h"
#include "exchange/ProfileFile.h"
#include "korvex1_adaptor.h"
#include "store/StorePath.h"

namespace korvex {

namespace {

constexpr char kNoSuchProfile[] = "io.github.korvex.Korvex1.Error.NoSuchProfile";
constexpr char kNotSent[] = "io.github.korvex.Korvex1.Error.NotSent";
constexpr char kInUse[] = "io.github.korvex.Korvex1.Error.InUse";
constexpr char kDamaged[] = "io.github.korvex.Korvex1.Error.Damaged";
constexpr char kBadFile[] = "io.github.korvex.Korvex1.Error.BadFile";
constexpr char kFailed[] = "io.github.korvex.Korvex1.Error.Failed";

// Names come from other programs: an error line quotes only their start.
std::string quoted(const QString& name) {
    constexpr int kQuoted = 60;
    QString shown = name.left(kQuoted);
    if (name.size() > kQuoted) shown += QStringLiteral("...");
    return "\"" + shown.toStdString() + "\"";
}

// Failures of the exchange module are one sentence; the kind is in the words.
const char* errorOf(const std::string& message) {
    if (message.find("in use by another program") != std::string::npos) return kInUse;
    if (message.find("damaged") != std::string::npos) return kDamaged;
    return kFailed;
}

std::string profileLine(const Session& session) {
    for (const ProfileData& p : session.profiles)
        if (p.profId == session.shownProfile)
            return "profile " + std::to_string(p.profId) + " \"" + p.name + "\" shown";
    return "profile " + std::to_string(session.shownProfile) + " shown";
}

}  // namespace

// org.freedesktop.Application: a launcher (DBusActivatable=true) starts or
// raises the one window through it.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
  public:
    explicit ApplicationAdaptor(BusService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}

  public slots:
    void Activate(const QVariantMap&) { emit service_->activateRequested(); }
    // There are no documents: whatever is named, the window is what opens.
    void Open(const QStringList&, const QVariantMap&) { emit service_->activateRequested(); }
    void ActivateAction(const QString& name, const QVariantList&, const QVariantMap&) {
        if (name == QLatin1String("next-profile"))
            service_->NextProfile();
        else if (name == QLatin1String("previous-profile"))
            service_->PreviousProfile();
        else
            service_->fail(kFailed, "no action " + quoted(name));
    }

  private:
    BusService* service_;
};

BusService::BusService(Session& session, WindowHooks hooks, QObject* parent)
    : QObject(parent), session_(session), hooks_(std::move(hooks)) {
    registerBusTypes();
    new Korvex1Adaptor(this);
    new ApplicationAdaptor(this);
    connect(&session_, &Session::profileSwitched, this, &BusService::announce);
    connect(&session_, &Session::profilesChanged, this, &BusService::announce);
    connect(&session_, &Session::keyboardStateChanged, this, &BusService::announce);
    connect(&session_, &Session::uploadReported, this, &BusService::uploadReported);
    if (hooks_.activate) connect(this, &BusService::activateRequested, this, hooks_.activate);
}

BusService::~BusService() {
    for (QThread* thread : working_) {
        thread->wait();
        delete thread;
    }
    if (served_) {
        bus_.unregisterService(QString::fromLatin1(kBusName));
        bus_.unregisterObject(QString::fromLatin1(kBusPath));
    }
}

bool BusService::claim(QDBusConnection bus, bool* ownedElsewhere) {
    if (ownedElsewhere) *ownedElsewhere = false;
    if (!bus.isConnected()) return false;
    if (!bus.registerObject(QString::fromLatin1(kBusPath), this, QDBusConnection::ExportAdaptors))
        return false;
    // Not queued behind another owner: a second window would wait for a
    // name it never gets while holding nothing useful.
    const auto reply = bus.interface()->registerService(
        QString::fromLatin1(kBusName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(QString::fromLatin1(kBusPath));
        if (ownedElsewhere) *ownedElsewhere = reply.isValid();
        return false;
    }
    bus_ = bus;
    served_ = true;
    announcedProfiles_ = profiles();
    announcedShown_ = shownProfile();
    announcedState_ = keyboardState();
    return true;
}

BusProfileList BusService::profiles() const {
    BusProfileList list;
    for (const ProfileData& p : session_.profiles)
        list.push_back({p.profId, QString::fromStdString(p.name)});
    return list;
}

QString BusService::settingsFile() const {
    const auto path = databasePath();
    return path ? QString::fromStdString(*path) : QString();
}

QString BusService::keyboardState() const {
    return QString::fromLatin1(keyboardStateName(session_.keyboardState()));
}

void BusService::announce() {
    if (!served_) return;
    QVariantMap changed;
    if (const BusProfileList now = profiles(); now != announcedProfiles_) {
        announcedProfiles_ = now;
        changed.insert(QStringLiteral("Profiles"), QVariant::fromValue(now));
    }
    if (shownProfile() != announcedShown_) {
        announcedShown_ = shownProfile();
        changed.insert(QStringLiteral("ShownProfile"), announcedShown_);
    }
    if (keyboardState() != announcedState_) {
        announcedState_ = keyboardState();
        changed.insert(QStringLiteral("KeyboardState"), announcedState_);
    }
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kBusPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kBusInterface) << changed << QStringList();
    bus_.send(signal);
}

QString BusService::fail(const char* error, const std::string& message) {
    if (calledFromDBus())
        sendErrorReply(QString::fromLatin1(error), QString::fromStdString(message));
    return {};
}

QString BusService::afterSwitch(Session::Switch outcome, const std::string& missing) {
    if (outcome == Session::Switch::NoSuchProfile) return fail(kNoSuchProfile, missing);
    if (outcome == Session::Switch::NotSent && session_.keyboardState() == KeyboardState::Attached)
        return fail(kNotSent,
                    profileLine(session_) + ", but nothing was sent: " + session_.lastFailure);
    std::string line = profileLine(session_);
    if (session_.keyboardState() != KeyboardState::Attached)
        line += "; no keyboard is attached, it gets the profile when it is";
    return QString::fromStdString(line);
}

QString BusService::SwitchProfile(qlonglong id) {
    session_.lastFailure = "the settings could not be read";
    return afterSwitch(session_.switchProfile(id), "no profile with id " + std::to_string(id));
}

QString BusService::SwitchProfileByName(const QString& name) {
    const auto id = session_.profileNamed(name.toStdString());
    if (!id) return fail(kNoSuchProfile, "no profile named " + quoted(name));
    return SwitchProfile(*id);
}

QString BusService::NextProfile() {
    session_.lastFailure = "the settings could not be read";
    return afterSwitch(session_.switchBy(1), "there are no profiles");
}

QString BusService::PreviousProfile() {
    session_.lastFailure = "the settings could not be read";
    return afterSwitch(session_.switchBy(-1), "there are no profiles");
}

QString BusService::Upload(const QString& kind, qlonglong profile, qlonglong lightId) {
    using C = sync::UploadChoice;
    if (!session_.storeReadable())
        return fail(kNotSent, "the window could not read the settings; nothing was sent");
    if (profile < 0 || lightId < 0) return fail(kFailed, "ids are positive whole numbers");
    const auto listed = [&](std::int64_t id) {
        return std::any_of(session_.profiles.begin(), session_.profiles.end(),
                           [&](const ProfileData& p) { return p.profId == id; });
    };
    if (profile > 0 && !listed(profile))
        return fail(kNoSuchProfile, "no profile with id " + std::to_string(profile));
    session_.submitted.clear();
    session_.lastFailure.clear();
    bool built = true;
    // The window shows what the keyboard plays: a profile's keys or light
    // mode go out by showing that profile.
    const bool otherProfile = profile > 0 && profile != session_.shownProfile;
    if (kind == QLatin1String("keys") || kind == QLatin1String("lightmode")) {
        if (otherProfile) {
            built = session_.switchProfile(profile) == Session::Switch::Sent;
            if (built && kind == QLatin1String("lightmode") && session_.lighting.userLight)
                built = session_.sendStoredLightMode();
        } else {
            built = kind == QLatin1String("keys") ? session_.sendKeyTables()
                                                  : session_.sendStoredLightMode();
        }
    } else if (kind == QLatin1String("userlight")) {
        if (otherProfile) session_.switchProfile(profile);
        sync::UploadRequest request{C::UserLight, session_.shownProfile, std::nullopt,
                                    std::nullopt};
        if (lightId > 0) request.lightId = lightId;
        built = session_.sendBuilt(sync::buildUploads(*session_.store(), request));
        if (built) session_.userLightSent(lightId);
    } else if (kind == QLatin1String("system")) {
        built = session_.sendStored(C::System, session_.shownProfile);
    } else if (kind == QLatin1String("macros")) {
        built = !hooks_.sendMacros || hooks_.sendMacros();
        if (!built) session_.lastFailure = "the macros do not fit on the keyboard";
    } else if (kind == QLatin1String("startup")) {
        if (hooks_.sendStartup) hooks_.sendStartup();
    } else {
        return fail(kFailed, "unknown upload kind " + quoted(kind));
    }
    std::vector<std::uint64_t> tickets;
    std::swap(tickets, session_.submitted);
    tickets.erase(std::remove(tickets.begin(), tickets.end(), 0), tickets.end());
    if (!built || (tickets.empty() && !session_.lastFailure.empty()))
        return fail(kNotSent, session_.lastFailure.empty() ? std::string("nothing was sent")
                                                           : session_.lastFailure);
    if (tickets.empty()) {
        if (session_.keyboardState() != KeyboardState::Attached)
            return fail(kNotSent, describe(LinkOpenError::NotFound));
        return fail(kNotSent, "nothing was sent");
    }
    // The answer waits for the device thread; the window goes on meanwhile.
    setDelayedReply(true);
    waiting_.push_back({message(), std::move(tickets), {}, {}});
    return {};
}

void BusService::uploadReported(const UploadReport& report) {
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        auto t = std::find(it->tickets.begin(), it->tickets.end(), report.ticket);
        if (t == it->tickets.end()) continue;
        it->tickets.erase(t);
        using S = UploadResult::Status;
        if (report.result.status == S::Sent)
            it->lines.push_back("sent " + report.label);
        else if (report.result.status == S::Failed)
            it->failures.push_back(report.label + ": transfer " +
                                   std::to_string(report.result.transfer + 1) + " failed");
        else
            it->failures.push_back(report.label + " not sent (" + toString(report.result.status) +
                                   ")");
        if (!it->tickets.empty()) return;
        std::string text;
        for (const std::string& line : it->lines) text += (text.empty() ? "" : "\n") + line;
        if (it->failures.empty()) {
            bus_.send(it->call.createReply(QString::fromStdString(text)));
        } else {
            std::string why;
            for (const std::string& f : it->failures) why += (why.empty() ? "" : "; ") + f;
            bus_.send(it->call.createErrorReply(QString::fromLatin1(kNotSent),
                                                QString::fromStdString(why)));
        }
        waiting_.erase(it);
        return;
    }
}

std::optional<std::string> BusService::regularFile(const QDBusUnixFileDescriptor& file,
                                                   QString* error) {
    struct stat st {};
    if (!file.isValid() || ::fstat(file.fileDescriptor(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = QStringLiteral("not a regular file");
        return std::nullopt;
    }
    // Our own descriptor, reached by its number: no name the caller chose.
    return "/proc/self/fd/" + std::to_string(file.fileDescriptor());
}

void BusService::answerOffThread(std::function<Answer()> work, std::function<void(Answer&)> then) {
    QDBusMessage call;
    if (calledFromDBus()) {
        setDelayedReply(true);
        call = message();
    }
    auto answer = std::make_shared<Answer>();
    QThread* thread = QThread::create([work = std::move(work), answer] { *answer = work(); });
    working_.push_back(thread);
    connect(thread, &QThread::finished, this, [this, thread, call, answer, then = std::move(then)] {
        working_.erase(std::find(working_.begin(), working_.end(), thread));
        thread->deleteLater();
        if (then) then(*answer);
        if (call.type() != QDBusMessage::MethodCallMessage) return;
        bus_.send(answer->error ? call.createErrorReply(QString::fromLatin1(answer->error),
                                                        QString::fromStdString(answer->text))
                                : call.createReply(QString::fromStdString(answer->text)));
    });
    thread->start();
}

QString BusService::Import(const QDBusUnixFileDescriptor& file) {
    QString error;
    const auto path = regularFile(file, &error);
    if (!path) return fail(kBadFile, error.toStdString());
    const auto db = databasePath();
    if (!db)
        return fail(kFailed, "neither XDG_DATA_HOME nor HOME is set; cannot find the settings");
    // The descriptor goes along: it keeps the file open until the read is done.
    answerOffThread(
        [file, path = *path, db = *db]() -> Answer {
            auto shelf = BackupShelf::standard();
            const ProfileImport r = importProfileFile(db, path, shelf ? &*shelf : nullptr);
            if (!r.ok) return {r.message, errorOf(r.message)};
            std::string text;
            for (const auto& [from, to] : r.renamedMacros)
                text += "macro \"" + from + "\" stored as \"" + to + "\": that name was taken\n";
            if (!r.backupPath.empty())
                text += "backup of the settings before: " + r.backupPath + "\n";
            return {text + "imported \"" + r.name + "\" as profile " + std::to_string(r.profile)};
        },
        [this](Answer& a) {
            if (!a.error && hooks_.reloadLists) hooks_.reloadLists();
        });
    return {};
}

QString BusService::Restore(const QDBusUnixFileDescriptor& file) {
    QString error;
    const auto path = regularFile(file, &error);
    if (!path) return fail(kBadFile, error.toStdString());
    const auto db = databasePath();
    auto shelf = BackupShelf::standard();
    if (!db || !shelf)
        return fail(kFailed, "neither XDG_DATA_HOME nor HOME is set; no place for backups");
    if (hooks_.replacing) hooks_.replacing(true);
    answerOffThread(
        [file, path = *path, db = *db, shelf = std::move(*shelf)]() mutable -> Answer {
            const BackupResult r = shelf.restore(db, path);
            if (!r.ok) return {r.message, errorOf(r.message)};
            return {r.path.empty() ? std::string()
                                   : "the settings before were kept in " + r.path + "\n"};
        },
        [this](Answer& a) {
            if (hooks_.replacing) hooks_.replacing(false);
            if (a.error) return;
            // Shown and sent by the window, as after a start.
            const bool opened = !hooks_.reopenStore || hooks_.reopenStore();
            a.text += opened
                          ? "the window shows the restored settings and sends them to the keyboard"
                          : "the window could not open the restored settings; see its message";
        });
    return {};
}

QString BusService::Backup() {
    const auto db = databasePath();
    auto shelf = BackupShelf::standard();
    if (!db || !shelf)
        return fail(kFailed, "neither XDG_DATA_HOME nor HOME is set; no place for backups");
    answerOffThread([db = *db, shelf = std::move(*shelf)]() mutable -> Answer {
        const BackupResult r = shelf.backup(db, BackupReason::Manual);
        if (!r.ok) return {r.message, errorOf(r.message)};
        return {"backed up to " + r.path};
    });
    return {};
}

QString BusService::ruleAnswer(const RuleOutcome& outcome, bool changes) {
    if (!outcome.ok) {
        const char* error = errorOf(outcome.text);
        if (outcome.text.rfind("no profile with id", 0) == 0) error = kNoSuchProfile;
        return fail(error, outcome.text);
    }
    if (changes) emit autoSwitchChanged();
    return QString::fromStdString(outcome.text);
}

QString BusService::ListRules() {
    if (!session_.storeReadable()) return fail(kFailed, "the settings are not open");
    return ruleAnswer(listRules(*session_.store()), false);
}

QString BusService::AddRule(const QString& kind, const QString& match, const QString& title,
                            qlonglong profile) {
    if (!session_.storeReadable()) return fail(kFailed, "the settings are not open");
    return ruleAnswer(addRule(*session_.store(), kind.toStdString(), match.toStdString(),
                              title.toStdString(), profile),
                      true);
}

QString BusService::RemoveRule(qlonglong id) {
    if (!session_.storeReadable()) return fail(kFailed, "the settings are not open");
    return ruleAnswer(removeRule(*session_.store(), id), true);
}

QString BusService::SetAutoSwitch(bool on) {
    if (!session_.storeReadable()) return fail(kFailed, "the settings are not open");
    return ruleAnswer(setAutoSwitch(*session_.store(), on), true);
}

QString BusService::SetAutoSwitchDefault(qlonglong profile) {
    if (!session_.storeReadable()) return fail(kFailed, "the settings are not open");
    return ruleAnswer(setAutoSwitchDefault(*session_.store(), profile), true);
}

}  // namespace korvex

#include "BusService.moc"
