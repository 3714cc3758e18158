// Device management of the main controller: the keyboard's arrival and
// departure, the first-attach loading and the uploads that go with them.

#include <QMessageBox>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "catalog/FunctionCatalog.h"
#include "exchange/Backups.h"
#include "store/StoreFault.h"
#include "store/StorePath.h"
#include "sync/StoredUploads.h"
#include "ui/KeyboardViewController.h"
#include "ui/NotificationCenter.h"
#include "ui/UploadIndicator.h"

namespace korvex {

namespace {
// The window's thread never waits on another program's lock longer than
// this: a busy file is reported at once (korvexctl alone waits longer).
constexpr int kWindowBusyTimeoutMs = 100;
// How often a locked file is tried again.
constexpr int kStoreRetryMs = 500;
}  // namespace

void KeyboardViewController::setLinkOptions(LinkOptions options) {
    monitor_ = std::move(options.monitor);
    wireLogPath_ = std::move(options.wireLogPath);
    pauseClock_ = options.clock;
    stopFlag_ = options.stopFlag;
}

void KeyboardViewController::registerDeviceNotifications() {
    auto& center = NotificationCenter::defaultCenter();
    // These run on the monitor's thread. Opening the link may wait (USB
    // permissions can land after the hot-plug event), so it happens there;
    // everything that touches our fields is queued to the main thread, in
    // posting order.
    center.addObserver(
        notification::kHIDDeviceConnected,
        [this, alive = alive_](const QVariant& object) {
            KeyboardRef device = deviceFromNotification(object);
            if (!device || !*alive) return;
            auto opened = std::make_shared<OpenedLink>(device->open());
            QMetaObject::invokeMethod(
                this, [this, device, opened] { deviceConnected(device, std::move(*opened)); },
                Qt::QueuedConnection);
        },
        this);
    center.addObserver(
        notification::kHIDDeviceDisconnected,
        [this, alive = alive_](const QVariant& object) {
            KeyboardRef device = deviceFromNotification(object);
            if (!device || !*alive) return;
            QMetaObject::invokeMethod(
                this, [this, device] { deviceDisconnected(device); }, Qt::QueuedConnection);
        },
        this);
}

void KeyboardViewController::deviceConnected(const KeyboardRef& device, OpenedLink opened) {
    if (!device) return;
    if (kbHIDdevice && kbHIDdevice->same(*device)) return;  // already attached

    if (!opened.link) {
        // Present but not ours to use (no access, or held by another
        // program): say how to fix it, once for this interface.
        if (!kbHIDdevice)
            session_.setKeyboardState(opened.error == LinkOpenError::Busy
                                          ? KeyboardState::Busy
                                          : KeyboardState::AccessDenied);
        if (!refusedDevice_ || !refusedDevice_->same(*device)) {
            refusedDevice_ = device;
            const QString detail = QString::fromStdString(
                opened.detail.empty() ? describe(opened.error) : opened.detail);
            std::fprintf(stderr, "korvex: %s\n", detail.toLocal8Bit().constData());
            // The sentence in the user's language, then the technical line
            // (it names the device node).
            showSheet(text(802), linkErrorText(opened.error) + QStringLiteral("\n\n") + detail);
        }
        return;
    }
    // A busy keyboard that came free: its sheet no longer holds.
    if (refusedDevice_ && refusedDevice_->same(*device) && sheet_) sheet_->close();
    refusedDevice_.reset();

    kbHIDdevice = device;
    session_.setKeyboardState(KeyboardState::Attached);
    keyboardTitle = text(30);
    // Another keyboard may take the place of the one held: the device thread
    // lets go of the old link once its upload has given up; this thread does
    // not wait for that.
    if (uploadWorker_) uploadWorker_->detach(linkSlot_.retire());
    std::string error;
    if (!linkSlot_.set(std::move(opened.link), wireLogPath_, &error))
        std::fprintf(stderr, "korvex: wire log %s: %s\n", wireLogPath_.c_str(), error.c_str());
    if (deviceComm_) uploadWorker_->attach(linkSlot_.link());
    requestRefresh();
}

void KeyboardViewController::deviceDisconnected(const KeyboardRef& device) {
    if (!device) return;
    // Any accepted interface leaving makes the loaded state stale.
    initFinish = false;
    if (!kbHIDdevice || !kbHIDdevice->same(*device)) return;

    kbHIDdevice.reset();
    session_.setKeyboardState(KeyboardState::Absent);
    detachedSinceRefresh_ = true;
    keyTablesSent_.reset();
    // The device thread stops writing and destroys the link itself, so this
    // thread never waits for a transfer to time out.
    if (uploadWorker_)
        uploadWorker_->detach(linkSlot_.retire());
    else
        linkSlot_.clear();
    keyboardTitle = text(30);
    requestRefresh();
}

void KeyboardViewController::deviceMonitorFailed(const QString& reason) {
    showSheet(text(803), reason);
}

void KeyboardViewController::requestRefresh() {
    // A quick unplug and replug asks twice before the first runs: refresh
    // (and resend) once, from the state as it is by then.
    if (refreshQueued_) return;
    refreshQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshQueued_ = false;
            refreshUI();
        },
        Qt::QueuedConnection);
}

