#include "ui/userlight/UserLightFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLocale>
#include <QRegularExpression>

#include <map>
#include <set>

#include "catalog/KeyCatalog.h"
#include "exchange/BoundedFile.h"
#include "i18n/Language.h"

namespace korvex {

namespace {

const QString kFormat = QStringLiteral("korvex-userlight");

QString fromView(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Text ids of the refusal reasons.
constexpr int kTextNotJson = 960, kTextNotUserLightFile = 961, kTextWrongVersion = 962,
              kTextNoVersion = 963, kTextNoName = 964, kTextNoKeys = 965, kTextEntry = 966,
              kTextNotAKey = 967, kTextUnknownKey = 968, kTextWrongCode = 969, kTextBadColour = 970,
              kTextListedTwice = 971, kTextTooLarge = 972, kTextNoSpace = 1008,
              kTextNotAFile = 1051;

// Refusal reasons are read by the user, so they come in the current language.
QString textOf(int id) {
    return fromView(korvex::text(id));
}

QString colorText(std::int64_t rgb) {
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

std::optional<std::int64_t> parseColor(const QJsonValue& v) {
    static const QRegularExpression pattern(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    if (!v.isString() || !pattern.match(v.toString()).hasMatch()) return std::nullopt;
    return v.toString().mid(1).toLongLong(nullptr, 16);
}

// 1-based line and column of a byte offset.
std::pair<int, int> lineAndColumn(const QByteArray& data, qsizetype offset) {
    int line = 1, column = 1;
    for (qsizetype i = 0; i < offset && i < data.size(); ++i) {
        if (data[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return {line, column};
}

UserLightFileRead refused(const QString& why) {
    return {std::nullopt, why};
}

QString quoted(const QString& s) {
    return QStringLiteral("\"%1\"").arg(s);
}

}  // namespace

QByteArray userLightFileData(const QString& name, const std::vector<UserLightLEDData>& leds) {
    std::map<std::int64_t, std::int64_t> colours;  // code -> last colour stored for it
    for (const UserLightLEDData& led : leds) colours[led.key_value] = led.key_rgbvalue;

    QJsonArray keys;
    for (int index = 0; index < kKeyCount; ++index) {
        const KeyInfo* key = findKeyByLayoutIndex(index);
        if (!key) continue;
        const auto it = colours.find(key->code);
        QJsonObject entry;
        entry[QStringLiteral("name")] = fromView(key->key_name);
        entry[QStringLiteral("code")] = key->code;
        entry[QStringLiteral("color")] = colorText(it == colours.end() ? 0 : it->second);
        keys.append(entry);
    }
    QJsonObject root;
    root[QStringLiteral("format")] = kFormat;
    root[QStringLiteral("version")] = kUserLightFileVersion;
    root[QStringLiteral("name")] = name;
    root[QStringLiteral("keys")] = keys;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

UserLightFileRead readUserLightFileData(const QByteArray& data) {
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parse);
    if (parse.error != QJsonParseError::NoError) {
        const auto [line, column] = lineAndColumn(data, parse.offset);
        return refused(textOf(kTextNotJson).arg(parse.errorString()).arg(line).arg(column));
    }
    if (!doc.isObject() || doc.object().value(QStringLiteral("format")).toString() != kFormat)
        return refused(textOf(kTextNotUserLightFile));
    const QJsonObject root = doc.object();

    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != kUserLightFileVersion)
        return refused(textOf(kTextWrongVersion)
                           .arg(version.isDouble() ? QString::number(version.toDouble(), 'g',
                                                                     QLocale::FloatingPointShortest)
                                                   : textOf(kTextNoVersion))
                           .arg(kUserLightFileVersion));
    if (!root.value(QStringLiteral("name")).isString()) return refused(textOf(kTextNoName));
    if (!root.value(QStringLiteral("keys")).isArray()) return refused(textOf(kTextNoKeys));

    UserLightFileScheme scheme;
    scheme.name = root.value(QStringLiteral("name")).toString();
    std::set<int> seen;
    const QJsonArray keys = root.value(QStringLiteral("keys")).toArray();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString entryName = textOf(kTextEntry).arg(i + 1);
        if (!keys[i].isObject()) return refused(textOf(kTextNotAKey).arg(entryName));
        const QJsonObject entry = keys[i].toObject();
        const QString name = entry.value(QStringLiteral("name")).toString();
        const KeyInfo* key = findKeyByName(name.toStdString());
        if (!key) return refused(textOf(kTextUnknownKey).arg(entryName, quoted(name)));
        const QJsonValue code = entry.value(QStringLiteral("code"));
        if (!code.isDouble() || code.toDouble() != key->code)
            return refused(textOf(kTextWrongCode)
                               .arg(quoted(name), code.toVariant().toString())
                               .arg(key->code));
        const std::optional<std::int64_t> rgb = parseColor(entry.value(QStringLiteral("color")));
        if (!rgb)
            return refused(
                textOf(kTextBadColour)
                    .arg(quoted(name),
                         quoted(entry.value(QStringLiteral("color")).toVariant().toString())));
        if (!seen.insert(key->code).second)
            return refused(textOf(kTextListedTwice).arg(quoted(name)));
        scheme.leds.push_back(UserLightLEDData{0, 0, key->code, *rgb});
    }
    return {std::move(scheme), QString()};
}

bool writeUserLightFile(const QString& path, const QByteArray& data, QString* error) {
    const exchange::FileWrite written = exchange::writeWholeFile(
        path.toStdString(),
        std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
    if (written.ok()) return true;
    if (error)
        *error = written.status == exchange::FileWrite::Status::NoSpace
                     ? textOf(kTextNoSpace)
                     : QString::fromStdString(written.reason);
    return false;
}

std::optional<QByteArray> readWholeFile(const QString& path, QString* error) {
    // A scheme file is a few kilobytes; anything far larger is not one.
    constexpr std::size_t kMaxFileBytes = 1 << 20;
    exchange::BoundedRead read = exchange::readRegularFile(path.toStdString(), kMaxFileBytes);
    switch (read.status) {
        case exchange::BoundedRead::Status::Ok:
            return QByteArray::fromStdString(read.text);
        case exchange::BoundedRead::Status::NotRegular:
            if (error) *error = textOf(kTextNotAFile);
            return std::nullopt;
        case exchange::BoundedRead::Status::TooLarge:
            if (error) *error = textOf(kTextTooLarge);
            return std::nullopt;
        case exchange::BoundedRead::Status::CannotRead:
            break;
    }
    if (error) *error = QString::fromStdString(read.reason);
    return std::nullopt;
}

}  // namespace korvex
