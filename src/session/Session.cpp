#include "session/Session.h"

#include <algorithm>

namespace korvex {

const char* keyboardStateName(KeyboardState state) {
    switch (state) {
        case KeyboardState::AccessDenied:
            return "access-denied";
        case KeyboardState::Busy:
            return "busy";
        case KeyboardState::Attached:
            return "attached";
        case KeyboardState::Absent:
            break;
    }
    return "absent";
}

Session::Session(QObject* parent) : QObject(parent) {}

void Session::setKeyboardState(KeyboardState state) {
    if (state == keyboardState_) return;
    keyboardState_ = state;
    emit keyboardStateChanged();
}

Session::Switch Session::switchProfile(std::int64_t profile) {
    const auto listed = std::find_if(profiles.begin(), profiles.end(),
                                     [&](const ProfileData& p) { return p.profId == profile; });
    if (listed == profiles.end()) return Switch::NoSuchProfile;
    shownProfileIndex = static_cast<int>(listed - profiles.begin());
    shownProfile = profile;
    if (showKeys) showKeys();
    const bool keysSent = !startupLoading && sendKeyTables();
    if (store_) {
        if (!store_->writeLightProfile(profile) && notSaved) notSaved();
        shownLightMode = static_cast<int>(store_->getLightModeSelectIndex(profile));
    }
    emit profileSwitched();
    if (keysSent && !lighting.userLight) sendStoredLightMode();
    return keysSent ? Switch::Sent : Switch::NotSent;
}

Session::Switch Session::switchBy(int step) {
    if (profiles.empty()) return Switch::NoSuchProfile;
    const int n = static_cast<int>(profiles.size());
    const auto shown = std::find_if(profiles.begin(), profiles.end(),
                                    [&](const ProfileData& p) { return p.profId == shownProfile; });
    const int from = shown == profiles.end() ? 0 : static_cast<int>(shown - profiles.begin());
    const int to = ((from + step) % n + n) % n;
    return switchProfile(profiles[static_cast<std::size_t>(to)].profId);
}

std::optional<std::int64_t> Session::profileNamed(const std::string& name) const {
    for (const ProfileData& p : profiles)
        if (p.name == name) return p.profId;
    return std::nullopt;
}

void Session::userLightDeleted(std::int64_t scheme) {
    if (lighting.scheme != scheme) return;
    lighting.scheme.reset();
    if (lighting.userLight) sendStoredLightMode();
}

std::vector<MacroInfo> Session::playableMacros() {
    if (!storeReadable()) return {};
    return sync::playableSlots(keyboardMacros, sync::readMacros(*store_));
}

bool Session::macroPlayable(std::int64_t macroId) {
    const auto playable = playableMacros();
    return std::any_of(playable.begin(), playable.end(),
                       [&](const MacroInfo& m) { return m.macroId == macroId; });
}

bool Session::sendKeyTables(std::int64_t profile) {
    if (!storeReadable()) return false;
    // A failed read of the macros would unbind every macro key on the
    // keyboard: it fails the whole upload like any other read.
    const DeviceSQLite::FailureWatch watch(*store_);
    std::vector<MacroInfo> playable = playableMacros();
    if (watch.failed()) {
        const sync::BuiltUploads failed = sync::readFailure(*store_);
        lastFailure = failed.message;
        if (notBuilt) notBuilt(failed);
        return false;
    }
    sync::UploadRequest request;
    request.choice = sync::UploadChoice::Keys;
    request.profile = profile != 0 ? profile : shownProfile;
    request.keyboardMacros = std::move(playable);
    return sendBuilt(sync::buildUploads(*store_, request));
}

bool Session::sendStoredLightMode() {
    if (!sendStored(sync::UploadChoice::LightMode, shownProfile)) return false;
    lighting.userLight = false;
    return true;
}

bool Session::sendStored(sync::UploadChoice choice, std::int64_t profile) {
    if (choice == sync::UploadChoice::Keys) return sendKeyTables(profile);
    if (!storeReadable()) return false;
    return sendBuilt(sync::buildUploads(*store_, {choice, profile, std::nullopt, std::nullopt}));
}

bool Session::sendBuilt(sync::BuiltUploads built) {
    if (built.status != sync::BuiltUploads::Status::Ready) {
        lastFailure = built.message;
        if (notBuilt) notBuilt(built);
        return false;
    }
    for (Upload& u : built.uploads)
        if (submit) submit(std::move(u));
    return true;
}

}  // namespace korvex
