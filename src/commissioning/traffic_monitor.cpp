#include "commissioning/traffic_monitor.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "commissioning/traffic_lines.h"
#include "window_size.h"

namespace commissioning {

namespace {

constexpr int kRefreshMs = 250;

}  // namespace

TrafficMonitor::TrafficMonitor(TrafficLog& log, platform::Dialogs& dialogs,
                               platform::FileWriter& files, QWidget* parent)
    : QWidget(parent), log_(log), dialogs_(dialogs), files_(files) {
    setWindowFlag(Qt::Window);
    // A tool of the main window: closing the main window ends the program even while it is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("通讯监视"));
    lines = new TrafficLines(
        log_, [](const TrafficEntry& entry) { return entryText(entry); }, this);
    lines->setObjectName(QStringLiteral("trafficList"));
    lines->setAccessibleName(windowTitle());

    pauseButton = new QPushButton(QStringLiteral("暂停"), this);
    clearButton = new QPushButton(QStringLiteral("清除"), this);
    saveButton = new QPushButton(QStringLiteral("保存..."), this);
    summary = new QLabel(this);
    // As wide as the longest count, so that a new count asks the window for no new layout.
    summary->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QString longest = QStringLiteral("%1 行").arg(TrafficLog::kCapacity);
    summary->setFixedSize(summary->fontMetrics().horizontalAdvance(longest) + 8,
                          summary->fontMetrics().height() + 4);
    connect(pauseButton, &QPushButton::clicked, this, &TrafficMonitor::togglePause);
    connect(clearButton, &QPushButton::clicked, this, &TrafficMonitor::clearLog);
    connect(saveButton, &QPushButton::clicked, this, &TrafficMonitor::save);
    connect(&refreshTimer_, &QTimer::timeout, this, &TrafficMonitor::refresh);
    refreshTimer_.setInterval(kRefreshMs);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pauseButton);
    buttons->addWidget(clearButton);
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(summary);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lines);
    layout->addLayout(buttons);
    resize(withinScreen(*this, QSize(900, 600)));
}

void TrafficMonitor::refresh() {
    if (paused_) {
        return;
    }
    lines->catchUp();
    showCount();
}

void TrafficMonitor::showCount() {
    const QString text = QStringLiteral("%1 行").arg(lines->lineCount());
    if (summary->text() != text) {
        summary->setText(text);
    }
}

void TrafficMonitor::togglePause() {
    paused_ = !paused_;
    pauseButton->setText(paused_ ? QStringLiteral("继续") : QStringLiteral("暂停"));
    refresh();
}

void TrafficMonitor::clearLog() {
    log_.clear();
    lines->clear();
    showCount();
}

void TrafficMonitor::save() {
    const std::string path = dialogs_.saveFileName("保存通讯记录", "traffic.txt", "");
    if (path.empty()) {
        return;
    }
    std::string text;
    for (std::size_t i = 0; i < log_.size(); ++i) {
        text += lineText(i).toStdString();
        text += '\n';
    }
    if (!files_.writeText(path, text)) {
        dialogs_.messageBox("无法保存文件：" + path);
    }
}

QString TrafficMonitor::lineText(std::size_t index) const {
    return entryText(log_.at(index));
}

QString TrafficMonitor::entryText(const TrafficEntry& entry) {
    const QString time =
        QDateTime::fromMSecsSinceEpoch(entry.msecs).toString(QStringLiteral("HH:mm:ss.zzz"));
    const QString line = entry.line == Line::Main ? QStringLiteral("主  ") : QStringLiteral("参数");
    const QString direction = entry.sent ? QStringLiteral("→") : QStringLiteral("←");
    return QStringLiteral("%1  %2 %3  %4  %5")
        .arg(time, line, direction, QString::fromStdString(hexText(entry)).leftJustified(29),
             QString::fromStdString(verdictText(entry)));
}

int TrafficMonitor::shownLines() const {
    return lines->lineCount();
}

void TrafficMonitor::showEvent(QShowEvent* event) {
    refresh();
    refreshTimer_.start();
    QWidget::showEvent(event);
}

void TrafficMonitor::hideEvent(QHideEvent* event) {
    refreshTimer_.stop();
    QWidget::hideEvent(event);
}

}  // namespace commissioning
