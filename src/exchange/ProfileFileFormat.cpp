// Profile files as text: writing a checked profile as JSON, and reading and
// checking a whole file before anything may be stored.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <set>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "device/usb/HIDDevice.h"
#include "exchange/ProfileFile.h"
#include "exchange/ProfileFileRules.h"
#include "protocol/Encoders.h"

namespace korvex {

namespace profilefile {

namespace {

constexpr std::int64_t kMaxDelay = 0xFFFF;  // what a macro delay event can carry
constexpr std::int64_t kMaxDelayTime = 60000;
constexpr std::int64_t kMaxPlayTimes = 0xFFFF;
constexpr std::int64_t kMacroEventDelay = 1, kMacroEventKeyDown = 2, kMacroEventKeyUp = 3,
                       kMacroEventMouseDown = 4, kMacroEventMouseUp = 5;

}  // namespace

std::string inRange(std::int64_t min, std::int64_t max) {
    return "must be " + std::to_string(min) + " to " + std::to_string(max);
}

std::optional<Problem> assignmentProblem(const ProfileFile::Assignment& a) {
    auto zero = [&](std::int64_t v2, std::int64_t v3) -> std::optional<Problem> {
        if (v2 != 0) return Problem{"value2", "must be 0 for this type"};
        if (v3 != 0) return Problem{"value3", "must be 0 for this type"};
        return std::nullopt;
    };
    auto within = [&](std::int64_t min, std::int64_t max) -> std::optional<Problem> {
        if (a.macroValue < min || a.macroValue > max) return Problem{"value", inRange(min, max)};
        return zero(a.macro2Value, a.macro3Value);
    };
    switch (a.macroType) {
        case kMacroTypeDisabled:
            return within(kDisabledKeyValue, kDisabledKeyValue);
        case kMacroTypeKeyboard:
            if (!(a.macroValue >= 1 && a.macroValue <= 0xFF) && !isMediaCode(a.macroValue))
                return Problem{"value", "must be a key code 1 to 255 or a media code " +
                                            std::to_string(kFirstMediaCode) + " to " +
                                            std::to_string(kLastMediaCode)};
            if (a.macro2Value != 0 && !isModifierCode(a.macro2Value))
                return Problem{"value2", "must be 0 or a modifier key code " +
                                             std::to_string(kFirstModifierCode) + " to " +
                                             std::to_string(kLastModifierCode)};
            return zero(0, a.macro3Value);
        case kMacroTypeMacro:
            if (a.macro2Value < kPlayOnce || a.macro2Value > kStopWhenPressedAgain)
                return Problem{"value2",
                               "(play mode) " + inRange(kPlayOnce, kStopWhenPressedAgain)};
            if (a.macro2Value == kPlayMultipleTimes &&
                (a.macro3Value < kMinLoopCount || a.macro3Value > kMaxLoopCount))
                return Problem{"value3", "(loop count) " + inRange(kMinLoopCount, kMaxLoopCount)};
            if (a.macro2Value != kPlayMultipleTimes && a.macro3Value != 0)
                return Problem{"value3", "must be 0 unless the macro plays multiple times"};
            return std::nullopt;
        case kMacroTypeMouse:
            return within(1, static_cast<std::int64_t>(kMouseFunctions.size()));
        case kMacroTypeMultimedia:
            return within(1, static_cast<std::int64_t>(kMultimediaFunctions.size()));
        case kMacroTypeMacShortcut:
            return within(1, static_cast<std::int64_t>(kMacShortcuts.size()));
        case kMacroTypeThreeKeys:
            if (a.macroValue < 1 || a.macroValue > 0xFF) return Problem{"value", inRange(1, 255)};
            if (a.macro2Value < 0 || a.macro2Value > 0xFF)
                return Problem{"value2", inRange(0, 255)};
            if (a.macro3Value < 0 || a.macro3Value > 0xFF)
                return Problem{"value3", inRange(0, 255)};
            return std::nullopt;
        default:
            return Problem{"type",
                           "must be one of 2 (disabled), 3 (key), 4 (macro), 6 (mouse), "
                           "7 (multimedia), 8 (Mac shortcut) or 14 (three keys)"};
    }
}

std::optional<Problem> eventProblem(const RecordInfo& e) {
    switch (e.recordType) {
        case kMacroEventDelay:
            if (e.recordValue < 0 || e.recordValue > kMaxDelay)
                return Problem{"value", "(milliseconds) " + inRange(0, kMaxDelay)};
            return std::nullopt;
        case kMacroEventKeyDown:
        case kMacroEventKeyUp:
            if (e.recordValue < 0 || e.recordValue > 0xFF)
                return Problem{"value", "(key code) " + inRange(0, 255)};
            return std::nullopt;
        case kMacroEventMouseDown:
        case kMacroEventMouseUp:
            if (e.recordValue < 1 || e.recordValue > 3)
                return Problem{"value", "(mouse button) " + inRange(1, 3)};
            return std::nullopt;
        default:
            return Problem{"type",
                           "must be 1 (delay), 2 (key down), 3 (key up), "
                           "4 (mouse down) or 5 (mouse up)"};
    }
}

std::optional<Problem> macroProblem(const ProfileFile::Macro& m) {
    if (m.playTimes < 0 || m.playTimes > kMaxPlayTimes)
        return Problem{"playTimes", inRange(0, kMaxPlayTimes)};
    if (m.delayType < 0 || m.delayType > 2) return Problem{"delayType", inRange(0, 2)};
    if (m.delayTime < 0 || m.delayTime > kMaxDelayTime)
        return Problem{"delayTime", inRange(0, kMaxDelayTime)};
    return std::nullopt;
}

std::string keyName(std::int64_t code) {
    const KeyInfo* key = findKeyByCode(static_cast<int>(code));
    return key ? std::string(key->key_name) : std::string();
}

std::string trimmedName(const std::string& name) {
    return QString::fromStdString(name).trimmed().toStdString();
}

std::optional<std::string> nameProblem(const std::string& trimmed) {
    if (trimmed.empty()) return "must not be empty or only spaces";
    if (QString::fromStdString(trimmed).toUcs4().size() > kMaxNameLength)
        return "must be at most " + std::to_string(kMaxNameLength) + " characters long";
    return std::nullopt;
}

}  // namespace profilefile

namespace {

using namespace profilefile;

std::string colourText(std::int64_t rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%06llx", static_cast<unsigned long long>(rgb));
    return buf;
}

// Exactly "#rrggbb": no spaces, signs or line ends that a number parser
// would let through.
std::optional<std::int64_t> parseColour(const QString& text) {
    if (text.size() != 7 || text[0] != QLatin1Char('#')) return std::nullopt;
    std::int64_t v = 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        v = v * 16 + digit;
    }
    return v;
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// ---- writing ---------------------------------------------------------------

QJsonObject assignmentJson(const ProfileFile::Assignment& a) {
    QJsonObject o{{"key", q(keyName(a.keyValue))},
                  {"type", static_cast<qint64>(a.macroType)},
                  {"value2", static_cast<qint64>(a.macro2Value)},
                  {"value3", static_cast<qint64>(a.macro3Value)},
                  {"text", q(a.macroDesc)}};
    if (a.macroType == kMacroTypeMacro)
        o.insert("macro", q(a.macro));
    else
        o.insert("value", static_cast<qint64>(a.macroValue));
    return o;
}

QJsonObject macroJson(const ProfileFile::Macro& m) {
    QJsonArray events;
    for (const RecordInfo& e : m.events) {
        events.append(QJsonObject{{"type", static_cast<qint64>(e.recordType)},
                                  {"value", static_cast<qint64>(e.recordValue)},
                                  {"text", q(e.recordDesc)}});
    }
    return QJsonObject{{"name", q(m.name)},
                       {"playTimes", static_cast<qint64>(m.playTimes)},
                       {"delayType", static_cast<qint64>(m.delayType)},
                       {"delayTime", static_cast<qint64>(m.delayTime)},
                       {"events", events}};
}

// ---- reading ---------------------------------------------------------------

// Walks the JSON and keeps the first problem with the place it was found.
class Reader {
  public:
    std::string error;

