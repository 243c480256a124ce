#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace platform::qt {

namespace {

const QString kMessageTitle = QStringLiteral("TuskoCP");

QWidget* dialogParent() {
    return QApplication::activeWindow();
}

std::string askForText(const std::string& prompt, const std::string& title,
                       const std::string& defaultAnswer, QLineEdit::EchoMode echo) {
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextEchoMode(echo);
    dialog.setTextValue(QString::fromStdString(defaultAnswer));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.textValue().toStdString();
}

}  // namespace

std::string QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer) {
    return askForText(prompt, title, defaultAnswer, QLineEdit::Normal);
}

std::string QtDialogs::passwordBox(const std::string& prompt, const std::string& title,
                                   const std::string& defaultAnswer) {
    return askForText(prompt, title, defaultAnswer, QLineEdit::Password);
}

void QtDialogs::messageBox(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, kMessageTitle, QString::fromStdString(text),
                    QMessageBox::Ok, dialogParent());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool QtDialogs::askYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, kMessageTitle, QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, dialogParent());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.setDefaultButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace platform::qt
