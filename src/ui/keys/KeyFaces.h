#pragma once

// The short label an assigned key shows on its cap: the target key, a
// combination ("Ctrl+C"), a media function ("Vol+"), the macro's name, a
// mark for a disabled key. A key at its default shows none.

#include <QString>

#include <functional>

#include "store/Records.h"

namespace korvex {

// `text` gives the current language's text of an id.
QString keyFaceLabel(const ProfileKey& row, const std::function<QString(int)>& text);

// The mark a disabled key shows.
inline constexpr char16_t kDisabledMark = u'\u2298';

}  // namespace korvex