    bool fail(const std::string& where, const std::string& what) {
        if (error.empty()) error = where + ": " + what;
        return false;
    }

    // `v` must be an object with exactly the members named.
    bool object(const QJsonValue& v, const std::string& where,
                std::initializer_list<const char*> members, QJsonObject& out) {
        if (!v.isObject()) return fail(where, "must be an object");
        out = v.toObject();
        for (const char* m : members) {
            if (!out.contains(QLatin1String(m)))
                return fail(where, std::string("the member \"") + m + "\" is missing");
        }
        for (auto it = out.begin(); it != out.end(); ++it) {
            const std::string name = it.key().toStdString();
            if (std::none_of(members.begin(), members.end(),
                             [&](const char* m) { return name == m; }))
                return fail(where, "unknown member \"" + name + "\"");
        }
        return true;
    }

    bool integer(const QJsonValue& v, const std::string& at, std::int64_t min, std::int64_t max,
                 std::int64_t& out) {
        const double d = v.toDouble();
        if (!v.isDouble() || std::floor(d) != d || std::fabs(d) > 9.0e15)
            return fail(at, "must be a whole number");
        out = static_cast<std::int64_t>(d);
        if (out < min || out > max)
            return fail(at, std::to_string(out) + " is out of range; " + inRange(min, max));
        return true;
    }

