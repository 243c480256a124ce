#pragma once

#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/event_gate.h"
#include "platform/file_writer.h"
#include "records/background_reader.h"
#include "records/export.h"
#include "records/store.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QDateEdit;
class QEvent;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace records {

class RecordGridModel;

// Why a file may not receive an export (it is one of the program's own files, or no regular
// file), in the operator's words; none when it may.
using ExportRefusal = std::function<std::optional<std::string>(const std::string& path)>;

// What the data-query window works with. The store maker and the writer maker are called on the
// window's reading thread; the rest is used on the window's thread only.
struct QueryWindowServices {
    StoreMaker makeStore;
    platform::FileWriterMaker makeWriter;
    ExportRefusal refuseExport;
    platform::Dialogs& dialogs;
    platform::EventGate& gate;
    platform::Clock& clock;
};

// The data-query window "数据查询": lists the newest records of the store in a grid, takes new
// records as they are logged, exports what it lists and can clear the store. It is modeless.
// Closing it hides it: the window, its reading thread and the store made there are kept for the
// next opening, and whoever made it deletes it. Each opening (the first show after its making or
// after a close) starts as a new window would: the filter row and column widths as Form_Load
// leaves them, dated today, the size it was made with, no control holding the focus, no fault
// shown, and the grid empty until the store is read anew; what was listed, read, exported or
// cleared for an opening is not carried into the next one. The dialogs, the gate and the clock
// belong to the caller and must outlive the window.
//
// Every read of the store runs on the window's reading thread, on a store made there, so a store
// that is slow to answer never holds up the program; the results come back through the gate.
// Records read while the window is hidden are not listed (a window made ahead of its opening
// reads only to have its store open). When the store cannot be read, a line above the grid says
// why, until it can again.
class Form4 : public QWidget {
    Q_OBJECT

  public:
    // Builds the controls and begins reading the store; the window is not shown.
    explicit Form4(QueryWindowServices services, QWidget* parent = nullptr);
    ~Form4() override;

    static constexpr int kGridRows = 1001;  // the heading row and 1000 record rows
    static constexpr int kGridColumns = 12;
    static constexpr int kLookIntervalMs = 5000;
    static constexpr int kFirstDrawWaitMs = 200;

    // The filter row (every station, no dates, today in the date boxes) and the column widths;
    // the headings stand in the grid from its making. Run at each opening.
    void Form_Load();
    // Reads the newest records again; they fill rows 1 onwards, the newest in the last filled row.
    void Form_Activate();
    // Looks for records logged after the newest listed (Timer1, while the window is shown).
    void Timer1_Timer();
    // "记录清除": after confirmation, deletes every record and closes the window (of the opening
    // it was asked in).
    void Command1_Click();
    // "返回": closes the window.
    void Command2_Click();
    // "导出...": every record the filter passes, up to the newest listed, into a file the
    // operator names (CSV or Excel workbook).
    void exportButton_Click();

    // The text of a grid cell: the headings in row 0, records from row 1; empty elsewhere.
    QString TextMatrix(int row, int column) const;
    // Which records the window lists.
    [[nodiscard]] const RecordFilter& filter() const { return filter_; }
    // Whether a read of the store is under way or its result not yet shown.
    [[nodiscard]] bool reading() const;

    QLabel* Label1;
    QLabel* faultLabel;  // why the store cannot be read; hidden while it can
    QComboBox* stationBox;
    QCheckBox* fromCheck;
    QDateEdit* fromDate;
    QCheckBox* toCheck;
    QDateEdit* toDate;
    QTableView* MSFlexGrid1;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* exportButton;
    QTimer* Timer1;

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    using Records = std::optional<std::vector<StoredRecord>>;
    // Takes the newest records a read found (none when it failed) for the generation it was
    // asked in.
    using Take = void (Form4::*)(int generation, Records records, const StoreHealth& health);

    void startReading();
    QWidget* buildFilterRow();
    void beginOpening();
    void endOpening();
    void restoreSize();
    void filterChanged();
    void requestFill();
    void askForFill();
    // Reads the newest records that pass `filter` on the reading thread; `take` gets them.
    void readNewest(const RecordFilter& filter, Take take);
    void takeFill(int generation, Records newest, const StoreHealth& health);
    void takeNewer(int generation, Records newer, const StoreHealth& health);
    void clearAll();
    void takeClear(int opening, bool cleared, const StoreHealth& health);
    // Exports into `path` (nothing when empty), then says how it went.
    void exportTo(const std::string& path);
    // A dialog's answer handler that runs `take` through the gate once the operator has answered,
    // if the window is still in the opening the dialog was shown in.
    template <typename Answer>
    std::function<void(const Answer&)> whenAnswered(std::function<void(const Answer&)> take);
    void takeExport(int opening, const ExportResult& result, const StoreHealth& health,
                    const std::string& path);
    void showFault(const std::string& what, const StoreHealth& health);
    void receive(BackgroundReader::Delivery delivery);
    void takeDeliveries();
    void updateButtons();

    QueryWindowServices services_;
    RecordGridModel* model_;
    QTimer* firstDrawWait_;  // the grid is drawn empty once it runs out before the fill came
    RecordFilter filter_;
    // Counts the openings that ended; a clear or an export answers only the opening it was
    // asked in.
    int opening_ = 0;
    bool opened_ = false;  // from the show that begins an opening to the close that ends it
    // Set once the opening ends, which stops an export of that opening.
    std::shared_ptr<std::atomic<bool>> openingEnded_ = std::make_shared<std::atomic<bool>>(false);
    // Bumped whenever what the grid lists must be read anew; older reads are then ignored.
    int generation_ = 0;
    std::optional<int> fillUnderWay_;  // the generation of the fill under way
    bool refillWanted_ = false;
    bool lookUnderWay_ = false;
    bool clearing_ = false;
    bool exporting_ = false;
    bool fillShownWithoutActivation_ = false;
    std::deque<BackgroundReader::Delivery> inbox_;
    // The source under which an answered dialog's handler waits in the gate.
    const char dialogAnswer_ = 0;
    std::unique_ptr<BackgroundReader> reader_;
};

}  // namespace records
