#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpacerItem>

#include <memory>

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

// A short message makes a narrow box, whose title bar then cuts its own title; the box is kept
// wide enough for the title and the window buttons beside it.
void keepTitleReadable(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) {
        return;
    }
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// The suffix of the first pattern of a file-dialog filter: "Excel 工作簿 (*.xlsx)" gives "xlsx";
// empty when the filter names no suffix.
QString suffixOfFilter(const QString& filter) {
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

// The message box of messageBox and showMessageBox.
QMessageBox* newMessageBox(const std::string& text) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, kMessageTitle, QString::fromStdString(text),
                                QMessageBox::Ok, dialogParent());
    box->button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box->setWindowModality(Qt::ApplicationModal);
    keepTitleReadable(*box);
    return box;
}

QFileDialog* newSaveDialog(const std::string& title, const std::string& suggested,
                           const std::string& filters) {
    auto* dialog =
        new QFileDialog(dialogParent(), QString::fromStdString(title),
                        QString::fromStdString(suggested), QString::fromStdString(filters));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setWindowModality(Qt::ApplicationModal);
    // A name typed without a suffix takes the suffix of the kind of file chosen.
    dialog->setDefaultSuffix(suffixOfFilter(dialog->selectedNameFilter()));
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(suffixOfFilter(filter));
    });
    return dialog;
}

std::string chosenPath(const QFileDialog& dialog, int result) {
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front().toStdString();
}

// Shows `dialog` modal to the whole application without waiting for it; `closed` runs with its
// result once the operator has closed it, and the dialog is deleted after.
void showUntilClosed(QDialog* dialog, std::function<void(int result)> closed) {
    QObject::connect(dialog, &QDialog::finished, dialog,
                     [dialog, closed = std::move(closed)](int result) {
                         dialog->deleteLater();
                         closed(result);
                     });
    dialog->show();
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
    const std::unique_ptr<QMessageBox> box(newMessageBox(text));
    box->exec();
}

std::string QtDialogs::saveFileName(const std::string& title, const std::string& suggested,
                                    const std::string& filters) {
    const std::unique_ptr<QFileDialog> dialog(newSaveDialog(title, suggested, filters));
    return chosenPath(*dialog, dialog->exec());
}

void QtDialogs::showMessageBox(const std::string& text) {
    showUntilClosed(newMessageBox(text), [](int) {});
}

void QtDialogs::openSaveFileName(const std::string& title, const std::string& suggested,
                                 const std::string& filters,
                                 std::function<void(const std::string&)> then) {
    QFileDialog* dialog = newSaveDialog(title, suggested, filters);
    showUntilClosed(dialog, [dialog, then = std::move(then)](int result) {
        then(chosenPath(*dialog, result));
    });
}

void QtDialogs::openYesNo(const std::string& text, std::function<void(bool)> then) {
    auto* box = new QMessageBox(QMessageBox::Question, kMessageTitle, QString::fromStdString(text),
                                QMessageBox::Yes | QMessageBox::No, dialogParent());
    box->button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box->button(QMessageBox::No)->setText(QStringLiteral("否"));
    box->setDefaultButton(QMessageBox::No);
    box->setWindowModality(Qt::ApplicationModal);
    keepTitleReadable(*box);
    showUntilClosed(box, [box, then = std::move(then)](int) {
        then(box->clickedButton() == box->button(QMessageBox::Yes));
    });
}

}  // namespace platform::qt
