#include "commissioning/station_overview.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "commissioning/overview_cells.h"
#include "window_size.h"

namespace commissioning {

// The overview's table, measuring a cell as it measures a column for its contents.
class OverviewTable final : public QTableView {
  public:
    explicit OverviewTable(QWidget* parent) : QTableView(parent), cells(new OverviewCells(this)) {
        setItemDelegate(cells);
    }

    [[nodiscard]] int widthFor(const QModelIndex& index) const {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        return cells->widthFor(option, index) + (showGrid() ? 1 : 0);
    }

    OverviewCells* cells;

  protected:
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
            cells->forget();
        }
        QTableView::changeEvent(event);
    }
};

namespace {

// Ages are shown in whole seconds.
constexpr int kRefreshMs = 1000;

QString secondsText(std::int64_t msecs) {
    return QString::number(static_cast<double>(msecs) / 1000.0, 'f', msecs < 10000 ? 1 : 0);
}

}  // namespace

StationOverview::StationOverview(const session::PollingSession& session, platform::Clock& clock,
                                 std::function<std::string()> gatewayState, QWidget* parent)
    : QWidget(parent), session_(session), clock_(clock), gatewayState_(std::move(gatewayState)) {
    setWindowFlag(Qt::Window);
    // A tool of the main window: closing the main window ends the program even while it is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("站点总览"));
    model_ = new OverviewModel(this);
    table_ = new OverviewTable(this);
    table = table_;
    table->setObjectName(QStringLiteral("overviewTable"));
    table->setAccessibleName(windowTitle());
    table->setModel(model_);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    // The user may drag a column wider or narrower; the refresh only widens what has grown.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("overviewSummary"));
    footer = new QHBoxLayout;
    footer->addWidget(summary);
    footer->addStretch();
    if (gatewayState_) {
        gatewayLine = new QLabel(this);
        gatewayLine->setObjectName(QStringLiteral("gatewayLine"));
        footer->addWidget(gatewayLine);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table);
    layout->addLayout(footer);

    connect(&refreshTimer_, &QTimer::timeout, this, &StationOverview::refresh);
    refreshTimer_.setInterval(kRefreshMs);
    // The headings set the first widths; the first refresh widens them to every text there is,
    // later ones to the texts that changed.
    table->resizeColumnsToContents();
    refresh();
    fitScreen();
}

void StationOverview::refresh() {
    const std::int64_t now = clock_.msecsSinceEpoch();
    const std::int64_t round = session_.roundMsecs();
    std::vector<OverviewRow> rows;
    rows.reserve(measurement::StationMemory::kStations);
    for (std::uint8_t station = 1; station <= measurement::StationMemory::kStations; ++station) {
        const measurement::StationState& state = *session_.stations().find(station);
        rows.push_back(overviewRow(
            station, state, measurement::stationCondition(state, session_.pollsStation(station)),
            measurement::replyAgeMsecs(state, now), round));
    }
    widenColumns(model_->update(std::move(rows)));
    const QString text = summaryText();
    if (summary->text() != text) {
        summary->setText(text);
    }
    if (gatewayLine != nullptr) {
        const QString state = QString::fromStdString(gatewayState_());
        if (gatewayLine->text() != state) {
            gatewayLine->setText(state);
        }
    }
}

void StationOverview::widenColumns(const std::vector<std::pair<int, int>>& cells) {
    std::array<int, OverviewColumnCount> wanted{};
    for (const auto& [row, column] : cells) {
        int& width = wanted[static_cast<std::size_t>(column)];
        width = std::max(width, table_->widthFor(model_->index(row, column)));
    }
    QHeaderView* header = table->horizontalHeader();
    for (int column = 0; column < OverviewColumnCount; ++column) {
        if (wanted[static_cast<std::size_t>(column)] > header->sectionSize(column)) {
            header->resizeSection(column, wanted[static_cast<std::size_t>(column)]);
        }
    }
}

void StationOverview::fitScreen() {
    const QMargins margins = layout()->contentsMargins();
    const int frame = 2 * table->frameWidth();
    const int width = table->horizontalHeader()->length() + frame +
                      table->verticalScrollBar()->sizeHint().width() + margins.left() +
                      margins.right();
    const int height = table->horizontalHeader()->sizeHint().height() +
                       model_->rowCount({}) * table->verticalHeader()->defaultSectionSize() +
                       frame + table->horizontalScrollBar()->sizeHint().height() +
                       layout()->spacing() + summary->sizeHint().height() + margins.top() +
                       margins.bottom();
    resize(withinScreen(*this, QSize(width, height)));
}

QString StationOverview::summaryText() const {
    switch (session_.state()) {
        case session::SessionState::HandedOver:
            return QStringLiteral("端口在参数设置中，未轮询");
        case session::SessionState::Stopped:
            return QStringLiteral("未轮询");
        case session::SessionState::Polling:
            break;
    }
    const QString round = secondsText(session_.roundMsecs());
    const QString polled = session_.mode() == session::PollingMode::AllStations
                               ? QStringLiteral("多机通讯：16 站")
                               : QStringLiteral("单机通讯：站 %1").arg(session_.singleStation());
    return QStringLiteral("%1，一轮约 %2 秒；灰色数值早于一轮").arg(polled, round);
}

const OverviewCells& StationOverview::cells() const {
    return *table_->cells;
}

QString StationOverview::cellText(int row, int column) const {
    return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
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
