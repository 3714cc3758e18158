#include "ui/keys/PageSheets.h"

#include <QPushButton>

#include "i18n/Language.h"

namespace korvex {

namespace {
constexpr int kTextOk = 973;
}  // namespace

QMessageBox* PageSheet::open(QWidget* window, QMessageBox::Icon icon, const QString& message,
                             const QString& informative) {
    if (sheet_) sheet_->close();
    auto* box = new QMessageBox(icon, message, message, QMessageBox::NoButton, window);
    box->setObjectName(QStringLiteral("sheet"));
    box->setInformativeText(informative);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    sheet_ = box;
    return box;
}

void PageSheet::notice(QWidget* window, QMessageBox::Icon icon, const QString& message,
                       const QString& informative) {
    QMessageBox* box = open(window, icon, message, informative);
    // Qt's own "OK" would stay English in every language.
    const std::string_view ok = text(kTextOk);
    box->addButton(QString::fromUtf8(ok.data(), static_cast<qsizetype>(ok.size())),
                   QMessageBox::AcceptRole);
    box->open();
}

void PageSheet::warn(QWidget* window, const QString& message, const QString& informative) {
    notice(window, QMessageBox::Warning, message, informative);
}

void PageSheet::inform(QWidget* window, const QString& message, const QString& informative) {
    notice(window, QMessageBox::Information, message, informative);
}

void PageSheet::confirm(QWidget* window, const QString& message, const QString& informative,
                        const QString& no, const QString& yes, std::function<void()> confirmed) {
    QMessageBox* box = open(window, QMessageBox::Question, message, informative);
    QPushButton* noButton = box->addButton(no, QMessageBox::RejectRole);
    QPushButton* yesButton = box->addButton(yes, QMessageBox::AcceptRole);
    noButton->setObjectName(QStringLiteral("sheet_no"));
    yesButton->setObjectName(QStringLiteral("sheet_yes"));
    box->setDefaultButton(noButton);
    QObject::connect(yesButton, &QPushButton::clicked, box,
                     [confirmed = std::move(confirmed)] { confirmed(); });
    box->open();
}

}  // namespace korvex
