#include "parameters/form3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace parameters {

Form3::Form3(const ParameterWindowServices& services, QWidget* parent)
    : QWidget(parent), services_(services) {
    buildControls();
    wireEvents();
    services_.session.setListener(this);
}

Form3::~Form3() {
    // QWidget's own destructor still moves the focus; nothing of this window may run then.
    disconnect(focusWatch_);
    services_.session.setListener(nullptr);
}

void Form3::wireEvents() {
    platform::EventGate& gate = services_.gate;
    const std::pair<QPushButton*, void (Form3::*)()> buttons[] = {
        {Command2, &Form3::Command2_Click},
        {Command3, &Form3::Command3_Click},
        {Command4, &Form3::Command4_Click},
    };
    for (const auto& [button, handler] : buttons) {
        connect(button, &QPushButton::clicked, this, [this, &gate, handler = handler] {
            gate.run([this, handler] { (this->*handler)(); });
        });
    }
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, &Form3::onFocusChanged);
    for (const Param param : allParams()) {
        if (!isSelection(param)) {
            field(param)->installEventFilter(this);
        }
    }
}

void Form3::Form_Load() {
    services_.session.load();
}

void Form3::Form_Activate() {
    showTexts(services_.session.savedTexts());
}

void Form3::Command2_Click() {
    services_.session.returnToMainMenu();
}

void Form3::Command3_Click() {
    services_.session.startWrite();
}

void Form3::Command4_Click() {
    services_.session.save();
}

void Form3::Form_Unload() {
    services_.session.close();
}

void Form3::Field_LostFocus(Param param) {
    services_.session.fieldLeft(param, fieldText(param).toStdString());
}

void Form3::Text_MouseDown(Param param) {
    services_.session.numericFieldPressed(param);
}

ParameterTexts Form3::fieldTexts() const {
    ParameterTexts texts;
    for (const Param param : allParams()) {
        texts[indexOf(param)] = fieldText(param).toStdString();
    }
    return texts;
}

void Form3::showFieldText(Param param, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (fieldText(param) != shown) {
        setFieldText(param, shown);
    }
}

void Form3::showStation(const std::string& text) {
    Label24->setText(QString::fromStdString(text));
}

void Form3::showMessage(const std::string& text) {
    services_.dialogs.messageBox(text);
}

std::string Form3::askPassword(const std::string& prompt, const std::string& title,
                               const std::string& defaultAnswer) {
    return services_.dialogs.passwordBox(prompt, title, defaultAnswer);
}

void Form3::setWriteEnabled(bool enabled) {
    Command3->setEnabled(enabled);
}

void Form3::showWriteHint(const std::string& text) {
    Command3->setToolTip(QString::fromStdString(text));
}

void Form3::showProgress(const std::string& text) {
    progressLabel->setText(QString::fromStdString(text));
}

void Form3::showSecondsLeft(const std::string& text) {
    secondsLeftLabel->setText(QString::fromStdString(text));
}

void Form3::leave() {
    hide();
}

void Form3::onFocusChanged(QWidget* old, QWidget* now) {
    // Only a move to another control of this window is leaving a field: a message box, the
    // password box, a combo's own list or another window taking the focus is not.
    if (!services_.session.isOpen() || old == nullptr || now == nullptr || now->window() != this) {
        return;
    }
    const std::optional<Param> left = fieldContaining(old);
    if (!left || fieldContaining(now) == left) {
        return;
    }
    services_.gate.run([this, param = *left] { Field_LostFocus(param); });
}

std::optional<Param> Form3::fieldContaining(const QWidget* widget) const {
    for (const Param param : allParams()) {
        QWidget* control = field(param);
        if (widget == control || control->isAncestorOf(widget)) {
            return param;
        }
    }
    return std::nullopt;
}

bool Form3::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (const Param param : allParams()) {
            if (watched == field(param)) {
                services_.gate.run([this, param] { Text_MouseDown(param); });
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Form3::event(QEvent* event) {
    if (event->type() == QEvent::Show) {
        // Each opening shows the saved set. Deferred, so that a showing during another handler
        // fills the fields after it. The window getting the focus back from a message box, the
        // password box or another program is not an opening and keeps the operator's edits.
        services_.gate.runDeferred(this, [this] { Form_Activate(); });
    }
    return QWidget::event(event);
}

void Form3::closeEvent(QCloseEvent* event) {
    event->accept();
    if (services_.programEnd.hasEnded()) {
        // The program is ending: the port is released, nothing hands back.
        services_.session.programEnding();
        return;
    }
    if (!services_.session.isOpen()) {
        return;
    }
    if (services_.gate.busy()) {
        Form_Unload();
    } else {
        services_.gate.run([this] { Form_Unload(); });
    }
}

void Form3::showTexts(const ParameterTexts& texts) {
    for (const Param param : allParams()) {
        const QString text = QString::fromStdString(texts[indexOf(param)]);
        if (fieldText(param) != text) {
            setFieldText(param, text);
        }
    }
}

QString Form3::fieldText(Param param) const {
    QWidget* control = field(param);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        return combo->currentText();
    }
    return static_cast<QLineEdit*>(control)->text();
}

void Form3::setFieldText(Param param, const QString& text) {
    QWidget* control = field(param);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setEditText(text);
    } else {
        static_cast<QLineEdit*>(control)->setText(text);
    }
}

QWidget* Form3::field(Param param) const {
    switch (param) {
        case Param::Diameter:
            return Combo8;
        case Param::TotalizerUnit:
            return Combo2;
        case Param::RangeValue:
            return Text2;
        case Param::RangeUnit:
            return Combo3;
        case Param::RangeExponent:
            return Combo11;
        case Param::Damping:
            return Combo10;
        case Param::OutputMode:
            return Combo7;
        case Param::PulseEquivalent:
            return Combo9;
        case Param::FrequencyRange:
            return Text4;
        case Param::FlowDirection:
            return Combo1;
        case Param::CutoffEnable:
            return Combo4;
        case Param::CutoffValue:
            return Text5;
        case Param::UpperAlarmEnable:
            return Combo5;
        case Param::UpperAlarmValue:
            return Text7;
        case Param::LowerAlarmEnable:
            return Combo6;
        case Param::LowerAlarmValue:
            return Text8;
        case Param::SensorCoefficient:
            return Text10;
        case Param::ZeroCorrection:
            return Text9;
        case Param::FlowMultiplier:
            return Text1;
    }
    return nullptr;
}

}  // namespace parameters