    bool integer(const QJsonObject& o, const char* member, const std::string& where,
                 std::int64_t min, std::int64_t max, std::int64_t& out) {
        return integer(o.value(QLatin1String(member)), where + "." + member, min, max, out);
    }

    bool integer(const QJsonObject& o, const char* member, const std::string& where,
                 std::int64_t& out) {
        return integer(o, member, where, -kMaxInteger, kMaxInteger, out);
    }

    bool text(const QJsonObject& o, const char* member, const std::string& where,
              std::string& out) {
        const QJsonValue v = o.value(QLatin1String(member));
        if (!v.isString()) return fail(where + "." + member, "must be a text");
        out = v.toString().toStdString();
        return true;
    }

    // A name: trimmed, and refused when empty, only spaces or too long.
    bool name(const QJsonObject& o, const char* member, const std::string& where,
              std::string& out) {
        std::string raw;
        if (!text(o, member, where, raw)) return false;
        out = trimmedName(raw);
        if (auto why = nameProblem(out)) return fail(where + "." + member, *why);
        return true;
    }

    bool array(const QJsonObject& o, const char* member, const std::string& where,
               QJsonArray& out) {
        const QJsonValue v = o.value(QLatin1String(member));
        if (!v.isArray()) return fail(where + "." + member, "must be a list");
        out = v.toArray();
        return true;
    }

    bool key(const QJsonObject& o, const std::string& where, std::int64_t& code) {
        std::string name;
        if (!text(o, "key", where, name)) return false;
        const KeyInfo* k = findKeyByName(name);
        if (!k) return fail(where + ".key", "\"" + name + "\" is not a key of this keyboard");
        code = k->code;
        return true;
    }

    bool problem(const std::optional<Problem>& p, const std::string& where) {
        return p ? fail(where + "." + p->member, p->what) : true;
    }

