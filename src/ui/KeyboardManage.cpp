// Device management of the main controller: the keyboard's arrival and
// departure, the first-attach loading and the uploads that go with them.

#include <QMessageBox>
#include <QMetaObject>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "exchange/Backups.h"
#include "store/StorePath.h"
#include "sync/StoredUploads.h"
#include "ui/KeyboardViewController.h"
#include "ui/NotificationCenter.h"
#include "ui/UploadIndicator.h"

namespace korvex {

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
    if (storeReadable()) seenDataVersion_ = deviceDB_->dataVersion();
    initFinish = true;
}

bool KeyboardViewController::reloadIfChangedOutside() {
    if (!initFinish || !storeReadable()) return false;
    const auto version = deviceDB_->dataVersion();
    if (!version || version == seenDataVersion_) return false;
    // The other program sent its own change (or says how to); the keyboard
    // is left alone, only the lists follow the file.
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
    session_.setStore(deviceDB_.get());
    // A damaged file is not opened at all: opening it read-write could let
    // SQLite change it, and it may be all that is left of the settings.
    if (const auto path = databasePath()) {
        const DatabaseCheck check = checkDatabase(*path);
        if (check.status == DatabaseCheck::Status::Damaged) {
            std::fprintf(stderr, "korvex: settings database %s is damaged: %s\n", path->c_str(),
                         check.message.c_str());
            emit databaseDamaged(QString::fromStdString(*path),
                                 QString::fromStdString(check.message));
            return false;
        }
    }
    const OpenResult opened = deviceDB_->init(deviceDBfile);
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

bool KeyboardViewController::reopenStore() {
    // Before the first attach nothing is loaded; that attach opens the file.
    if (!deviceComm_) return false;
    const bool opened = openStore();
    // Also when it failed: the pages then show the empty state, not the old one.
    reloadFromStore();
    return opened;
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
    sync::BuiltUploads built =
        startupUploads(*deviceDB_, currentProfile, userLight, std::move(playable), endsOnUserLight);
    if (showKeyAssignments) showKeyAssignments();
    if (built.status != sync::BuiltUploads::Status::Ready) {
        reportNotBuilt(built);
        return;
    }
    if (built.uploads.empty()) return;
    ++startupSends_;
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

bool KeyboardViewController::reportNotSaved() {
    const std::string detail = deviceDB_ ? deviceDB_->lastError() : std::string();
    std::fprintf(stderr, "korvex: a change could not be saved: %s\n", detail.c_str());
    QString why = storeFaultDescription(deviceDB_ ? storeFaultOf(deviceDB_->lastErrorCode())
                                                  : StoreFault::ReadError);
    if (!detail.empty()) why += QStringLiteral(" (%1)").arg(QString::fromStdString(detail));
    showSheet(text(1004), text(1005).arg(why));
    return false;
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
