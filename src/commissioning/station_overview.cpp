#include "commissioning/station_overview.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>
#include <utility>

namespace commissioning {

namespace {

constexpr int kRefreshMs = 500;

const std::array<const char*, StationOverview::ColumnCount> kHeadings = {
    "站号",     "瞬时流量", "流速",         "百分比", "正向累积", "反向累积",
    "口径(mm)", "报警状态", "最后有效应答", "请求",   "有效",     "站号不符",
    "命令不符", "结束符错", "校验错",       "无应答", "状态"};

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

}  // namespace

StationOverview::StationOverview(const measurement::StationMemory& memory,
                                 std::function<std::string()> gatewayState, QWidget* parent)
    : QWidget(parent), memory_(memory), gatewayState_(std::move(gatewayState)) {
    setWindowFlag(Qt::Window);
    // A tool of the main window: closing the main window ends the program even while it is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("站点总览"));
    table = new QTableWidget(static_cast<int>(measurement::StationMemory::kStations), ColumnCount,
                             this);
    table->setObjectName(QStringLiteral("overviewTable"));
    table->setAccessibleName(windowTitle());
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->setWordWrap(false);
    // Columns as wide as their texts; the table is small enough to measure at every refresh.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < ColumnCount; ++column) {
        table->setHorizontalHeaderItem(column,
                                       new QTableWidgetItem(QString::fromUtf8(kHeadings[column])));
        for (int row = 0; row < table->rowCount(); ++row) {
            auto* cell = new QTableWidgetItem;
            const Qt::Alignment side =
                column >= Requests || column == Station ? Qt::AlignRight : Qt::AlignLeft;
            cell->setTextAlignment(side | Qt::AlignVCenter);
            table->setItem(row, column, cell);
        }
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table);
    if (gatewayState_) {
        gatewayLine = new QLabel(this);
        gatewayLine->setObjectName(QStringLiteral("gatewayLine"));
        layout->addWidget(gatewayLine);
    }
    connect(&refreshTimer_, &QTimer::timeout, this, &StationOverview::refresh);
    refreshTimer_.setInterval(kRefreshMs);
    refresh();
    resize(1240, 600);
}

void StationOverview::refresh() {
    if (gatewayLine != nullptr) {
        const QString state = text(gatewayState_());
        if (gatewayLine->text() != state) {
            gatewayLine->setText(state);
        }
    }
    for (std::size_t i = 0; i < measurement::StationMemory::kStations; ++i) {
        const measurement::StationState& station = memory_.stations[i];
        const measurement::DisplayTexts& shown = station.texts;
        const measurement::StationCounters& counters = station.counters;
        const QString texts[ColumnCount] = {
            QString::number(i + 1),
            text(shown.flow + shown.flowUnit),
            text(shown.velocity),
            text(shown.percent),
            text(shown.forwardTotal + shown.forwardUnit),
            text(shown.reverseTotal + shown.reverseUnit),
            text(shown.diameter),
            text(station.alarmText),
            text(station.lastReplyTime),
            QString::number(counters.requests),
            QString::number(counters.validReplies),
            QString::number(counters.rejected[0]),
            QString::number(counters.rejected[1]),
            QString::number(counters.rejected[2]),
            QString::number(counters.rejected[3]),
            QString::number(counters.unanswered),
            counters.silent()           ? QStringLiteral("无应答")
            : counters.validReplies > 0 ? QStringLiteral("在线")
            : counters.requests > 0     ? QStringLiteral("未收到有效应答")
                                        : QString(),
        };
        const int row = static_cast<int>(i);
        for (int column = 0; column < ColumnCount; ++column) {
            QTableWidgetItem* cell = table->item(row, column);
            if (cell->text() != texts[column]) {
                cell->setText(texts[column]);
            }
        }
        table->item(row, State)
            ->setForeground(counters.silent() ? QColor(Qt::red) : palette().text().color());
    }
}

QString StationOverview::cellText(int row, int column) const {
    return table->item(row, column)->text();
}

void StationOverview::showEvent(QShowEvent* event) {
    refresh();
    refreshTimer_.start();
    QWidget::showEvent(event);
}

void StationOverview::hideEvent(QHideEvent* event) {
    refreshTimer_.stop();
    QWidget::hideEvent(event);
}

}  // namespace commissioning
