#pragma once

#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>

#include "commissioning/traffic_log.h"
#include "parameters/main_window_link.h"
#include "parameters/parameter_set.h"
#include "parameters/write_exchange.h"
#include "platform/dialogs.h"
#include "platform/event_gate.h"
#include "platform/program_end.h"
#include "platform/serial_port.h"
#include "platform/timer.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace parameters {

// What the parameter window works with; every collaborator outlives the window.
struct ParameterWindowServices {
    platform::SerialPort& port;  // the window's own port
    platform::Timer& timer;      // the window's own timer
    platform::Dialogs& dialogs;
    platform::ProgramEnd& programEnd;
    platform::EventGate& gate;
    SavedParameters& saved;  // outlives every opening of the window
    MainWindowLink& mainWindow;
    commissioning::TrafficLog& traffic;  // every frame and reply, for the monitor
};

// The parameter window "参数设置": shows the saved parameter set of one meter, checks every field
// when the operator leaves it, writes the set to the meter ("远程设置") and saves it
// ("保存本次设置"). Closing it hides it; it is opened again by Form_Load and show. Its handlers are
// entered only through the event gate.
class Form3 : public QWidget {
    Q_OBJECT

  public:
    explicit Form3(const ParameterWindowServices& services, QWidget* parent = nullptr);
    ~Form3() override;

    // Opens the window's port, loads the defaults when nothing was written or saved yet, starts
    // the timer and resets the exchange. Runs on every opening and at the start of every write.
    void Form_Load();
    // Shows the saved parameter set in the fields; runs each time the window is shown.
    void Form_Activate();
    void Timer1_Timer();
    void MSComm1_OnComm(int eventCode);
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
    [[nodiscard]] const WriteExchange& exchange() const { return exchange_; }
    [[nodiscard]] bool isOpen() const { return open_; }

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

    // True when the decimal field checked last was accepted.
    bool Field_Valid = true;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void wireEvents();
    void onFocusChanged(QWidget* old, QWidget* now);
    [[nodiscard]] std::optional<Param> fieldContaining(const QWidget* widget) const;
    [[nodiscard]] ParameterTexts fieldTexts() const;
    void showTexts(const ParameterTexts& texts);
    void sendStep();
    void sendFrame(const Frame& frame);
    void handBack();

    platform::SerialPort& MSComm1;
    platform::Timer& Timer1;
    ParameterWindowServices services_;
    WriteExchange exchange_;
    bool open_ = false;         // loaded and not left: ticks and port events act
    std::string lineSettings_;  // as last given to the port; the pauses last a character at it
    QMetaObject::Connection focusWatch_;
};

}  // namespace parameters
