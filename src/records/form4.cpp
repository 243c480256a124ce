#include "records/form4.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <string>
#include <utility>

#include "records/export.h"
#include "records/record_grid_model.h"
#include "records/records_query.h"
#include "records/store_status.h"

namespace records {

namespace {

using Outcome = BackgroundReader::Outcome;

const char* const kExportFilters = "CSV 文件 (*.csv);;Excel 工作簿 (*.xlsx)";

// Why a read failed: the store's own account, or that there is no store to read.
StoreHealth healthAfterFailure(const Store* store) {
    StoreHealth health = store ? store->health() : StoreHealth{StoreProblem::Missing, {}, {}, 0};
    if (health.ok()) {
        health.problem = StoreProblem::Other;
    }
    return health;
}

// A writer that gives up once the window's reader is going away or the window's opening has
// ended, so that an export stops then and leaves what was at its path.
class StoppableWriter final : public platform::FileWriter {
  public:
    StoppableWriter(platform::FileWriter& writer, const std::atomic<bool>& stopping,
                    std::shared_ptr<const std::atomic<bool>> openingEnded)
        : writer_(writer), stopping_(stopping), openingEnded_(std::move(openingEnded)) {}
    bool begin(const std::string& path) override { return !stopped() && writer_.begin(path); }
    bool append(std::string_view text) override { return !stopped() && writer_.append(text); }
    bool finish() override {
        if (stopped()) {
            writer_.abandon();
            return false;
        }
        return writer_.finish();
    }
    void abandon() override { writer_.abandon(); }

  private:
    bool stopped() const { return stopping_ || *openingEnded_; }