void KeyboardViewController::refreshUI() {
    setTitle(keyboardTitle);
    // A recording does not survive the keyboard leaving, however briefly.
    if (std::exchange(detachedSinceRefresh_, false)) stopMacroRecord();
    if (kbHIDdevice) {
        setConnectedImage(true);
        // A keyboard that comes back may have been changed elsewhere: bring
        // it in line with the stored settings again. The first attach sends
        // the same sequence from ConnectDevice.
        const bool reattach = deviceComm_ != nullptr;
        ConnectDevice();
        if (reattach) sendStartupUploads(true);
        initFinish = true;
    } else {
        if (!g_show_homepage) showHomeView();
        setConnectedImage(false);
        stopMacroRecord();
    }
}

void KeyboardViewController::ConnectDevice() {
    if (deviceComm_ || !kbHIDdevice) return;
    initSQLite();
    keyLists = buildKeyLists();
    reloadFromStore();
}

void KeyboardViewController::reloadFromStore(bool sendToKeyboard) {
    initFinish = false;
    session_.startupLoading = true;
    // Taken before the lists are read: every write from them is refused
    // once another program has committed since (one that cannot be read
    // counts as changed), so nothing is written from stale lists whether or
    // not the periodic check has seen the change yet.
    seenDataVersion_ = storeReadable() ? deviceDB_->dataVersion() : std::nullopt;
    if (storeReadable()) deviceDB_->refuseWritesChangedSince(seenDataVersion_.value_or(-1));
    const std::int64_t shown = currentProfile;
    getAllProfile();
    // Another program's change keeps the shown profile while it exists:
    // the keyboard plays that one.
    const bool keep =
        !sendToKeyboard && std::any_of(profileDatas.begin(), profileDatas.end(),
                                       [&](const ProfileData& p) { return p.profId == shown; });
    selectProfile(keep ? shown : sync::startupProfile(profileDatas));
    session_.startupLoading = false;
    if (initMacroList) initMacroList();
    if (sendToKeyboard) {
        sendStartupUploads();
    } else if (storeReadable()) {
        // The keyboard follows what is shown now.
        if (!keep) sendKeyTables();
        const std::int64_t scheme = shownUserLight ? shownUserLight() : 0;
        if (session_.lighting.userLight && session_.lighting.scheme != scheme) {
            if (!sendUserLightOnPress || !sendUserLightOnPress()) sendStoredLightMode();
        } else if (!keep && !session_.lighting.userLight) {
            sendStoredLightMode();
        }
    }
    initFinish = true;
}

void KeyboardViewController::storeDamaged(std::string path, const std::string& damage) {
    std::fprintf(stderr, "korvex: %s\n", damagedText(path, damage).c_str());
    deviceDB_ = std::make_unique<DeviceSQLite>();
    emit databaseDamaged(QString::fromStdString(path), QString::fromStdString(damage));
}

