#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceComm.h"
#include "device/UploadWorker.h"
#include "store/DeviceSQLite.h"
#include "sync/StoreUploads.h"

namespace korvex {

// Whether the window can write the keyboard, and if not, why.
enum class KeyboardState { Absent, AccessDenied, Busy, Attached };
const char* keyboardStateName(KeyboardState state);

// The state every view of the window shares, without widgets: the profile
// list and the shown profile, which lighting plays, the macro image the
// keyboard accepted, whether a keyboard is attached. The pages, the tray and
// the bus service all switch profiles through switchProfile, so a switch from
// any of them sends the same uploads in the same order.
class Session : public QObject {
    Q_OBJECT
  public:
    explicit Session(QObject* parent = nullptr);

    // --- hooks filled in by the window ---------------------------------------
    // Hands an upload to the device thread; 0 when there is no transport.
    std::function<std::uint64_t(Upload)> submit;
    // Shows the shown profile's key assignments.
    std::function<void()> showKeys;
    // An upload was not built / a write failed: tell the user.
    std::function<void(const sync::BuiltUploads&)> notBuilt;
    std::function<void()> notSaved;

    // The settings store; null or closed: nothing is read or sent.
    void setStore(DeviceSQLite* store) { store_ = store; }
    DeviceSQLite* store() const { return store_; }
    bool storeReadable() const { return store_ && store_->isOpen(); }

    // --- profiles ------------------------------------------------------------
    std::vector<ProfileData> profiles;
    std::int64_t shownProfile = 1;
    int shownProfileIndex = 0;
    int shownLightMode = 0;
    // The list was read again (names, order, additions, deletions).
    void profilesReloaded() { emit profilesChanged(); }

    enum class Switch { Sent, NotSent, NoSuchProfile };
    // The one way to show another profile: its key tables, then its light
    // mode while a light mode plays (not without the keys: the keyboard
    // would play half of each profile). A profile the list does not hold is
    // refused: its left-over rows would be shown and sent.
    Switch switchProfile(std::int64_t profile);
    // The next (+1) or previous (-1) profile of the list, round the end.
    Switch switchBy(int step);
    std::optional<std::int64_t> profileNamed(const std::string& name) const;

    // --- the keyboard ----------------------------------------------------------
    KeyboardState keyboardState() const { return keyboardState_; }
    void setKeyboardState(KeyboardState state);
    // True while the first attach loads: its uploads go out as one sequence.
    bool startupLoading = false;

    // Key tables are only ever built against the macro image the keyboard
    // accepted in this run: a key whose macro is not on the keyboard as
    // stored goes out at its own function.
    sync::MacroSnapshot keyboardMacros;
    bool macrosHeldBack = false;
    std::vector<MacroInfo> playableMacros();
    bool macroPlayable(std::int64_t macroId);

    // The keyboard plays either the shown profile's light mode or a user
    // light scheme, whichever went out last.
    struct Lighting {
        bool userLight = false;              // the user light mode plays
        std::optional<std::int64_t> scheme;  // the scheme whose colours it holds
    };
    Lighting lighting;
    void userLightSent(std::int64_t scheme) { lighting = {true, scheme}; }
    // The scheme is gone: while it plays, the keyboard goes back to the
    // shown profile's light mode.
    void userLightDeleted(std::int64_t scheme);

    // --- uploads built from what the store holds now ---------------------------
    // Key tables of `profile` (the shown one when 0). False when nothing was sent.
    bool sendKeyTables(std::int64_t profile = 0);
    bool sendStoredLightMode();
    bool sendStored(sync::UploadChoice choice, std::int64_t profile);
    // Hands over what was built, or reports why nothing was; false then.
    bool sendBuilt(sync::BuiltUploads built);
    // Why the last upload was not built (one line).
    std::string lastFailure;
    // The tickets handed to the device thread, oldest first; whoever waits
    // for them clears it before asking.
    std::vector<std::uint64_t> submitted;
    void uploadFinished(const UploadReport& report) { emit uploadReported(report); }

  signals:
    // Another profile is shown (shownProfile, shownLightMode are set).
    void profileSwitched();
    void profilesChanged();
    void keyboardStateChanged();
    void uploadReported(const korvex::UploadReport& report);

  private:
    DeviceSQLite* store_ = nullptr;
    KeyboardState keyboardState_ = KeyboardState::Absent;
};

}  // namespace korvex
