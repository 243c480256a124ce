#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace platform::qt {

namespace {

const QString kMessageTitle = QStringLiteral("TuskoCP");

QWidget* dialogParent() { return QApplication::activeWindow(); }

}  // namespace

std::string QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer) {
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextValue(QString::fromStdString(defaultAnswer));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.textValue().toStdString();
}

void QtDialogs::messageBox(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, kMessageTitle, QString::fromStdString(text),
                    QMessageBox::Ok, dialogParent());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool QtDialogs::askYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, kMessageTitle, QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, dialogParent());
    box.setDefaultButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace platform::qt
