#include "qt_chinese_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace platform::qt {

QtChineseTexts::QtChineseTexts(QCoreApplication& app, const QString& directory) {
    installed_ =
        translator_.load(catalogueFile(), directory) && app.installTranslator(&translator_);
}

QString QtChineseTexts::qtDirectory() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QString QtChineseTexts::catalogueFile() {
    return QStringLiteral("qtbase_zh_CN.qm");
}

}  // namespace platform::qt
