#include "ui/keys/KeyFaces.h"

#include <string_view>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"

namespace korvex {

namespace {

QString fromView(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Cap-sized names where the catalog's short name is too long for a key.
std::string_view compactName(int code) {
    struct Compact {
        int code;
        std::string_view name;
    };
    static constexpr Compact kCompact[] = {
        {224, "Ctrl"},
        {225, "Shift"},
        {226, "Opt"},
        {227, "Cmd"},
        {228, "Ctrl"},
        {229, "Shift"},
        {230, "Opt"},
        {231, "Cmd"},
        {75, "PgUp"},
        {78, "PgDn"},
        {82, "\u2191"},
        {81, "\u2193"},
        {80, "\u2190"},
        {79, "\u2192"},
        {42, "Bksp"},
        {57, "Caps"},
        {70, "PrtSc"},
        {71, "ScrLk"},
        {73, "Ins"},
        {76, "Del"},
        {41, "Esc"},
        {40, "Enter"},
        {44, "Space"},
        {101, "Menu"},
        // Media codes of the keyboard function type.
        {500, "PC"},
        {501, "Calc"},
        {502, "Mail"},
        {503, "Media"},
        {504, "Play"},
        {505, "Stop"},
        {506, "Prev"},
        {507, "Next"},
        {508, "Vol+"},
        {509, "Vol\u2212"},
        {510, "Mute"},
        {511, "Home"},
        {512, "Reload"},
        {513, "WStop"},
        {514, "Back"},
        {515, "Fwd"},
        {516, "Fav"},
        {517, "Search"},
    };
    for (const Compact& c : kCompact)
        if (c.code == code) return c.name;
    return {};
}

QString keyName(int code) {
    if (std::string_view c = compactName(code); !c.empty()) return fromView(c);
    if (const KeyInfo* key = findKeyByCode(code)) return fromView(key->short_name);
    // Panel keys this keyboard has no cap for (keypad keys and the like).
    if (auto name = customKeyFuncShortName(code)) return fromView(*name);
    return QString::number(code);
}

QString multimediaName(int value) {
    static constexpr std::string_view kNames[] = {"Play", "Stop",      "Prev", "Next",
                                                  "Vol+", "Vol\u2212", "Mute"};
    if (value >= 1 && value <= 7) return fromView(kNames[value - 1]);
    return {};
}

}  // namespace

QString keyFaceLabel(const ProfileKey& row, const std::function<QString(int)>& text) {
    const int value = static_cast<int>(row.macroValue);
    switch (row.macroType) {
        case kMacroTypeDefault:
            return {};
        case kMacroTypeDisabled:
            return QString(QChar(kDisabledMark));
        case kMacroTypeKeyboard: {
            const QString key = keyName(value);
            const int modifier = static_cast<int>(row.macro2Value);
            return isModifierCode(modifier) ? keyName(modifier) + QLatin1Char('+') + key : key;
        }
        case kMacroTypeMouse:
            if (const MouseFunction* f = findMouseFunction(value)) return text(f->textId);
            break;
        case kMacroTypeMultimedia:
            if (QString name = multimediaName(value); !name.isEmpty()) return name;
            break;
        case kMacroTypeMacShortcut:
            if (const MacShortcut* f = findMacShortcut(value)) return text(f->textId);
            break;
        default:
            break;
    }
    // A macro that repeats shows its count first, where the cap's width
    // does not cut it off.
    if (row.macroType == kMacroTypeMacro && row.macro2Value == kPlayMultipleTimes &&
        row.macro3Value > 1)
        return QStringLiteral("%1\u00d7 ").arg(row.macro3Value) +
               QString::fromStdString(row.macroDesc);
    // Macros show their name; anything else what was stored with it.
    return QString::fromStdString(row.macroDesc);
}

}  // namespace korvex
