#pragma once

#include <QTimer>
#include <QWidget>

#include <cstddef>

#include "commissioning/traffic_log.h"
#include "platform/dialogs.h"
#include "platform/file_writer.h"

class QLabel;
class QPushButton;

namespace commissioning {

class TrafficLines;

// "通讯监视": every request and received block of both ports with its time to the millisecond,
// direction, bytes and verdict, the latest 10,000 of them. The list takes in the log's new lines
// four times a second while shown and not paused; recording goes on regardless, so polling never
// waits for the window.
class TrafficMonitor : public QWidget {
    Q_OBJECT

  public:
    TrafficMonitor(TrafficLog& log, platform::Dialogs& dialogs, platform::FileWriter& files,
                   QWidget* parent = nullptr);

    // Shows what the log holds now, unless paused.
    void refresh();
    void togglePause();
    void clearLog();
    // Asks for a file and writes every line kept to it.
    void save();

    // Entry `index` of the log as one line of text.
    [[nodiscard]] QString lineText(std::size_t index) const;
    [[nodiscard]] static QString entryText(const TrafficEntry& entry);
    [[nodiscard]] int shownLines() const;
    [[nodiscard]] bool paused() const { return paused_; }

    TrafficLines* lines = nullptr;
    QPushButton* pauseButton = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* saveButton = nullptr;
    QLabel* summary = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void showCount();

    TrafficLog& log_;
    platform::Dialogs& dialogs_;
    platform::FileWriter& files_;
    QTimer refreshTimer_;
    bool paused_ = false;
};

}  // namespace commissioning