bool KeyboardViewController::reloadIfChangedOutside() {
    if (storeReplacing_ > 0 || !initFinish || !storeReadable()) return false;
    const auto version = deviceDB_->dataVersion();
    if (!version || version == seenDataVersion_) return false;
    // What another program wrote is checked like a file being opened; a
    // check that cannot run now (the file busy) is tried again next time.
    const sql::PageCheck pages = deviceDB_->checkPages();
    if (pages.result == sql::PageCheck::Result::Failed) return false;
    if (pages.result == sql::PageCheck::Result::Damaged) {
        storeDamaged(deviceDB_->filePath(), pages.message);
        reloadFromStore(false);  // the pages show nothing and nothing is sent
        return true;
    }
    // The other program sent its own change (or says how to); the keyboard
    // is left alone, only the lists follow the file. Its key rows may have
    // changed: the next key edit sends both tables.
    keyTablesSent_.reset();
    reloadFromStore(false);
    return true;
}

void KeyboardViewController::initSQLite() {
    deviceComm_ = std::make_unique<DeviceComm>(linkSlot_.link(), pauseClock_);
    deviceComm_->setStopFlag(stopFlag_);
    uploadWorker_ = std::make_unique<UploadWorker>(
        *deviceComm_,
        [this, alive = alive_](const UploadReport& report) {
            if (!*alive) return;
            QMetaObject::invokeMethod(
                this, [this, report] { uploadReported(report); }, Qt::QueuedConnection);
        },
        &linkSlot_);
    deviceDBfile = kDatabaseFileName;
    openStore();
}

bool KeyboardViewController::openStore() {
    deviceDB_ = std::make_unique<DeviceSQLite>();
    deviceDB_->setBusyTimeout(kWindowBusyTimeoutMs);
    session_.setStore(deviceDB_.get());
    // A damaged file is left as it is (the opening checks its pages before
    // it writes anything): it may be all that is left of the settings.
    const OpenResult opened = deviceDB_->init(deviceDBfile);
    if (opened.error == OpenError::Damaged) {
        storeDamaged(opened.path, opened.damage);
        return false;
    }
    // Locked by another program: say so and try again until it is free.
    if (opened.error == OpenError::Locked) {
        waitForStore(QString::fromStdString(opened.path.empty() ? deviceDBfile : opened.path));
        return false;
    }
    if (!opened.ok) {
        // The file is left exactly as it is; the pages stay empty and
        // nothing is sent from settings that could not be read.
        const QString path =
            QString::fromStdString(opened.path.empty() ? deviceDBfile : opened.path);
        std::fprintf(stderr, "korvex: settings database %s: %s\n", path.toLocal8Bit().constData(),
                     opened.reason.c_str());
        const QString why = opened.error == OpenError::SchemaMismatch
                                ? text(1000).arg(QString::fromStdString(opened.missing))
                                : openErrorText(opened.error);
        showSheet(text(804), text(805).arg(path, why));
    }
    return opened.ok;
}

void KeyboardViewController::waitForStore(const QString& path) {
    if (!waitingForStore_) {
        std::fprintf(stderr, "korvex: settings database %s is in use by another program; waiting\n",
                     path.toLocal8Bit().constData());
        showSheet(text(1020), text(1021).arg(path));
    }
    waitingForStore_ = true;
    if (!storeRetry_) {
        storeRetry_ = new QTimer(this);
        storeRetry_->setObjectName(QStringLiteral("store_retry_timer"));
        storeRetry_->setSingleShot(true);
        storeRetry_->setInterval(kStoreRetryMs);
        connect(storeRetry_, &QTimer::timeout, this, [this] {
            // Locked still: openStore waits again. Any other failure has
            // said why in its own sheet and ends the wait.
            if (!openStore()) {
                waitingForStore_ = storeRetry_->isActive();
                return;
            }
            waitingForStore_ = false;
            if (sheet_) sheet_->close();
            // Loaded and sent as at a first attach, in the stored language.
            reloadFromStore();
        });
    }
    storeRetry_->start();
}

void KeyboardViewController::reshowFromStore() {
    if (reshowQueued_) return;
    reshowQueued_ = true;
    // Queued: the page that was refused is still inside its handler.
    QTimer::singleShot(0, this, [this] { reshowNow(); });
}

