#include "ui/macro/MacroEvents.h"

namespace korvex {

QString eventRowText(const MacroEvent& event) {
    switch (event.type) {
        case macroevent::kDelay:
            return QStringLiteral("[Delay:ms] ") + event.text;
        case macroevent::kKeyDown:
            return QStringLiteral("[KEY DOWN] ") + event.text;
        case macroevent::kKeyUp:
            return QStringLiteral("[KEY UP] ") + event.text;
        default:
            return event.text;
    }
}

int insertPosition(int listSize, int selected, bool after) {
    if (selected < 0 || selected >= listSize) return listSize;
    return after ? selected + 1 : selected;
}

namespace {

int partnerOf(const std::vector<MacroEvent>& events, int removedAt, int removedType) {
    const int n = static_cast<int>(events.size());
    auto typeAt = [&](int i) { return events[static_cast<std::size_t>(i)].type; };
    switch (removedType) {
        case macroevent::kKeyDown:
        case macroevent::kMouseDown:
            for (int i = removedAt; i < n; ++i)
                if (typeAt(i) == removedType + 1) return i;
            return -1;
        case macroevent::kKeyUp:
        case macroevent::kMouseUp:
            for (int i = std::min(removedAt, n) - 1; i >= 0; --i)
                if (typeAt(i) == removedType - 1) return i;
            return -1;
        default:
            return -1;
    }
}

}  // namespace

bool deleteEventAt(std::vector<MacroEvent>& events, int index) {
    if (index < 0 || index >= static_cast<int>(events.size())) return false;
    const int type = events[static_cast<std::size_t>(index)].type;
    events.erase(events.begin() + index);
    const int partner = partnerOf(events, index, type);
    if (partner >= 0) events.erase(events.begin() + partner);
    return true;
}

bool moveEvent(std::vector<MacroEvent>& events, int index, int step) {
    const int to = index + step;
    const int n = static_cast<int>(events.size());
    if (index < 0 || index >= n || to < 0 || to >= n) return false;
    std::swap(events[static_cast<std::size_t>(index)], events[static_cast<std::size_t>(to)]);
    return true;
}

std::vector<RecordInfo> toRecords(std::int64_t macroId, const std::vector<MacroEvent>& events) {
    std::vector<RecordInfo> records;
    records.reserve(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        RecordInfo r;
        r.macroId = macroId;
        r.recordType = events[i].type;
        r.recordIndex = static_cast<std::int64_t>(i);
        r.recordValue = events[i].value;
        r.recordDesc = events[i].text.toStdString();
        records.push_back(std::move(r));
    }
    return records;
}

MacroEvent fromRecord(const RecordInfo& record) {
    return {static_cast<int>(record.recordType), record.recordValue,
            QString::fromStdString(record.recordDesc)};
}

std::optional<std::int64_t> wholeNumber(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    std::int64_t value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        // Saturate: any longer run of digits is far above every limit.
        value = std::min<std::int64_t>(value * 10 + (c.unicode() - '0'), 1'000'000'000);
    }
    return value;
}

std::optional<std::int64_t> delayOf(const QString& text) {
    const auto n = wholeNumber(text);
    if (!n || *n < 1 || *n > kMaxDelayMs) return std::nullopt;
    return n;
}

QValidator::State DelayValidator::validate(QString& input, int&) const {
    if (input.isEmpty()) return Intermediate;
    if (!wholeNumber(input)) return Invalid;
    return delayOf(input) ? Acceptable : Intermediate;
}

QString macroNameRule(const QString& text) {
    qsizetype at = 0;
    for (int count = 0; at < text.size() && count < kMacroNameLength; ++count)
        at += (text.at(at).isHighSurrogate() && at + 1 < text.size()) ? 2 : 1;
    return text.left(at);
}

int MacroEventModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(events_.size());
}

QVariant MacroEventModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    return eventRowText(events_[static_cast<std::size_t>(index.row())]);
}

void MacroEventModel::setEvents(std::vector<MacroEvent> events) {
    beginResetModel();
    events_ = std::move(events);
    endResetModel();
}

void MacroEventModel::append(const MacroEvent& event) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    events_.push_back(event);
    endInsertRows();
}

}  // namespace korvex
