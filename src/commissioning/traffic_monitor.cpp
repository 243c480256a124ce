#include "commissioning/traffic_monitor.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace commissioning {

namespace {

constexpr int kRefreshMs = 250;

}  // namespace

// The list's rows are the log's entries as they stood at the last refresh.
class TrafficModel final : public QAbstractListModel {
  public:
    TrafficModel(const TrafficMonitor& monitor, QObject* parent)
        : QAbstractListModel(parent), monitor_(monitor) {}

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) {
            return {};
        }
        return monitor_.lineText(static_cast<std::size_t>(index.row()));
    }
    void reset(int rows) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
    }

  private:
    const TrafficMonitor& monitor_;
    int rows_ = 0;
};

TrafficMonitor::TrafficMonitor(TrafficLog& log, platform::Dialogs& dialogs,
                               platform::FileWriter& files, QWidget* parent)
    : QWidget(parent), log_(log), dialogs_(dialogs), files_(files) {
    setWindowFlag(Qt::Window);
    // A tool of the main window: closing the main window ends the program even while it is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("通讯监视"));
    model_ = new TrafficModel(*this, this);
    list = new QListView(this);
    list->setObjectName(QStringLiteral("trafficList"));
    list->setAccessibleName(windowTitle());
    list->setModel(model_);
    list->setUniformItemSizes(true);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);

    pauseButton = new QPushButton(QStringLiteral("暂停"), this);
    clearButton = new QPushButton(QStringLiteral("清除"), this);
    saveButton = new QPushButton(QStringLiteral("保存..."), this);
    summary = new QLabel(this);
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
    layout->addWidget(list);
    layout->addLayout(buttons);
    resize(900, 600);
}

TrafficMonitor::~TrafficMonitor() = default;

void TrafficMonitor::refresh() {
    const bool unchanged =
        log_.recorded() == shownRecorded_ && model_->rowCount({}) == static_cast<int>(log_.size());
    if (paused_ || unchanged) {
        return;
    }
    QScrollBar* bar = list->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum() - 2;
    const int value = bar->value();
    shownRecorded_ = log_.recorded();
    model_->reset(static_cast<int>(log_.size()));
    if (following) {
        list->scrollToBottom();
    } else {
        bar->setValue(value);
    }
    summary->setText(QStringLiteral("%1 行").arg(log_.size()));
}

void TrafficMonitor::togglePause() {
    paused_ = !paused_;
    pauseButton->setText(paused_ ? QStringLiteral("继续") : QStringLiteral("暂停"));
    refresh();
}

void TrafficMonitor::clearLog() {
    log_.clear();
    shownRecorded_ = log_.recorded();
    model_->reset(0);
    summary->setText(QStringLiteral("0 行"));
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
    const TrafficEntry& entry = log_.at(index);
    const QString time =
        QDateTime::fromMSecsSinceEpoch(entry.msecs).toString(QStringLiteral("HH:mm:ss.zzz"));
    const QString line = entry.line == Line::Main ? QStringLiteral("主  ") : QStringLiteral("参数");
    const QString direction = entry.sent ? QStringLiteral("→") : QStringLiteral("←");
    return QStringLiteral("%1  %2 %3  %4  %5")
        .arg(time, line, direction, QString::fromStdString(hexText(entry)).leftJustified(29),
             QString::fromStdString(verdictText(entry)));
}

int TrafficMonitor::shownLines() const {
    return model_->rowCount({});
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
