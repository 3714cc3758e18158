#pragma once

// The pages' messages: sheets on the main window with texts of the language
// tables. Only one sheet of a page is open at a time; a new one replaces it.

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

namespace korvex {

class PageSheet {
  public:
    // A warning with one button; closing it does nothing else.
    void warn(QWidget* window, const QString& message, const QString& informative);
    // A message that reports success, with one button.
    void inform(QWidget* window, const QString& message, const QString& informative);
    // A question with the buttons `no` then `yes`; only `yes` runs `confirmed`.
    void confirm(QWidget* window, const QString& message, const QString& informative,
                 const QString& no, const QString& yes, std::function<void()> confirmed);
    // The sheet on show, if any.
    QMessageBox* sheet() const { return sheet_; }

  private:
    void notice(QWidget* window, QMessageBox::Icon icon, const QString& message,
                const QString& informative);
    QMessageBox* open(QWidget* window, QMessageBox::Icon icon, const QString& message,
                      const QString& informative);
    QPointer<QMessageBox> sheet_;
};

}  // namespace korvex