void KeyboardViewController::reshowNow() {
    // While the file cannot even be read the page keeps what it shows;
    // nothing is built from it (uploads read the store), and it is shown
    // again from the store as soon as the file can be read.
    if (storeReadable() && !deviceDB_->dataVersion()) {
        QTimer::singleShot(kStoreRetryMs, this, [this] { reshowNow(); });
        return;
    }
    reshowQueued_ = false;
    if (!storeReadable() || session_.startupLoading) return;
    // Also while the keyboard is away (nothing is sent then), which keeps
    // its loaded state stale until it is back.
    const bool loaded = initFinish;
    reloadFromStore(false);
    initFinish = loaded;
}

bool KeyboardViewController::reopenStore() {
    // Before the first attach nothing is loaded; that attach opens the file.
    if (!deviceComm_) return false;
    const bool opened = openStore();
    // Also when it failed: the pages then show the empty state, not the old one.
    reloadFromStore();
    return opened;
}

BusService::WindowHooks KeyboardViewController::busHooks() {
    BusService::WindowHooks hooks;
    hooks.reloadLists = [this] { reloadIfChangedOutside(); };
    hooks.reopenStore = [this] { return reopenStore(); };
    hooks.replacing = [this](bool on) { setStoreReplacing(on); };
    hooks.sendMacros = [this] { return sendMacroImage(); };
    hooks.sendStartup = [this] { reapplyStartupUploads(); };
    return hooks;
}

bool KeyboardViewController::storeReadable() const {
    return deviceDB_ && deviceDB_->isOpen();
}

void KeyboardViewController::getAllProfile() {
    loadStoredLanguage();
    profileDatas.clear();
    if (deviceDB_ && deviceDB_->isOpen() && !deviceDB_->queryProfileList(profileDatas))
        reportNotBuilt(sync::readFailure(*deviceDB_));
    // Selecting the first row switches to its profile, as a click would.
    if (!profileDatas.empty()) selectProfileIndex(0);
    emit profilesLoaded();
    session_.profilesReloaded();
}

void KeyboardViewController::selectProfileIndex(int index) {
    if (index < 0 || index >= static_cast<int>(profileDatas.size())) return;
    currentProfileIndex = index;
    selectProfile(profileDatas[static_cast<std::size_t>(index)].profId);
}

void KeyboardViewController::selectProfile(std::int64_t profile) {
    if (session_.switchProfile(profile) != Session::Switch::NoSuchProfile)
        currentKBProfile = profile;
}

bool KeyboardViewController::loadKeyMacroData() {
    if (showKeyAssignments) showKeyAssignments();
    return !session_.startupLoading && sendKeyTables();
}

namespace {
std::vector<std::int64_t> slotIds(const std::vector<MacroInfo>& playable) {
    std::vector<std::int64_t> ids;
    for (const MacroInfo& m : playable) ids.push_back(m.macroId);
    return ids;
}
}  // namespace

bool KeyboardViewController::sendKeyTables(std::int64_t profile,
                                           std::optional<std::int64_t> layer) {
    if (!storeReadable()) return false;
    const std::int64_t target = profile != 0 ? profile : currentProfile;
    if (keyTablesHeld_ > 0) {
        heldKeyTables_ = target;
        return true;
    }
    // A new macro goes to the keyboard once a key plays it; the image names
    // new slots, so both tables follow it (from sendMacroImage).
    if (!sendingImageFirst_ && playsMacroNotOnKeyboard(target)) {
        const int sends = keyTableSends_;
        sendingImageFirst_ = true;
        sendMacroImage();
        sendingImageFirst_ = false;
        if (keyTableSends_ != sends && keyTablesSent_ && keyTablesSent_->profile == target)
            return true;
    }
    // A failed read of the macros would unbind every macro key on the
    // keyboard: it fails the whole upload like any other read.
    const DeviceSQLite::FailureWatch watch(*deviceDB_);
    std::vector<MacroInfo> playable = playableMacros();
    if (watch.failed()) {
        keyTablesSent_.reset();
        reportNotBuilt(sync::readFailure(*deviceDB_));
        return false;
    }
    std::vector<std::int64_t> playing = slotIds(playable);
    const bool alone = layer && keyTablesSent_ && keyTablesSent_->profile == target &&
                       keyTablesSent_->macroSlots == playing;
    sync::UploadRequest request;
    request.choice = !alone        ? sync::UploadChoice::Keys
                     : *layer == 0 ? sync::UploadChoice::TopLayerKeys
                                   : sync::UploadChoice::FnLayerKeys;
    request.profile = target;
    request.keyboardMacros = std::move(playable);
    const bool sent = sendBuilt(sync::buildUploads(*deviceDB_, request));
    // Not sent: the edited table is not on the keyboard, so the next edit
    // sends both.
    if (sent)
        keyTablesSent_ = KeyTablesSent{target, std::move(playing)};
    else
        keyTablesSent_.reset();
    ++keyTableSends_;
    return sent;
}

