#include "commissioning/overview_model.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

namespace commissioning {

namespace {

using measurement::StationCondition;

const std::array<const char*, OverviewColumnCount> kHeadings = {
    "站号",       "状态",       "最后有效\n应答", "瞬时流量", "流速",  "百分比",
    "正向累积",   "反向累积",   "口径\n(mm)",     "报警状态", "请求",  "有效",
    "站号\n不符", "命令\n不符", "结束符\n错",     "校验\n错", "无应答"};

// How a cell is coloured: as any text, grey (outdated or not polled) or red (silent).
enum class Shade { Plain, Grey, Red };

Shade shadeOf(const OverviewRow& row, int column) {
    if (column == State) {
        switch (row.condition) {
            case StationCondition::Answering:
                return Shade::Plain;
            case StationCondition::Silent:
                return Shade::Red;
            case StationCondition::NotPolled:
                return Shade::Grey;
        }
    }
    const bool value = column >= LastReply && column <= Alarm;
    return value && row.outdated ? Shade::Grey : Shade::Plain;
}

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

QString conditionText(const measurement::StationState& state, StationCondition condition) {
    switch (condition) {
        case StationCondition::Answering:
            return QStringLiteral("在线");
        case StationCondition::Silent:
            // Replies that came were all refused by their checks.
            return state.counters.silent() ? QStringLiteral("无应答")
                                           : QStringLiteral("无有效应答");
        case StationCondition::NotPolled:
            break;
    }
    return QStringLiteral("未轮询");
}

}  // namespace

QString ageText(std::int64_t msecs) {
    const std::int64_t seconds = msecs / 1000;
    if (seconds < 60) {
        return QStringLiteral("%1 秒前").arg(seconds);
    }
    if (seconds < 3600) {
        return QStringLiteral("%1 分钟前").arg(seconds / 60);
    }
    if (seconds < 86400) {
        return QStringLiteral("%1 小时前").arg(seconds / 3600);
    }
    return QStringLiteral("%1 天前").arg(seconds / 86400);
}

OverviewRow overviewRow(int station, const measurement::StationState& state,
                        StationCondition condition, std::optional<std::int64_t> ageMsecs,
                        std::int64_t roundMsecs) {
    const measurement::DisplayTexts& shown = state.texts;
    const measurement::StationCounters& counters = state.counters;
    OverviewRow row;
    row.texts = {
        QString::number(station),
        conditionText(state, condition),
        ageMsecs ? ageText(*ageMsecs) : QString(),
        text(shown.flow + shown.flowUnit),
        text(shown.velocity),
        text(shown.percent),
        text(shown.forwardTotal + shown.forwardUnit),
        text(shown.reverseTotal + shown.reverseUnit),
        text(shown.diameter),
        text(state.alarmText),
        QString::number(counters.requests),
        QString::number(counters.validReplies),
        QString::number(counters.rejected[0]),
        QString::number(counters.rejected[1]),
        QString::number(counters.rejected[2]),
        QString::number(counters.rejected[3]),
        QString::number(counters.unanswered),
    };
    row.replyTime = text(state.lastReplyTime);
    row.condition = condition;
    row.outdated = !ageMsecs || *ageMsecs > roundMsecs;
    return row;
}

int OverviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int OverviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : OverviewColumnCount;
}

QVariant OverviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount({}) || index.column() >= OverviewColumnCount) {
        return {};
    }
    const OverviewRow& row = rows_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return row.texts[static_cast<std::size_t>(column)];
        case Qt::ToolTipRole:
            return column == LastReply && !row.replyTime.isEmpty() ? row.replyTime : QVariant();
        case Qt::TextAlignmentRole: {
            const bool number = column == Station || column >= Requests;
            return QVariant::fromValue(Qt::AlignVCenter |
                                       (number ? Qt::AlignRight : Qt::AlignLeft));
        }
        case Qt::ForegroundRole:
            switch (shadeOf(row, column)) {
                case Shade::Plain:
                    return {};
                case Shade::Grey:
                    return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
                case Shade::Red:
                    return QColor(Qt::red);
            }
            return {};
        default:
            return {};
    }
}

QVariant OverviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= OverviewColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromUtf8(kHeadings[static_cast<std::size_t>(section)]);
}

std::vector<std::pair<int, int>> OverviewModel::update(std::vector<OverviewRow> rows) {
    rows.resize(rows_.size());
    std::vector<std::pair<int, int>> textChanged;
    for (int r = 0; r < rowCount({}); ++r) {
        OverviewRow& before = rows_[static_cast<std::size_t>(r)];
        OverviewRow& now = rows[static_cast<std::size_t>(r)];
        if (now == before) {
            continue;
        }
        std::array<bool, OverviewColumnCount> changed{};
        for (int c = 0; c < OverviewColumnCount; ++c) {
            const auto i = static_cast<std::size_t>(c);
            const bool newText = now.texts[i] != before.texts[i];
            changed[i] = newText || shadeOf(now, c) != shadeOf(before, c) ||
                         (c == LastReply && now.replyTime != before.replyTime);
            if (newText) {
                textChanged.emplace_back(r, c);
            }
        }
        before = std::move(now);
        // One signal for each run of neighbouring changed cells.
        for (int c = 0; c < OverviewColumnCount;) {
            if (!changed[static_cast<std::size_t>(c)]) {
                ++c;
                continue;
            }
            const int first = c;
            while (c < OverviewColumnCount && changed[static_cast<std::size_t>(c)]) {
                ++c;
            }
            emit dataChanged(index(r, first), index(r, c - 1));
        }
    }
    return textChanged;
}

}  // namespace commissioning
