#pragma once

#include <QString>
#include <QTranslator>

class QCoreApplication;

namespace platform::qt {

// Qt's own texts (file dialogs, standard buttons, context menus of text fields) in Chinese, the
// language of the program's captions, whatever the desktop's language. The catalogue is Qt's
// own, from the directory in which this Qt installation keeps its translations; it is installed
// on the application while this object lives (a translator leaves the application as it is
// destroyed).
class QtChineseTexts final {
  public:
    explicit QtChineseTexts(QCoreApplication& app, const QString& directory = qtDirectory());

    // False where the catalogue is missing or unreadable: Qt's texts then stay in English.
    [[nodiscard]] bool installed() const { return installed_; }

    // The directory of Qt's translations, and the catalogue's file name in it.
    static QString qtDirectory();
    static QString catalogueFile();

  private:
    QTranslator translator_;
    bool installed_ = false;
};

}  // namespace platform::qt