  private:
    static constexpr std::int64_t kMaxInteger = 9000000000000000;
};

std::string at(const std::string& where, const char* member, qsizetype i) {
    return where + "." + member + "[" + std::to_string(i) + "]";
}

bool readAssignments(Reader& r, const QJsonObject& profile, int layer,
                     const std::set<std::string>& macroNames, ProfileFile& out) {
    QJsonArray list;
    if (!r.array(profile, kLayerNames[layer], "profile", list)) return false;
    std::set<std::int64_t> seen;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const std::string where = at("profile", kLayerNames[layer], i);
        ProfileFile::Assignment a;
        QJsonObject o = list[i].toObject();
        if (!list[i].isObject()) return r.fail(where, "must be an object");
        if (!r.integer(o, "type", where, a.macroType)) return false;
        const bool macro = a.macroType == kMacroTypeMacro;
        if (!r.object(list[i], where,
                      {"key", "type", macro ? "macro" : "value", "value2", "value3", "text"}, o) ||
            !r.key(o, where, a.keyValue) || !r.integer(o, "value2", where, a.macro2Value) ||
            !r.integer(o, "value3", where, a.macro3Value) || !r.text(o, "text", where, a.macroDesc))
            return false;
        if (macro) {
            if (!r.text(o, "macro", where, a.macro)) return false;
            a.macro = trimmedName(a.macro);  // as the macro's own name was stored
            if (!macroNames.count(a.macro))
                return r.fail(where + ".macro", "no macro \"" + a.macro + "\" in this file");
        } else if (!r.integer(o, "value", where, a.macroValue)) {
            return false;
        }
        if (!r.problem(assignmentProblem(a), where)) return false;
        if (!seen.insert(a.keyValue).second)
            return r.fail(where + ".key", "\"" + keyName(a.keyValue) + "\" is assigned twice");
        out.layers[layer].push_back(std::move(a));
    }
    return true;
}

bool readLightModes(Reader& r, const QJsonObject& profile, ProfileFile& out) {
    if (!r.integer(profile, "selectedLightMode", "profile", 0, kLastLightMode,
                   out.selectedLightMode))
        return false;
    QJsonArray list;
    if (!r.array(profile, "lightModes", "profile", list)) return false;
    std::set<std::int64_t> seen;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const std::string where = at("profile", "lightModes", i);
        QJsonObject o;
        QJsonArray bytes;
        ProfileFile::LightMode m;
        if (!r.object(list[i], where, {"mode", "bytes"}, o) ||
            !r.integer(o, "mode", where, 0, kLastStoredLightMode, m.mode) ||
            !r.array(o, "bytes", where, bytes))
            return false;
        if (!seen.insert(m.mode).second)
            return r.fail(where + ".mode", "mode " + std::to_string(m.mode) + " appears twice");
        if (bytes.size() != static_cast<qsizetype>(m.bytes.size()))
            return r.fail(where + ".bytes",
                          "must hold " + std::to_string(m.bytes.size()) + " numbers");
        for (qsizetype b = 0; b < bytes.size(); ++b) {
            std::int64_t v = 0;
            if (!r.integer(bytes[b], where + ".bytes[" + std::to_string(b) + "]", 0, 255, v))
                return false;
            m.bytes[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(v);
        }
        out.lightModes.push_back(m);
    }
    return true;
}

bool readUserLights(Reader& r, const QJsonObject& profile, ProfileFile& out) {
    QJsonArray list;
    if (!r.array(profile, "userLights", "profile", list)) return false;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const std::string where = at("profile", "userLights", i);
        QJsonObject o;
        QJsonArray keys;
        ProfileFile::UserLight light;
        if (!r.object(list[i], where, {"name", "keys"}, o) ||
            !r.name(o, "name", where, light.name) || !r.array(o, "keys", where, keys))
            return false;
        std::set<std::int64_t> seen;
        for (qsizetype k = 0; k < keys.size(); ++k) {
            const std::string keyWhere = at(where, "keys", k);
            QJsonObject ko;
            std::int64_t code = 0;
            if (!r.object(keys[k], keyWhere, {"key", "color"}, ko) || !r.key(ko, keyWhere, code))
                return false;
            const QJsonValue colour = ko.value("color");
            const auto rgb = colour.isString() ? parseColour(colour.toString()) : std::nullopt;
            if (!rgb || *rgb < 1 || *rgb > kMaxColour)
                return r.fail(keyWhere + ".color",
                              "must be a colour \"#rrggbb\" other than black \"#000000\"");
            if (!seen.insert(code).second)
                return r.fail(keyWhere + ".key", "\"" + keyName(code) + "\" appears twice");
            light.colours.emplace_back(code, *rgb);
        }
        out.userLights.push_back(std::move(light));
    }
    return true;
}

bool readMacros(Reader& r, const QJsonObject& root, ProfileFile& out) {
    QJsonArray list;
    if (!r.array(root, "macros", "file", list)) return false;
    std::set<std::string> names;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const std::string where = "macros[" + std::to_string(i) + "]";
        QJsonObject o;
        QJsonArray events;
        ProfileFile::Macro m;
        if (!r.object(list[i], where, {"name", "playTimes", "delayType", "delayTime", "events"},
                      o) ||
            !r.name(o, "name", where, m.name) || !r.integer(o, "playTimes", where, m.playTimes) ||
            !r.integer(o, "delayType", where, m.delayType) ||
            !r.integer(o, "delayTime", where, m.delayTime) || !r.problem(macroProblem(m), where) ||
            !r.array(o, "events", where, events))
            return false;
        if (!names.insert(m.name).second)
            return r.fail(where + ".name",
                          "another macro of this file is named \"" + m.name + "\"");
        for (qsizetype e = 0; e < events.size(); ++e) {
            const std::string eventWhere = at(where, "events", e);
            QJsonObject eo;
            RecordInfo event;
            if (!r.object(events[e], eventWhere, {"type", "value", "text"}, eo) ||
                !r.integer(eo, "type", eventWhere, event.recordType) ||
                !r.integer(eo, "value", eventWhere, event.recordValue) ||
                !r.text(eo, "text", eventWhere, event.recordDesc) ||
                !r.problem(eventProblem(event), eventWhere))
                return false;
            event.recordIndex = static_cast<std::int64_t>(m.events.size());
            m.events.push_back(std::move(event));
        }
        out.macros.push_back(std::move(m));
    }
    return true;
}

}  // namespace

