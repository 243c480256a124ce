#pragma once

#include <QWidget>

#include <optional>
#include <string>

#include "parameters/parameter_set.h"
#include "platform/dialogs.h"
#include "platform/event_gate.h"
#include "platform/program_end.h"
#include "session/write_session.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace parameters {

// What the parameter window works with; every collaborator outlives the window.
struct ParameterWindowServices {
    session::WriteSession& session;  // the write this window shows
    platform::Dialogs& dialogs;
    platform::ProgramEnd& programEnd;
    platform::EventGate& gate;
};

// The parameter window "参数设置": shows the saved parameter set of one meter and the write
// session's state, and passes the operator's intents to the session: leaving a field, pressing a
// numeric field, "远程设置", "保存本次设置", "返回主菜单" and closing the window. Closing it hides
// it; it is opened again by Form_Load and show. Its handlers are entered only through the event
// gate.
class Form3 : public QWidget, private session::WriteSessionListener {
    Q_OBJECT

  public:
    explicit Form3(const ParameterWindowServices& services, QWidget* parent = nullptr);
    ~Form3() override;

    // The session opens the port polling released and starts afresh; on every opening.
    void Form_Load();
    // Shows the saved parameter set in the fields; runs each time the window is shown.
    void Form_Activate();
    void Command2_Click();  // "返回主菜单"
    void Command3_Click();  // "远程设置"
    void Command4_Click();  // "保存本次设置"
    void Form_Unload();     // closed by the operator
    // A field lost the focus to another control of this window.
    void Field_LostFocus(Param param);
    // A mouse button was pressed on a numeric field.
    void Text_MouseDown(Param param);

    [[nodiscard]] QString fieldText(Param param) const;
    void setFieldText(Param param, const QString& text);
    [[nodiscard]] QWidget* field(Param param) const;

    QLabel* Label1 = nullptr;
    QLabel* Label24 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QComboBox* Combo4 = nullptr;
    QComboBox* Combo5 = nullptr;
    QComboBox* Combo6 = nullptr;
    QComboBox* Combo7 = nullptr;
    QComboBox* Combo8 = nullptr;
    QComboBox* Combo9 = nullptr;
    QComboBox* Combo10 = nullptr;
    QComboBox* Combo11 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLineEdit* Text8 = nullptr;
    QLineEdit* Text9 = nullptr;
    QLineEdit* Text10 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    // How far the write has come, and the seconds the meter still waits for it.
    QLabel* progressLabel = nullptr;
    QLabel* secondsLeftLabel = nullptr;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // What the session shows and asks.
    ParameterTexts fieldTexts() const override;
    void showFieldText(Param param, const std::string& text) override;
    void showStation(const std::string& text) override;
    void showMessage(const std::string& text) override;
    std::string askPassword(const std::string& prompt, const std::string& title,
                            const std::string& defaultAnswer) override;
    void setWriteEnabled(bool enabled) override;
    void showWriteHint(const std::string& text) override;
    void showProgress(const std::string& text) override;
    void showSecondsLeft(const std::string& text) override;
    void leave() override;

    void buildControls();
    void wireEvents();
    void onFocusChanged(QWidget* old, QWidget* now);
    [[nodiscard]] std::optional<Param> fieldContaining(const QWidget* widget) const;
    void showTexts(const ParameterTexts& texts);

    ParameterWindowServices services_;
    QMetaObject::Connection focusWatch_;
};

}  // namespace parameters
