// The profile list of the custom key page: showing, adding, renaming,
// deleting and switching profiles.

#include <QPushButton>
#include <QSignalBlocker>

#include <array>

#include "store/DeviceSQLite.h"
#include "ui/Controls.h"
#include "ui/KeyboardViewController.h"
#include "ui/desktop/Guarded.h"
#include "ui/keys/KeyboardViewKeyFunc.h"

namespace korvex {

namespace {

// Stored names of the factory profiles and the text ids they show as.
constexpr std::array<std::pair<const char*, int>, 3> kFactoryNames{{
    {"Configuration File 1", 67},
    {"Configuration File 2", 68},
    {"Configuration File 3", 69},
}};

}  // namespace

QString KeyboardViewKeyFunc::profileDisplayName(const std::string& stored,
                                                const std::function<QString(int)>& text) {
    for (const auto& [name, id] : kFactoryNames)
        if (stored == name) return text(id);
    return QString::fromStdString(stored);
}

const std::vector<ProfileData>& KeyboardViewKeyFunc::customkey_profilelist_datas() const {
    return hub_.profileDatas;
}

QPushButton* KeyboardViewKeyFunc::profileButton(int tag) const {
    for (QPushButton* b : profileButtons_)
        if (b->property("tag").toInt() == tag) return b;
    return nullptr;
}

void KeyboardViewKeyFunc::rebuildProfileRows() {
    const QSignalBlocker quiet(profileList_);
    profileList_->keepRows(static_cast<int>(hub_.profileDatas.size()),
                           [this] { return makeProfileRow(); });
    for (int i = 0; i < profileList_->rowCount(); ++i) showProfileRow(i);
}

KeyTableItemView* KeyboardViewKeyFunc::makeProfileRow() {
    auto* row = new KeyTableItemView;
    row->setObjectName(QStringLiteral("keyprofile_row"));
    row->setIcons(QStringLiteral("icon_circle_n"), QStringLiteral("icon_circle_h"));
    gate_.watchEditing(row);
    return row;
}

void KeyboardViewKeyFunc::showProfileRow(int i) {
    auto* row = static_cast<KeyTableItemView*>(profileList_->row(i));
    row->cancelEdit();
    row->setText(
        profileDisplayName(hub_.profileDatas[static_cast<std::size_t>(i)].name, hub_.text));
    row->setTableViewIndex(i);
}

void KeyboardViewKeyFunc::loadKeyProfile() {
    // The hub has read the list and switched to its first profile.
    rebuildProfileRows();
    if (hub_.profileDatas.empty()) return;
    markProfileRow(0);
    hub_.currentKBProfile = hub_.profileDatas.front().profId;
}

void KeyboardViewKeyFunc::setKeyProfileTableSelect(int selectIndex) {
    for (int i = 0; i < profileList_->rowCount(); ++i) {
        auto* row = static_cast<KeyTableItemView*>(profileList_->row(i));
        row->setSelect(i == selectIndex);
        // The selected row keeps its hover icon while the pointer is away.
        row->setIcons(
            i == selectIndex ? QStringLiteral("icon_circle_h") : QStringLiteral("icon_circle_n"),
            QStringLiteral("icon_circle_h"));
    }
    const QSignalBlocker quiet(profileList_);
    profileList_->setSelectedRow(selectIndex);
}

void KeyboardViewKeyFunc::markProfileRow(int row) {
    if (row < 0 || row >= static_cast<int>(hub_.profileDatas.size())) return;
    setKeyProfileTableSelect(row);
    // A row that stands for another profile than the current one switches
    // to it, as a click would; the same profile needs no reload.
    if (hub_.profileDatas[static_cast<std::size_t>(row)].profId != hub_.currentProfile)
        hub_.selectProfileIndex(row);
    else
        hub_.currentProfileIndex = row;
}

void KeyboardViewKeyFunc::profileRowChosen(int row) {
    if (row < 0) return;
    setKeyProfileTableSelect(row);
    hub_.selectProfileIndex(row);
}

void KeyboardViewKeyFunc::customkey_button_profile(int tag) {
    switch (tag) {
        case profilebutton::kAdd:
            addKeyProfile();
            break;
        case profilebutton::kDelete:
            askDeleteProfile();
            break;
        case profilebutton::kEdit:
            editKeyProfile();
            break;
        default:
            break;  // import and export are not offered
    }
}

void KeyboardViewKeyFunc::addKeyProfile() {
    if (!db()) return;
    // "Configuration File N" with N the number of profiles so far; the seed
    // holds "Configuration File 1" alone, so the plain count would repeat a
    // name the list already shows. Count on until the name is free.
    // Blanks aside: the Chinese factory names have none ("配置文件1").
    auto bare = [](QString s) { return s.remove(QLatin1Char(' ')); };
    auto inUse = [&](const QString& name) {
        for (const ProfileData& p : hub_.profileDatas)
            if (bare(QString::fromStdString(p.name)) == bare(name) ||
                bare(profileDisplayName(p.name, hub_.text)) == bare(name))
                return true;
        return false;
    };
    std::size_t n = hub_.profileDatas.size();
    QString name;
    do {
        name = hub_.text(70) + QLatin1Char(' ') + QString::number(n++);
    } while (inUse(name));
    const std::int64_t id = db()->addProfile(name.toStdString());
    if (id < 1) return void(hub_.reportNotSaved());
    hub_.profileDatas.push_back(ProfileData{id, name.toStdString()});
    // Only the new row is made: with many profiles a rebuild costs frames.
    {
        const QSignalBlocker quiet(profileList_);
        profileList_->addRow(makeProfileRow());
    }
    showProfileRow(profileList_->rowCount() - 1);
    markProfileRow(static_cast<int>(hub_.profileDatas.size()) - 1);
}

void KeyboardViewKeyFunc::askDeleteProfile() {
    if (hub_.profileDatas.size() <= 1) {
        sheets_.warn(hub_.window(), hub_.text(71), hub_.text(72));
        return;
    }
    const int row = profileList_->selectedRow();
    if (row < 0 || row >= static_cast<int>(hub_.profileDatas.size())) return;
    const QString name =
        profileDisplayName(hub_.profileDatas[static_cast<std::size_t>(row)].name, hub_.text);
    sheets_.confirm(hub_.window(), hub_.text(1590).arg(name), hub_.text(1591), hub_.text(927),
                    hub_.text(1596), [this] { delKeyProfile(); });
}

void KeyboardViewKeyFunc::delKeyProfile() {
    if (hub_.profileDatas.size() <= 1) {
        sheets_.warn(hub_.window(), hub_.text(71), hub_.text(72));
        return;
    }
    const int row = profileList_->selectedRow();
    if (row < 0 || row >= static_cast<int>(hub_.profileDatas.size()) || !storeOpen()) return;
    const std::int64_t profile = hub_.profileDatas[static_cast<std::size_t>(row)].profId;
    // Backed up first, so "Restore from backup" can bring the profile back.
    const DeviceSQLite::FailureWatch watch(*db());
    if (auto failed =
            runGuarded([&](BackupShelf& shelf) { return deleteProfile(*db(), shelf, profile); })) {
        if (hub_.changedOutside(watch)) return;
        sheets_.warn(hub_.window(), hub_.text(71), *failed);
        return;
    }
    hub_.profileDatas.erase(hub_.profileDatas.begin() + row);
    {
        const QSignalBlocker quiet(profileList_);
        profileList_->removeRow(row);
    }
    for (int i = row; i < profileList_->rowCount(); ++i)
        static_cast<KeyTableItemView*>(profileList_->row(i))->setTableViewIndex(i);
    // The row that moved up into the place, or the new last row.
    markProfileRow(std::min(row, static_cast<int>(hub_.profileDatas.size()) - 1));
}

void KeyboardViewKeyFunc::editKeyProfile() {
    if (auto* row = static_cast<KeyTableItemView*>(profileList_->row(profileList_->selectedRow())))
        row->beginEdit();
}

void KeyboardViewKeyFunc::keyTableItemViewEdit(int row, const QString& text) {
    if (!db()) return;
    // The edited row is the selected one: editing starts from a selected row
    // or by a double click, which selects it first.
    if (row < 0 || row >= static_cast<int>(hub_.profileDatas.size())) return;
    // Spaces around a name are not part of it, as in an imported profile; a
    // name of spaces alone is no name and the stored one stays. The list is
    // read again either way, so it shows the name that is stored.
    const QString name = text.trimmed();
    if (!name.isEmpty() &&
        !db()->updateProfileName(hub_.profileDatas[static_cast<std::size_t>(row)].profId,
                                 name.toStdString()))
        hub_.reportNotSaved();
    requeryProfiles();
    markProfileRow(std::min(row, static_cast<int>(hub_.profileDatas.size()) - 1));
}

void KeyboardViewKeyFunc::requeryProfiles() {
    hub_.profileDatas.clear();
    if (db() && db()->isOpen() && !db()->queryProfileList(hub_.profileDatas))
        hub_.reportNotBuilt(sync::readFailure(*db()));
    rebuildProfileRows();
    hub_.session().profilesReloaded();  // the tray and the bus list them too
}

void KeyboardViewKeyFunc::showProfileList(std::int64_t profile, bool readAgain) {
    if (readAgain) requeryProfiles();
    int row = 0;
    for (std::size_t i = 0; i < hub_.profileDatas.size(); ++i)
        if (hub_.profileDatas[i].profId == profile) row = static_cast<int>(i);
    markProfileRow(row);
}

}  // namespace korvex