std::string profileFileText(const ProfileFile& file) {
    QJsonArray lightModes;
    for (const ProfileFile::LightMode& m : file.lightModes) {
        QJsonArray bytes;
        for (std::uint8_t b : m.bytes) bytes.append(b);
        lightModes.append(QJsonObject{{"mode", static_cast<qint64>(m.mode)}, {"bytes", bytes}});
    }
    QJsonObject profile{{"name", q(file.name)},
                        {"selectedLightMode", static_cast<qint64>(file.selectedLightMode)},
                        {"lightModes", lightModes}};
    for (std::size_t layer = 0; layer < file.layers.size(); ++layer) {
        QJsonArray list;
        for (const auto& a : file.layers[layer]) list.append(assignmentJson(a));
        profile.insert(kLayerNames[layer], list);
    }
    QJsonArray userLights;
    for (const ProfileFile::UserLight& light : file.userLights) {
        QJsonArray keys;
        for (const auto& [code, rgb] : light.colours)
            keys.append(QJsonObject{{"key", q(keyName(code))}, {"color", q(colourText(rgb))}});
        userLights.append(QJsonObject{{"name", q(light.name)}, {"keys", keys}});
    }
    profile.insert("userLights", userLights);
    QJsonArray macros;
    for (const ProfileFile::Macro& m : file.macros) macros.append(macroJson(m));
    const QJsonObject root{
        {"format", q(std::string(kProfileFileFormat))},
        {"version", static_cast<qint64>(kProfileFileVersion)},
        {"keyboard", QJsonObject{{"vendorId", static_cast<qint64>(kKeyboardVendorId)},
                                 {"productId", static_cast<qint64>(kKeyboardProductId)}}},
        {"profile", profile},
        {"macros", macros}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

ParsedProfileFile parseProfileFile(std::string_view text) {
    ParsedProfileFile parsed;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    if (error.error != QJsonParseError::NoError) {
        parsed.message = "not a JSON file (" + error.errorString().toStdString() + " at byte " +
                         std::to_string(error.offset) + ")";
        return parsed;
    }
    Reader r;
    QJsonObject root, keyboard, profile;
    const QJsonValue top = doc.isObject() ? QJsonValue(doc.object()) : QJsonValue();
    if (!r.object(top, "file", {"format", "version", "keyboard", "profile", "macros"}, root)) {
        parsed.message = "not a Korvex profile file (" + r.error + ")";
        return parsed;
    }
    std::string format;
    std::int64_t version = 0, vendor = 0, product = 0;
    if (!r.text(root, "format", "file", format)) {
    } else if (format != kProfileFileFormat) {
        r.fail("file.format", "\"" + format + "\" is not a Korvex profile file");
    } else if (r.integer(root, "version", "file", version) && version != kProfileFileVersion) {
        r.fail("file.version", "version " + std::to_string(version) +
                                   " cannot be read; this Korvex reads version " +
                                   std::to_string(kProfileFileVersion));
    } else if (r.object(root.value("keyboard"), "keyboard", {"vendorId", "productId"}, keyboard) &&
               r.integer(keyboard, "vendorId", "keyboard", vendor) &&
               r.integer(keyboard, "productId", "keyboard", product) &&
               (vendor != kKeyboardVendorId || product != kKeyboardProductId)) {
        // The ids as the file gives them: one that is no USB id is not
        // folded into one that looks like this keyboard's.
        auto id = [](std::int64_t v) {
            if (v < 0 || v > 0xFFFF) return std::to_string(v);
            char buf[8];
            std::snprintf(buf, sizeof buf, "%04llx", static_cast<unsigned long long>(v));
            return std::string(buf);
        };
        r.fail("keyboard", "the file is for the keyboard " + id(vendor) + ":" + id(product) +
                               ", not for this one (" + id(kKeyboardVendorId) + ":" +
                               id(kKeyboardProductId) + ")");
    }
    ProfileFile file;
    std::set<std::string> macroNames;
    if (r.error.empty() && readMacros(r, root, file)) {
        for (const auto& m : file.macros) macroNames.insert(m.name);
        if (r.object(
                root.value("profile"), "profile",
                {"name", "selectedLightMode", "lightModes", "topLayer", "fnLayer", "userLights"},
                profile) &&
            r.name(profile, "name", "profile", file.name) && readLightModes(r, profile, file) &&
            readAssignments(r, profile, 0, macroNames, file) &&
            readAssignments(r, profile, 1, macroNames, file))
            readUserLights(r, profile, file);
    }
    if (!r.error.empty()) {
        parsed.message = r.error;
        return parsed;
    }
    parsed.file = std::move(file);
    return parsed;
}

}  // namespace korvex
