#pragma once

#include <QString>
#include <QWidget>

#include "platform/dialogs.h"
#include "platform/event_gate.h"
#include "platform/file_writer.h"
#include "platform/records_binding.h"

class QEvent;
class QLabel;
class QPushButton;
class QTableWidget;

namespace records {

// The data-query window "数据查询": lists the newest records of the store in a grid and can clear
// them. It is modeless and deletes itself when closed (Qt::WA_DeleteOnClose), so whoever opens
// it creates it with `new` and keeps at most a QPointer to it; the next opening creates a new
// window. The binding, the dialogs and the gate belong to the caller and must outlive the window.
//
// There is no refresh timer: the grid is filled on each activation only.
class Form4 : public QWidget {
    Q_OBJECT

  public:
    // Builds the controls and runs Form_Load.
    Form4(platform::RecordsBinding& data2, platform::Dialogs& dialogs, platform::EventGate& gate,
          platform::FileWriter& files, QWidget* parent = nullptr);

    static constexpr int kGridRows = 1001;  // the heading row and 1000 record rows
    static constexpr int kGridColumns = 12;

    // Column widths and headings, then the binding is pointed at the store.
    void Form_Load();
    // Writes the newest records into rows 1 onwards, the newest in the last filled row.
    void Form_Activate();
    // "记录清除": after confirmation, deletes every record and closes the window.
    void Command1_Click();
    // "返回": closes the window.
    void Command2_Click();
    // "导出": every record, oldest first, into a spreadsheet file (CSV) the operator names.
    void exportButton_Click();

    // The text of a grid cell; empty when nothing was ever written there.
    QString TextMatrix(int row, int column) const;

    QLabel* Label1;
    QTableWidget* MSFlexGrid1;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* exportButton;
    platform::RecordsBinding& Data2;

  protected:
    bool event(QEvent* event) override;

  private:
    void setCellText(int row, int column, const QString& text);
    void requestFill();

    platform::Dialogs& dialogs_;
    platform::FileWriter& files_;
    platform::EventGate& gate_;
    bool fillShownWithoutActivation_ = false;
};

}  // namespace records