KeyboardViewController::KeyTablesHeld::~KeyTablesHeld() {
    if (--hub_.keyTablesHeld_ > 0) return;
    if (const auto profile = std::exchange(hub_.heldKeyTables_, std::nullopt))
        hub_.sendKeyTables(*profile);
}

bool KeyboardViewController::playsMacroNotOnKeyboard(std::int64_t profile) {
    // Macros that do not fit are not on the keyboard at all; keys then play
    // their own functions.
    if (session_.macrosHeldBack || !storeReadable()) return false;
    std::vector<MacroInfo> stored;
    deviceDB_->queryAllMacroData(stored);
    auto onKeyboard = [&](std::int64_t id) {
        return std::any_of(session_.keyboardMacros.macros.begin(),
                           session_.keyboardMacros.macros.end(),
                           [&](const MacroInfo& m) { return m.macroId == id; });
    };
    auto storedOnly = [&](std::int64_t id) {
        return !onKeyboard(id) && std::any_of(stored.begin(), stored.end(),
                                              [&](const MacroInfo& m) { return m.macroId == id; });
    };
    for (std::int64_t layer : {0, 1}) {
        std::vector<ProfileKey> rows;
        // A failed read is reported by the upload, which reads again.
        if (!deviceDB_->queryKeysProfile(profile, layer, rows)) return false;
        for (const ProfileKey& row : rows)
            if (row.macroType == kMacroTypeMacro && storedOnly(row.macroValue)) return true;
    }
    return false;
}

void KeyboardViewController::sendMacroImageIfBehind() {
    if (session_.macrosHeldBack || !storeReadable()) return;
    const DeviceSQLite::FailureWatch watch(*deviceDB_);
    const sync::MacroSnapshot stored = sync::readMacros(*deviceDB_);
    // A failed read is reported by the send, which reads again.
    if (watch.failed() || !(stored == session_.keyboardMacros)) sendMacroImage();
}

bool KeyboardViewController::sendMacroImage() {
    if (!storeReadable()) return false;
    const auto before = slotIds(playableMacros());
    sync::UploadRequest request;
    request.choice = sync::UploadChoice::Macros;
    sync::BuiltUploads built = sync::buildUploads(*deviceDB_, request);
    // A failed read is not "too large": the sheet names the cause, nothing
    // goes out and the keyboard keeps the image it has.
    if (built.status == sync::BuiltUploads::Status::DatabaseUnreadable) {
        reportNotBuilt(built);
        return true;
    }
    const bool fits = built.status == sync::BuiltUploads::Status::Ready;
    if (fits) {
        const DeviceSQLite::FailureWatch watch(*deviceDB_);
        const sync::MacroSnapshot sent = sync::readMacros(*deviceDB_);
        if (watch.failed()) {
            reportNotBuilt(sync::readFailure(*deviceDB_));
            return true;
        }
        bool handedOver = !built.uploads.empty();
        for (Upload& upload : built.uploads) handedOver = submitUpload(std::move(upload)) != 0;
        if (handedOver) session_.keyboardMacros = sent;
    } else {
        std::fprintf(stderr, "korvex: macros not sent: %s\n", built.message.c_str());
    }
    session_.macrosHeldBack = !fits;
    // Slots moved or a macro now differs from the keyboard's copy: the keys
    // must name the slots as they are now, on the keyboard and on the page.
    if (slotIds(playableMacros()) != before) {
        sendKeyTables();
        if (showKeyAssignments) showKeyAssignments();
    }
    return fits;
}

