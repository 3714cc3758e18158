#pragma once

// The events of a macro as the macro page edits them, and the rules of its
// text fields. Kept apart from the widgets so the list rules stand alone.

#include <QAbstractListModel>
#include <QString>
#include <QValidator>

#include <cstdint>
#include <optional>
#include <vector>

#include "store/Records.h"

namespace korvex {

namespace macroevent {
inline constexpr int kDelay = 1;
inline constexpr int kKeyDown = 2;
inline constexpr int kKeyUp = 3;
inline constexpr int kMouseDown = 4;
inline constexpr int kMouseUp = 5;
}  // namespace macroevent

// One row of RecordListDatas: "type", "value" and "text".
struct MacroEvent {
    int type = 0;
    std::int64_t value = 0;
    QString text;  // in the language current when the event was made
    bool operator==(const MacroEvent&) const = default;
};

// The row as the event list shows it.
QString eventRowText(const MacroEvent& event);

// Where inserted events go: the end with no selection (or an empty list),
// else before or after the selected event.
int insertPosition(int listSize, int selected, bool after);

// Removes the event at `index` and its partner: a key or button down takes
// the first matching up at or after it, an up the nearest matching down
// before it (by type alone). Out-of-range indices do nothing; false then.
bool deleteEventAt(std::vector<MacroEvent>& events, int index);

// Moves the event at `index` one place up (-1) or down (+1); false at the ends.
bool moveEvent(std::vector<MacroEvent>& events, int index, int step);

std::vector<RecordInfo> toRecords(std::int64_t macroId, const std::vector<MacroEvent>& events);
MacroEvent fromRecord(const RecordInfo& record);

// --- text field rules ------------------------------------------------------------
inline constexpr int kMaxDelayMs = 60000;
inline constexpr int kFieldDefaultMs = 10;
inline constexpr int kMacroNameLength = 30;

// A whole number of milliseconds: digits only (no sign, no blanks).
std::optional<std::int64_t> wholeNumber(const QString& text);
// A delay the user typed: whole milliseconds from 1 to kMaxDelayMs; nullopt
// for anything else (empty, 0, too large, not digits).
std::optional<std::int64_t> delayOf(const QString& text);

// Delay fields take digits only (any other key is refused, and the field's
// inputRejected says so); what they hold is taken only when delayOf()
// accepts it, never changed into another number.
class DelayValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};
// Macro names: the first 30 characters (whole characters, not halves).
QString macroNameRule(const QString& text);

// RecordListDatas behind the event list. Appends are announced row by row so
// a recording keeps up however long the macro gets.
class MacroEventModel : public QAbstractListModel {
  public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<MacroEvent>& events() const { return events_; }
    void setEvents(std::vector<MacroEvent> events);
    void append(const MacroEvent& event);

  private:
    std::vector<MacroEvent> events_;
};

}  // namespace korvex