    platform::FileWriter& writer_;
    const std::atomic<bool>& stopping_;
    std::shared_ptr<const std::atomic<bool>> openingEnded_;
};

}  // namespace

Form4::~Form4() {
    // No result may arrive once the window is going; a read under way ends on its own thread.
    reader_.reset();
    services_.gate.dropPending(this);
    services_.gate.dropPending(&inbox_);
    services_.gate.dropPending(&dialogAnswer_);
}

void Form4::Form_Activate() {
    askForFill();
}

void Form4::askForFill() {
    if (fillUnderWay_) {
        // One fill at a time: a fill for a filter since changed is followed by one more.
        refillWanted_ = refillWanted_ || *fillUnderWay_ != generation_;
        return;
    }
    fillUnderWay_ = generation_;
    readNewest(filter_, &Form4::takeFill);
}

void Form4::readNewest(const RecordFilter& filter, Take take) {
    const int generation = generation_;
    reader_->submit([this, generation, filter, take](Store* store, const std::atomic<bool>&) {
        Records records = store ? store->newest(filter, kListedRecords) : std::nullopt;
        const StoreHealth health = records ? StoreHealth{} : healthAfterFailure(store);
        const bool failed = !records;
        return Outcome{[this, generation, records = std::move(records), health, take]() mutable {
                           (this->*take)(generation, std::move(records), health);
                       },
                       failed};
    });
}

void Form4::Timer1_Timer() {
    // A look is cheap (only records newer than the newest listed are read), and never stacks up
    // behind a slow store: while any read is under way the tick is skipped.
    if (fillUnderWay_ || lookUnderWay_ || clearing_) {
        return;
    }
    lookUnderWay_ = true;
    readNewest(newerThanListed(filter_, model_->listed().newestKey()), &Form4::takeNewer);
}

void Form4::takeFill(int generation, Records newest, const StoreHealth& health) {
    fillUnderWay_.reset();
    // Each opening lists what was read for it: a read made while the window was hidden (made
    // ahead of its opening) or for a filter since changed is not shown.
    if (generation == generation_ && isVisible()) {
        firstDrawWait_->stop();
        MSFlexGrid1->setUpdatesEnabled(true);
        if (newest) {
            faultLabel->hide();
            model_->showRecords(std::move(*newest));
        } else {
            showFault("无法读取记录：", health);
        }
    }
    if (refillWanted_) {
        refillWanted_ = false;
        askForFill();
    }
}

void Form4::takeNewer(int generation, Records newer, const StoreHealth& health) {
    lookUnderWay_ = false;
    if (generation != generation_ || !isVisible()) {
        return;
    }
    if (newer) {
        faultLabel->hide();
        model_->addNewer(std::move(*newer));
    } else {
        showFault("无法读取记录：", health);
    }
}

void Form4::Command1_Click() {
    // The clear destroys the whole history, so it is asked for first.
    services_.dialogs.openYesNo("确定要清除全部记录吗？", whenAnswered<bool>([this](bool yes) {
                                    if (yes) {
                                        clearAll();
                                    }
                                }));
}

void Form4::clearAll() {
    clearing_ = true;
    updateButtons();
    const int opening = opening_;
    reader_->submit([this, opening](Store* store, const std::atomic<bool>&) {
        const bool cleared = store && store->clear();
        const StoreHealth health = cleared ? StoreHealth{} : healthAfterFailure(store);
        return Outcome{[this, opening, cleared, health] { takeClear(opening, cleared, health); },
                       !cleared};
    });
}

void Form4::takeClear(int opening, bool cleared, const StoreHealth& health) {
    clearing_ = false;
    updateButtons();
    if (opening != opening_) {
        return;  // the window was closed meanwhile; the next opening reads what is left
    }
    if (cleared) {
        close();
        return;
    }
    // The records are still there, and still listed: the window stays and says why.
    showFault("记录未清除：", health);
}

void Form4::Command2_Click() {
    close();
}

void Form4::exportButton_Click() {
    services_.dialogs.openSaveFileName(
        "导出记录", "records", kExportFilters,
        whenAnswered<std::string>([this](const std::string& path) { exportTo(path); }));
}

void Form4::exportTo(const std::string& path) {
    if (path.empty()) {
        return;
    }
    // An export replaces the file it writes: never the store itself or a file that is no file.
    if (const std::optional<std::string> refused =
            services_.refuseExport ? services_.refuseExport(path) : std::nullopt) {
        services_.dialogs.showMessageBox(*refused);
        return;
    }
    exporting_ = true;
    updateButtons();
    const RecordFilter filter = exportedFromListed(filter_, model_->listed().newestKey());
    const platform::FileWriterMaker makeWriter = services_.makeWriter;
    const int opening = opening_;
    std::shared_ptr<const std::atomic<bool>> openingEnded = openingEnded_;
    reader_->submit([this, filter, path, makeWriter, opening, openingEnded](
                        Store* store, const std::atomic<bool>& stopping) {
        ExportResult result;
        result.problem = ExportProblem::Store;
        std::unique_ptr<platform::FileWriter> writer = makeWriter ? makeWriter() : nullptr;
        if (!writer) {
            result.problem = ExportProblem::Destination;
        } else if (store) {
            StoppableWriter stoppable(*writer, stopping, openingEnded);
            result = exportRecords(*store, filter, stoppable, path);
        }
        const bool storeFailed = result.problem == ExportProblem::Store;
        const StoreHealth health = storeFailed ? healthAfterFailure(store) : StoreHealth{};
        return Outcome{
            [this, opening, result, health, path] { takeExport(opening, result, health, path); },
            storeFailed};
    });
}

void Form4::takeExport(int opening, const ExportResult& result, const StoreHealth& health,
                       const std::string& path) {
    exporting_ = false;
    updateButtons();
    if (opening != opening_) {
        return;  // stopped by the close, nothing written
    }
    const std::string count = std::to_string(result.records);
    switch (result.problem) {
        case ExportProblem::None:
            services_.dialogs.showMessageBox("已导出 " + count + " 条记录。");
            break;
        case ExportProblem::Store:
            services_.dialogs.showMessageBox("导出失败：无法读取记录：" + problemText(health));
            break;
        case ExportProblem::Destination:
            services_.dialogs.showMessageBox("导出失败：" + path);
            break;
        case ExportProblem::TooManyRecords:
            services_.dialogs.showMessageBox("导出失败：" + count +
                                             " 条记录超出 Excel 工作表的行数，未写入文件。"
                                             "请用筛选减少记录，或导出为 CSV 文件。");
            break;
    }
}

void Form4::filterChanged() {
    RecordFilter filter;
    const QVariant station = stationBox->currentData();
    if (station.isValid()) {
        filter.station = static_cast<std::uint8_t>(station.toInt());
    }
    fromDate->setEnabled(fromCheck->isChecked());
    toDate->setEnabled(toCheck->isChecked());
    const QString format = QStringLiteral("yyyy-MM-dd");
    if (fromCheck->isChecked()) {
        filter.fromDate = fromDate->date().toString(format).toStdString();
    }
    if (toCheck->isChecked()) {
        filter.toDate = toDate->date().toString(format).toStdString();
    }
    if (filter.station == filter_.station && filter.fromDate == filter_.fromDate &&
        filter.toDate == filter_.toDate) {
        return;
    }
    // The grid never mixes records of two filters: it is emptied and listed anew, from its top.
    filter_ = filter;
    ++generation_;
    model_->showRecords({});
    MSFlexGrid1->scrollToTop();
    askForFill();
}

void Form4::showFault(const std::string& what, const StoreHealth& health) {
    faultLabel->setText(QString::fromStdString(what + problemText(health)));
    faultLabel->show();
}

void Form4::receive(BackgroundReader::Delivery delivery) {
    inbox_.push_back(std::move(delivery));
    // Results enter through the gate like any other event: after the handler that runs now.
    services_.gate.runDeferred(&inbox_, [self = QPointer<Form4>(this)] {
        if (self) {
            self->takeDeliveries();
        }
    });
}

template <typename Answer>
std::function<void(const Answer&)> Form4::whenAnswered(std::function<void(const Answer&)> take) {
    // The answer enters through the gate like any other event, for the opening it was asked in.
    return [self = QPointer<Form4>(this), opening = opening_,
            take = std::move(take)](const Answer& answer) {
        if (!self) {
            return;
        }
        self->services_.gate.runDeferred(&self->dialogAnswer_, [self, opening, take, answer] {
            if (self && self->opening_ == opening) {
                take(answer);
            }
        });
    };
}

void Form4::takeDeliveries() {
    while (!inbox_.empty()) {
        BackgroundReader::Delivery next = std::move(inbox_.front());
        inbox_.pop_front();
        next();
    }
}

void Form4::updateButtons() {
    Command1->setEnabled(!clearing_);
    exportButton->setEnabled(!clearing_ && !exporting_);
}

bool Form4::reading() const {
    return fillUnderWay_ || lookUnderWay_ || clearing_ || exporting_ || !inbox_.empty();
}

QString Form4::TextMatrix(int row, int column) const {
    return row == 0 ? model_->heading(column) : model_->cellText(row - 1, column);
}

bool Form4::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
            if (!opened_) {
                beginOpening();
            }
            // Showing the window counts as its activation, also where no window manager
            // activates windows; the activation that usually follows is then not filled again.
            fillShownWithoutActivation_ = true;
            requestFill();
            Timer1->start();
            break;
        case QEvent::Hide:
            Timer1->stop();
            break;
        case QEvent::WindowActivate:
            if (fillShownWithoutActivation_) {
                fillShownWithoutActivation_ = false;
            } else {
                requestFill();
            }
            break;
        case QEvent::WindowDeactivate:
            fillShownWithoutActivation_ = false;
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void Form4::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    endOpening();
}

void Form4::endOpening() {
    opened_ = false;
    ++opening_;
    openingEnded_->store(true);
    openingEnded_ = std::make_shared<std::atomic<bool>>(false);
    // Reads of the ended opening are not listed; the next one lists every station again.
    ++generation_;
    refillWanted_ = false;
    filter_ = RecordFilter{};
    model_->showRecords({});
    faultLabel->hide();
    if (QWidget* focused = focusWidget()) {
        focused->clearFocus();
    }
    // Opened again in the place it was left, at the size of a new window.
    restoreSize();
}

void Form4::requestFill() {
    // Deferred, so that an activation during another handler is run after it, not lost; the
    // window may be gone by then.
    services_.gate.runDeferred(this, [self = QPointer<Form4>(this)] {
        if (self) {
            self->Form_Activate();
        }
    });
}

}  // namespace records