void KeyboardViewController::sendStartupUploads(bool restoreLighting) {
    if (!storeReadable()) return;
    // The start-up sequence carries the macro image when it fits; the key
    // tables in it play only what that image holds.
    sync::UploadRequest request;
    request.choice = sync::UploadChoice::Macros;
    const sync::BuiltUploads image = sync::buildUploads(*deviceDB_, request);
    if (image.status == sync::BuiltUploads::Status::DatabaseUnreadable) {
        reportNotBuilt(image);
        return;
    }
    const DeviceSQLite::FailureWatch watch(*deviceDB_);
    session_.macrosHeldBack = image.status != sync::BuiltUploads::Status::Ready;
    session_.keyboardMacros =
        session_.macrosHeldBack ? sync::MacroSnapshot{} : sync::readMacros(*deviceDB_);
    std::vector<MacroInfo> playable = playableMacros();
    if (watch.failed()) {
        session_.keyboardMacros = {};
        reportNotBuilt(sync::readFailure(*deviceDB_));
        return;
    }
    if (session_.macrosHeldBack) {
        std::fprintf(stderr, "korvex: macros not sent: %s\n", image.message.c_str());
        showSheet(text(930), text(931));
    }
    // Ends on the profile the window shows: after a replug or a resume that
    // need not be the start-up profile.
    // It ends on the scheme the user light page shows: at a first attach
    // whenever there is one, else only while a user light played before.
    const bool userLightPlays = !restoreLighting || session_.lighting.userLight;
    const std::optional<std::int64_t> userLight =
        userLightPlays && shownUserLight ? shownUserLight() : 0;
    std::optional<std::int64_t> endsOnUserLight;
    std::vector<std::int64_t> playing = slotIds(playable);
    sync::BuiltUploads built =
        startupUploads(*deviceDB_, currentProfile, userLight, std::move(playable), endsOnUserLight);
    if (showKeyAssignments) showKeyAssignments();
    if (built.status != sync::BuiltUploads::Status::Ready) {
        reportNotBuilt(built);
        return;
    }
    if (built.uploads.empty()) return;
    ++startupSends_;
    // It ends on the shown profile's tables.
    keyTablesSent_ = KeyTablesSent{currentProfile, std::move(playing)};
    // Without a scheme in it, which colours the keyboard holds is unknown.
    if (endsOnUserLight)
        userLightSent(*endsOnUserLight);
    else
        session_.lighting = {};
    for (Upload& u : built.uploads) submitUpload(std::move(u));
}

void KeyboardViewController::reportNotBuilt(const sync::BuiltUploads& built) {
    std::fprintf(stderr, "korvex: %s\n", built.message.c_str());
    if (built.status != sync::BuiltUploads::Status::DatabaseUnreadable) return;
    uploadIndicator_->notSent();
    QString why = storeFaultDescription(built.fault);
    if (!built.detail.empty())
        why += QStringLiteral(" (%1)").arg(QString::fromStdString(built.detail));
    showSheet(text(1002), text(1003).arg(why));
}

void KeyboardViewController::reportNotPrepared() {
    const std::string detail = deviceDB_ ? deviceDB_->lastError() : std::string();
    std::fprintf(stderr, "korvex: the settings could not be prepared: %s\n", detail.c_str());
    QString why = storeFaultDescription(deviceDB_ ? storeFaultOf(deviceDB_->lastErrorCode())
                                                  : StoreFault::ReadError);
    if (!detail.empty()) why += QStringLiteral(" (%1)").arg(QString::fromStdString(detail));
    showSheet(text(1013), text(1014).arg(why));
}

