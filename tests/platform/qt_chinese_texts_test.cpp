// Qt's own texts in Chinese: the standard buttons and the file dialog while the catalogue is
// installed, English again once it is removed, and English where the catalogue is missing or
// unreadable.
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "platform/qt/qt_chinese_texts.h"

namespace {

using platform::qt::QtChineseTexts;

bool qtCatalogueInstalled() {
    return QFile::exists(
        QDir(QtChineseTexts::qtDirectory()).filePath(QtChineseTexts::catalogueFile()));
}

QString buttonText(QDialogButtonBox::StandardButton which) {
    const QDialogButtonBox box(which);
    return box.button(which)->text();
}

// Qt's own file dialog (not the desktop's), as the program's save dialog is where the desktop
// offers none.
QString saveDialogLabel(QFileDialog::DialogLabel label) {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    return dialog.labelText(label);
}

struct QtText {
    const char* what;
    std::function<QString()> shown;
    const char* chinese;
    const char* english;
};

const QtText kTexts[] = {
    {"Cancel button", [] { return buttonText(QDialogButtonBox::Cancel); }, "取消", "Cancel"},
    {"Save button", [] { return buttonText(QDialogButtonBox::Save); }, "保存", "Save"},
    {"Open button", [] { return buttonText(QDialogButtonBox::Open); }, "打开", "Open"},
    {"Close button", [] { return buttonText(QDialogButtonBox::Close); }, "关闭", "Close"},
    {"file dialog's look-in label", [] { return saveDialogLabel(QFileDialog::LookIn); },
     "查找范围：", "Look in:"},
    {"file dialog's file-name label", [] { return saveDialogLabel(QFileDialog::FileName); },
     "文件名称(&N)：", "File &name:"},
    {"file dialog's file-type label", [] { return saveDialogLabel(QFileDialog::FileType); },
     "文件类型：", "Files of type:"},
    {"file dialog's accept button", [] { return saveDialogLabel(QFileDialog::Accept); }, "保存(&S)",
     "&Save"},
};

TEST(QtChineseTexts, QtTextsAreChineseWhileInstalledAndEnglishAfter) {
    if (!qtCatalogueInstalled()) {
        GTEST_SKIP() << "Qt's Chinese catalogue is not installed (Debian: qt6-translations-l10n)";
    }
    std::optional<QtChineseTexts> texts;
    texts.emplace(*QCoreApplication::instance());
    ASSERT_TRUE(texts->installed());
    for (const QtText& text : kTexts) {
        EXPECT_EQ(text.shown().toStdString(), text.chinese) << text.what;
    }
    texts.reset();
    for (const QtText& text : kTexts) {
        EXPECT_EQ(text.shown().toStdString(), text.english) << text.what << " after removal";
    }
}

struct BrokenCatalogue {
    const char* what;
    // Written into the directory as the catalogue's file; none at all when null.
    const char* content;
};

void PrintTo(const BrokenCatalogue& catalogue, std::ostream* out) {
    *out << catalogue.what;
}

class QtChineseTextsUnavailable : public ::testing::TestWithParam<BrokenCatalogue> {};

TEST_P(QtChineseTextsUnavailable, ReportsNotInstalledAndQtStaysEnglish) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    if (GetParam().content != nullptr) {
        QFile file(QDir(directory.path()).filePath(QtChineseTexts::catalogueFile()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().content);
    }
    const QtChineseTexts texts(*QCoreApplication::instance(), directory.path());
    EXPECT_FALSE(texts.installed());
    EXPECT_EQ(buttonText(QDialogButtonBox::Cancel).toStdString(), "Cancel");
}

INSTANTIATE_TEST_SUITE_P(
    Catalogues, QtChineseTextsUnavailable,
    ::testing::Values(BrokenCatalogue{"missing", nullptr}, BrokenCatalogue{"empty", ""},
                      BrokenCatalogue{"not a catalogue", "qtbase zh_CN, but as plain text\n"}),
    [](const ::testing::TestParamInfo<BrokenCatalogue>& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            if (c == ' ' || c == '-') {
                c = '_';
            }
        }
        return name;
    });

}  // namespace