bool KeyboardViewController::reportNotSaved() {
    const std::string detail = deviceDB_ ? deviceDB_->lastError() : std::string();
    std::fprintf(stderr, "korvex: a change could not be saved: %s\n", detail.c_str());
    const StoreFault fault =
        deviceDB_ ? storeFaultOf(deviceDB_->lastErrorCode()) : StoreFault::ReadError;
    if (fault == StoreFault::ChangedOutside) {
        showSheet(text(1022), text(1023));
    } else {
        QString why = storeFaultDescription(fault);
        if (!detail.empty()) why += QStringLiteral(" (%1)").arg(QString::fromStdString(detail));
        showSheet(text(1004), text(1005).arg(why));
    }
    // One rule for every page: what the page shows after a refused write is
    // what the store holds. A refusal while loading is shown by that load.
    if (!session_.startupLoading) reshowFromStore();
    return false;
}

bool KeyboardViewController::changedOutside(const DeviceSQLite::FailureWatch& watch) {
    if (!watch.failed() || !deviceDB_ ||
        storeFaultOf(deviceDB_->lastErrorCode()) != StoreFault::ChangedOutside)
        return false;
    reportNotSaved();
    return true;
}

QString KeyboardViewController::storeFaultDescription(StoreFault fault) {
    switch (fault) {
        case StoreFault::Busy:
            return text(1006);
        case StoreFault::PermissionDenied:
            return text(1007);
        case StoreFault::NoSpace:
            return text(1008);
        case StoreFault::NotADatabase:
            return text(1009);
        case StoreFault::Damaged:
            return text(1010);
        case StoreFault::MissingSchema:
            return text(1011);
        case StoreFault::ChangedOutside:
            return text(1024);
        case StoreFault::None:
        case StoreFault::ReadError:
            break;
    }
    return text(1012);
}

std::uint64_t KeyboardViewController::submitUpload(Upload upload) {
    if (!uploadWorker_) return 0;
    uploadIndicator_->uploadQueued();
    const std::uint64_t ticket = uploadWorker_->submit(std::move(upload));
    session_.submitted.push_back(ticket);
    return ticket;
}

void KeyboardViewController::uploadReported(const UploadReport& report) {
    uploadIndicator_->uploadFinished(report.result);
    session_.uploadFinished(report);
    // Which key tables the keyboard holds is unknown after one did not arrive.
    const bool keys = report.kind == UploadKind::Keys || report.kind == UploadKind::TopLayerKeys ||
                      report.kind == UploadKind::FnLayerKeys;
    if (keys && report.result.status != UploadResult::Status::Sent &&
        report.result.status != UploadResult::Status::Superseded)
        keyTablesSent_.reset();
    if (report.result.status == UploadResult::Status::Failed)
        std::fprintf(stderr, "korvex: upload \"%s\" failed at transfer %zu\n", report.label.c_str(),
                     report.result.transfer);
}

QString KeyboardViewController::openErrorText(OpenError error) {
    switch (error) {
        case OpenError::NoLocation:
            return text(810);
        case OpenError::CannotCreate:
            return text(811);
        case OpenError::NotADatabase:
            return text(813);
        case OpenError::Damaged:
            return text(1010);
        case OpenError::ReadOnly:
            return text(814);
        case OpenError::Locked:
            return text(815);
        case OpenError::SchemaFailed:
            return text(816);
        case OpenError::SchemaMismatch:  // named by the caller, with what is missing
        case OpenError::CannotOpen:
        case OpenError::None:
            break;
    }
    return text(812);
}

QString KeyboardViewController::linkErrorText(LinkOpenError error) {
    switch (error) {
        case LinkOpenError::AccessDenied:
            return text(821);
        case LinkOpenError::Busy:
            return text(822);
        case LinkOpenError::NotFound:
        case LinkOpenError::None:
            break;
    }
    return text(820);
}

QMessageBox* KeyboardViewController::sheet() const {
    return sheet_;
}

void KeyboardViewController::showSheet(const QString& title, const QString& message) {
    if (sheet_) sheet_->close();
    auto* box = new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::Ok, window());
    box->setObjectName(QStringLiteral("sheet"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    sheet_ = box;
    box->open();
}

}  // namespace korvex
